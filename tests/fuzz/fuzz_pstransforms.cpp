// Fuzz target: the PostScript of a page's specials as ksdvi evaluates the
// transformations of graphicx and its kin without Ghostscript
// (PostScriptTransforms.h), as PostScriptPage runs them: the input is a
// sequence of specials (SpecialSequence.h); positioned ones move to their
// place first, raw ones run as they are, and the first the evaluator does not
// know, or an @beginspecial one, ends the evaluation. After every special it
// accepts, the transformation in force is finite. Each special is also asked
// whether it calls for transparency, as the page's job asks: only code that
// names an opacity, a transparency group or a fading may. Time: libFuzzer's
// -timeout and its reports of slow inputs.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "FuzzEnvironment.h"
#include "SpecialSequence.h"
#include "render/PostScriptTransforms.h"
#include "specials/PostScriptSpecials.h"

using namespace ksdvi::fuzz;

namespace {

// A printer's resolution, different across and down, as zoom and paper make it.
constexpr double kDpiX = 600, kDpiY = 300;
// Where positioned specials stand, in dots: down and across a letter page.
constexpr double kStepX = 97.5, kStepY = 61.25;

bool Finite(ksdvi::Affine const& m) {
    for (double v : {m.a, m.b, m.c, m.d, m.e, m.f})
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    ksdvi::PostScriptTransforms transforms(kDpiX, kDpiY);
    int index = 0;
    for (std::string_view special : SplitSpecials(data, size)) {
        ksdvi::PostScriptSpecial ps =
            ksdvi::ParsePostScriptSpecial(reinterpret_cast<unsigned char const*>(special.data()), special.size());
        if (!ksdvi::IsPagePostScript(ps)) continue;
        bool const named = ps.code.find("alpha") != std::string_view::npos ||
                           ps.code.find(".begintransparency") != std::string_view::npos ||
                           ps.code.find("/SP pdfmark") != std::string_view::npos;
        FUZZ_CHECK(!ksdvi::CallsForTransparency(ps.code) || named);
        if (ps.kind == ksdvi::PostScriptSpecial::Kind::Quoted) break;
        ++index;
        if (ps.kind == ksdvi::PostScriptSpecial::Kind::Positioned)
            transforms.MoveTo(kStepX * (index % 17), kStepY * (index % 23));
        if (!transforms.Run(ps.code)) break;
        FUZZ_CHECK(Finite(transforms.Current()));
    }
    return 0;
}

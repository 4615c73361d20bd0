#include "text/TextTransforms.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

#include "dvi/KsDvi.h"
#include "page/PixelMapping.h"
#include "specials/PdfDrawingSpecials.h"
#include "specials/PdfSpecials.h"
#include "specials/PostScriptSpecials.h"
#include "specials/SpecialKeywords.h"

namespace ksdvi {

namespace {

// The evaluator works in points: PostScript's user space.
constexpr double kDotsPerInch = 72;

}  // namespace

TextTransforms::TextTransforms(KsDvi const& dvi)
    : postScript_(kDotsPerInch, kDotsPerInch), pdf_(kDotsPerInch, kDotsPerInch) {
    PixelMapping const points = PixelMapping::OneInchIn(dvi, kDotsPerInch);
    perDviX_ = points.PerDviX();
    perDviY_ = points.PerDviY();
}

void TextTransforms::Special(std::string_view special, int h, int v) {
    terminated_.assign(special.begin(), special.end());
    terminated_.push_back(0);
    unsigned char const* const text = terminated_.data();
    size_t const length = special.size();
    double const x = h * perDviX_, y = v * perDviY_;
    if (SpecialKeyword const* keyword = FindSpecialKeyword(text, length);
        keyword && (keyword->family == SpecialFamily::Pdf || keyword->family == SpecialFamily::PdfExtension)) {
        std::string_view const args(reinterpret_cast<char const*>(text) + keyword->word.size(),
                                    length - keyword->word.size());
        bool const extension = keyword->family == SpecialFamily::PdfExtension;
        PdfSpecial const special = ParsePdfSpecial(args, extension);
        using Kind = PdfSpecial::Kind;
        if (special.kind == Kind::Other && !extension && PdfDrawingOf(special.keyword) == PdfDrawing::Content)
            pdf_.Content(special.keyword, AfterPdfKeyword(args, special.keyword), x, y);
        else if (special.kind == Kind::TransformStart || special.kind == Kind::Transform ||
                 special.kind == Kind::TransformEnd)
            pdf_.Transform(special, x, y);
        else
            return;
        current_ = pdf_.World();
        return;
    }
    PostScriptSpecial const postScript = ParsePostScriptSpecial(text, length);
    if (!IsPagePostScript(postScript)) return;
    FollowNullDevice(postScript.code);
    if (!postScriptKnown_) return;
    if (postScript.kind == PostScriptSpecial::Kind::Positioned) postScript_.MoveTo(x, y);
    // @beginspecial (quoted specials) and big points are Ghostscript's to run.
    if (!IsFollowedWithoutGhostscript(postScript) || !postScript_.Run(postScript.code)) {
        postScriptKnown_ = false;
        current_ = Affine{};
        return;
    }
    current_ = postScript_.Current();
}

void TextTransforms::FollowNullDevice(std::string_view code) {
    size_t at = 0;
    while (at < code.size()) {
        size_t const start = code.find_first_not_of(" \t\r\n", at);
        if (start == std::string_view::npos) break;
        size_t const end = std::min(code.find_first_of(" \t\r\n", start), code.size());
        std::string_view const word = code.substr(start, end - start);
        if (word == "gsave") {
            ++saves_;
        } else if (word == "grestore") {
            if (--saves_ < nullDeviceAt_) nullDeviceAt_ = -1;
        } else if (word == "nulldevice" && nullDeviceAt_ < 0) {
            nullDeviceAt_ = saves_;
        }
        at = end;
    }
}

void TextTransforms::Box(int& left, int& top, int& width, int& height) const {
    if (current_.IsIdentity()) return;
    double const xs[] = {double(left), double(left) + width}, ys[] = {double(top), double(top) + height};
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (double const bx : xs)
        for (double const by : ys) {
            double x = 0, y = 0;
            current_.Apply(bx * perDviX_, by * perDviY_, x, y);
            minX = std::min(minX, x / perDviX_), maxX = std::max(maxX, x / perDviX_);
            minY = std::min(minY, y / perDviY_), maxY = std::max(maxY, y / perDviY_);
        }
    if (!std::isfinite(minX) || !std::isfinite(minY) || !std::isfinite(maxX) || !std::isfinite(maxY)) return;
    auto clamped = [](double value) { return std::clamp(value, double(INT_MIN / 2), double(INT_MAX / 2)); };
    left = static_cast<int>(std::floor(clamped(minX)));
    top = static_cast<int>(std::floor(clamped(minY)));
    width = static_cast<int>(std::ceil(clamped(maxX))) - left;
    height = static_cast<int>(std::ceil(clamped(maxY))) - top;
}

}  // namespace ksdvi

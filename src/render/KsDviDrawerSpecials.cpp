// The painting drawer's specials. Every special is first offered to the
// drawing-record interpreter; then the keyword that begins it chooses its
// handler (specials/SpecialRegistry.h), which asks the drawer for what the
// page shows.

#include <memory>

#include "render/GdiSpecialInterpreter.h"
#include "render/KsDviDrawer.h"
#include "specials/PostScriptSpecials.h"
#include "specials/SpecialRegistry.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

void KsDviDrawer::DoSpecial(unsigned int length, InstPtr text) {
    // The page buffer holds no NUL after the special: parse a terminated copy.
    auto copy = std::make_unique<unsigned char[]>(size_t{length} + 1);
    unsigned char const* from = text.Get();
    for (unsigned int i = 0; i < length; ++i) copy[i] = from[i];
    copy[length] = 0;
    unsigned char* begin = copy.get();

    // What follows a page's PostScript is drawn in the graphics state it leaves.
    if (postScript_ && IsPagePostScript(ParsePostScriptSpecial(begin, length))) {
        ksdvi::PageGraphicsState const state = postScript_->StateAfter(postScriptSpecials_++);
        worldTransform_ = state.transform;
        invisible_ = state.invisible;
    }

    if (specials_->PlaySpecial(begin, length, hDot(GetH()), vDot(GetV()))) return;

    specialHandlers_->Paint(*this, begin, length, invisible_);
}

int KsDviDrawer::hDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetH()) + offset) * pixels_.PerDviX()) + pixels_.OriginX();
}

int KsDviDrawer::vDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetV()) + offset) * pixels_.PerDviY()) + pixels_.OriginY();
}

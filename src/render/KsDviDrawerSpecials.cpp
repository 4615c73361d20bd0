// The painting drawer's specials. Every special is first offered to the
// drawing-record interpreter; then the keyword that begins it
// (SpecialKeywords.h) chooses the drawer's handler. What no handler takes is
// read as the key=value pairs of a psfile special.

#include <memory>

#include "dvi/DvipsColour.h"
#include "dvi/SpecialKeywords.h"
#include "dvi/SpecialParsing.h"
#include "render/GdiSpecialInterpreter.h"
#include "render/KsDviDrawer.h"

#include "dvi/PostScriptSpecials.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

KsDviDrawer::SpecialHandler KsDviDrawer::HandlerOf(SpecialFamily family) {
    using F = SpecialFamily;
    switch (family) {
    case F::Record: return &KsDviDrawer::PictureRecordSpecial;
    case F::Html: return &KsDviDrawer::HtmlSpecial;
    case F::Hypertext: return &KsDviDrawer::HypertextSpecial;
    case F::ColorPush: return &KsDviDrawer::ColorPushSpecial;
    case F::ColorPop: return &KsDviDrawer::ColorPopSpecial;
    case F::Color: return &KsDviDrawer::ColorSpecial;
    case F::DvipsColor: return &KsDviDrawer::DvipsColorSpecial;
    case F::DvipsBackground: return &KsDviDrawer::DvipsBackgroundSpecial;
    case F::Width: return &KsDviDrawer::WidthSpecial;
    case F::Line: return &KsDviDrawer::LineSpecial;
    case F::Arc: return &KsDviDrawer::ArcSpecial;
    case F::Box: return &KsDviDrawer::BoxSpecial;
    case F::BoxFill: return &KsDviDrawer::BoxFillSpecial;
    case F::EllipseFill: return &KsDviDrawer::EllipseFillSpecial;
    case F::Graphics: return &KsDviDrawer::GraphicsSpecial;
    case F::PsBegin: return &KsDviDrawer::PsBeginSpecial;
    case F::Ps: return &KsDviDrawer::PsSpecial;
    default: return nullptr;  // the background colour and the paper: the scan's
    }
}

void KsDviDrawer::DoSpecial(unsigned int length, InstPtr text) {
    // The page buffer holds no NUL after the special: parse a terminated copy.
    auto copy = std::make_unique<unsigned char[]>(size_t{length} + 1);
    unsigned char const* from = text.Get();
    for (unsigned int i = 0; i < length; ++i) copy[i] = from[i];
    copy[length] = 0;
    unsigned char* begin = copy.get();
    unsigned char* end = begin + length;

    // What follows a page's PostScript is drawn in the graphics state it leaves.
    if (postScript_ && IsPagePostScript(ParsePostScriptSpecial(begin, length))) {
        ksdvi::PageGraphicsState const state = postScript_->StateAfter(postScriptSpecials_++);
        worldTransform_ = state.transform;
        invisible_ = state.invisible;
    }

    if (specials_->PlaySpecial(begin, length, hDot(GetH()), vDot(GetV()))) return;

    SpecialKeyword const* keyword = FindSpecialKeyword(begin, length);
    // Under the null device only the specials that carry state count.
    if (invisible_ && (!keyword || keyword->inks)) return;
    if (keyword && keyword->family == SpecialFamily::Source) return;  // marks a place, draws nothing
    if (SpecialHandler handle = keyword ? HandlerOf(keyword->family) : nullptr)
        (this->*handle)(begin + keyword->word.size(), end);
    else
        PsfileSpecial(begin, end);
}

int KsDviDrawer::hDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetH()) + offset) * pixels_.PerDviX()) + pixels_.OriginX();
}

int KsDviDrawer::vDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetV()) + offset) * pixels_.PerDviY()) + pixels_.OriginY();
}

// The painting drawer's specials. Every special is first offered to the
// drawing-record interpreter; the drawer's own keywords follow, tried in the
// order of the table, the first that begins the special deciding (letter
// case ignored unless the table says otherwise). What no keyword takes is
// read as the key=value pairs of a psfile special.

#include <memory>

#include "dvi/DvipsColour.h"
#include "dvi/SpecialParsing.h"
#include "render/GdiSpecialInterpreter.h"
#include "render/KsDviDrawer.h"

#include "dvi/PostScriptSpecials.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

KsDviDrawer::SpecialKeyword const KsDviDrawer::kSpecialKeywords[] = {
    {"html:", &KsDviDrawer::HtmlSpecial},
    {"hypertext:", &KsDviDrawer::HypertextSpecial},
    {"colorpush:", &KsDviDrawer::ColorPushSpecial},
    {"colorpop:", &KsDviDrawer::ColorPopSpecial},
    {"color:", &KsDviDrawer::ColorSpecial},
    // dvips' colour words share no prefix with the keywords around them, and
    // keep their letter case as the document's scan does.
    {kDvipsColorKeyword, &KsDviDrawer::DvipsColorSpecial, LetterCase::Matters},
    {kDvipsBackgroundKeyword, &KsDviDrawer::DvipsBackgroundSpecial, LetterCase::Matters},
    {"width:", &KsDviDrawer::WidthSpecial},
    {"line:", &KsDviDrawer::LineSpecial},
    {"arc:", &KsDviDrawer::ArcSpecial},
    {"box:", &KsDviDrawer::BoxSpecial},
    {"boxfill:", &KsDviDrawer::BoxFillSpecial},
    {"ellipsefill:", &KsDviDrawer::EllipseFillSpecial},
    {"graphics:", &KsDviDrawer::GraphicsSpecial},
    {"#", &KsDviDrawer::PictureRecordSpecial},
    {"ps::[begin]", &KsDviDrawer::PsBeginSpecial},
    {"ps:", &KsDviDrawer::PsSpecial},
};

void KsDviDrawer::DoSpecial(unsigned int length, InstPtr text) {
    // The page buffer holds no NUL after the special: parse a terminated copy.
    auto copy = std::make_unique<unsigned char[]>(size_t{length} + 1);
    unsigned char const* from = text.Get();
    for (unsigned int i = 0; i < length; ++i) copy[i] = from[i];
    copy[length] = 0;
    unsigned char* begin = copy.get();
    unsigned char* end = begin + length;

    // What follows a page's PostScript is drawn in the transformation it leaves.
    if (postScript_ && IsPagePostScript(ParsePostScriptSpecial(begin, length)))
        worldTransform_ = postScript_->TransformAfter(postScriptSpecials_++);

    if (specials_->PlaySpecial(begin, length, hDot(GetH()), vDot(GetV()))) return;

    for (SpecialKeyword const& keyword : kSpecialKeywords) {
        if (keyword.word.size() > length || !StartsWith(begin, keyword.word, keyword.letterCase)) continue;
        (this->*keyword.handle)(begin + keyword.word.size(), end);
        return;
    }
    PsfileSpecial(begin, end);
}

int KsDviDrawer::hDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetH()) + offset) * pixels_.PerDviX()) + pixels_.OriginX();
}

int KsDviDrawer::vDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetV()) + offset) * pixels_.PerDviY()) + pixels_.OriginY();
}

#include "specials/SpecialKeywords.h"

#include "specials/DvipsColour.h"
#include "specials/TpicSpecials.h"

namespace ksdvi {

namespace {

using F = SpecialFamily;

// A keyword that begins another comes after it ("ps:" after "ps::[begin]",
// "color:" after "colorpush:").
constexpr SpecialKeyword kKeywords[] = {
    {"#", F::Record, LetterCase::Matters},
    {"html:", F::Html},
    {"hypertext:", F::Hypertext},
    {"colorpush:", F::ColorPush},
    {"colorpop:", F::ColorPop},
    {"color:", F::Color},
    {"backgroundcolor:", F::BackgroundColor},
    // dvips' colour words keep their letter case, as dvips does.
    {kDvipsColorKeyword, F::DvipsColor, LetterCase::Matters},
    {kDvipsBackgroundKeyword, F::DvipsBackground, LetterCase::Matters},
    {"width:", F::Width},
    {"line:", F::Line, LetterCase::Ignored, true},
    {"arc:", F::Arc, LetterCase::Ignored, true},
    {"box:", F::Box, LetterCase::Ignored, true},
    {"boxfill:", F::BoxFill, LetterCase::Ignored, true},
    {"ellipsefill:", F::EllipseFill, LetterCase::Ignored, true},
    {"graphics:", F::Graphics, LetterCase::Matters, true},
    {"papersize=", F::PaperSize, LetterCase::Matters},
    {"landscape", F::Landscape, LetterCase::Matters},
    {"ps::[begin]", F::PsBegin},
    {"ps:", F::Ps, LetterCase::Ignored, true},
    {"src:", F::Source, LetterCase::Matters},
    {"pdf:", F::Pdf, LetterCase::Matters},
    {"x:", F::PdfExtension, LetterCase::Matters},
};

// tpic's commands are words of their own (TpicSpecials.h): their handler is
// given the whole special.
constexpr SpecialKeyword kTpic{"", F::Tpic, LetterCase::Matters};

}  // namespace

SpecialKeyword const* FindSpecialKeyword(unsigned char const* text, size_t length) {
    for (SpecialKeyword const& keyword : kKeywords)
        if (keyword.word.size() <= length && StartsWith(text, keyword.word, keyword.letterCase)) return &keyword;
    if (TpicCommand(std::string_view(reinterpret_cast<char const*>(text), length))) return &kTpic;
    return nullptr;
}

}  // namespace ksdvi

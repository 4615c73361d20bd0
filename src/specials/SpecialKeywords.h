#pragma once
// The one table of the specials ksdvi acts on, by the keyword that begins
// them. The family found here chooses the handler (SpecialRegistry.h),
// whose document pass records what the document keeps (colour stacks,
// anchors, paper, pictures) and whose page pass paints. Keywords are tried
// in the table's order, the first that begins the special deciding; a
// special that none begins is read as tpic's command when it is one, else
// as the key=value pairs of a psfile special.

#include <cstddef>
#include <string_view>

#include "specials/SpecialParsing.h"

namespace ksdvi {

enum class SpecialFamily {
    Record,  // binary drawing records, '#'
    Html,
    Hypertext,
    ColorPush,
    ColorPop,
    Color,
    BackgroundColor,
    DvipsColor,
    DvipsBackground,
    Width,
    Line,
    Arc,
    Box,
    BoxFill,
    EllipseFill,
    Graphics,
    PaperSize,
    Landscape,  // dvips' landscape: the document's paper turned
    PsBegin,    // ps::[begin], the PostScript of psfig
    Ps,
    Source,        // src:, where a source line begins (source sync reads them)
    Pdf,           // pdf:, xdvipdfmx's
    PdfExtension,  // x:, dvipdfmx's own
    Tpic,          // tpic's two-letter commands (TpicSpecials.h)
    Count,         // how many families there are
};

inline constexpr size_t kSpecialFamilyCount = static_cast<size_t>(SpecialFamily::Count);

struct SpecialKeyword {
    std::string_view word;
    SpecialFamily family;
    LetterCase letterCase = LetterCase::Ignored;
    // Puts ink on the page (shapes, pictures, PostScript) rather than
    // changing colours, links or the pen.
    bool inks = false;
};

// The keyword that begins the `length` bytes at `text`, null when none does.
SpecialKeyword const* FindSpecialKeyword(unsigned char const* text, size_t length);

}  // namespace ksdvi

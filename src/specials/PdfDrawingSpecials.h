#pragma once
// xdvipdfmx's and dvipdfmx's pdf: specials that draw, as pgf's xetex and
// dvipdfmx drivers write them (TikZ in XeLaTeX documents and in pLaTeX's
// with the dvipdfmx option):
//   code OPS, literal [direct] OPS, content OPS   PDF content operators (the
//                            last two about the current point)
//   bcontent, econtent       a part drawn about the current point
//   obj @name OBJECT, put @name OBJECT, stream @name (DATA) <<dict>>,
//   obj @name <<dict>> stream DATA endstream, close @name
//                            named objects; put @resources adds to the
//                            resources of the page or form being drawn
//   bxobj @name width W height H depth D (or bbox ...), exobj [<<dict>>],
//   uxobj @name              a form, made and then placed at the current point
//   bcolor COLOUR, ecolor    a colour in force until its end (also bc, ec);
//   scolor COLOUR            the colour in force changed (also sc)

#include <optional>
#include <string_view>

#include "specials/DvipsColour.h"

namespace ksdvi {

class SpotColours;

enum class PdfDrawing {
    None,        // not a drawing special
    Content,     // draws on the page where it stands
    Definition,  // makes or changes a named object or a form, for this page and the ones after
};

// What the special whose keyword (after "pdf:") is `keyword` does.
PdfDrawing PdfDrawingOf(std::string_view keyword);

// What follows `keyword`, the first word of a pdf: special's text `special`.
std::string_view AfterPdfKeyword(std::string_view special, std::string_view keyword);

// What pdf:bcolor (a push), pdf:scolor (the top entry replaced) and
// pdf:ecolor (a pop), and their short names, do to the colour stack that
// colour specials change too; nullopt for another keyword, or a colour
// special with nothing after it. Text and rules take the fill colour, the
// first of "FILL [STROKE]" or the one after "fill" in "fill FILL stroke
// STROKE" (either part alone). A colour is [numbers] or numbers (1 grey,
// 3 RGB, 4 CMYK), a dvips colour name, or "@space [TINT]", a Separation
// space the document made (SpotColours.h); one that does not read, or none,
// keeps the colour in force, as dvipdfmx does.
std::optional<DvipsColorChange> PdfColourChange(std::string_view keyword, std::string_view args,
                                                SpotColours const* spots);

bool BeginsPdfXObject(std::string_view keyword);
bool EndsPdfXObject(std::string_view keyword);

}  // namespace ksdvi

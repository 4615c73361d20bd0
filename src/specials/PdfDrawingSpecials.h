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
//   bcolor [...], ecolor     a colour in force until its end (also bc, ec)

#include <optional>
#include <string_view>
#include <vector>

namespace ksdvi {

enum class PdfDrawing {
    None,        // not a drawing special
    Content,     // draws on the page where it stands
    Definition,  // makes or changes a named object or a form, for this page and the ones after
};

// What the special whose keyword (after "pdf:") is `keyword` does.
PdfDrawing PdfDrawingOf(std::string_view keyword);

// What follows `keyword`, the first word of a pdf: special's text `special`.
std::string_view AfterPdfKeyword(std::string_view special, std::string_view keyword);

// The components of the fill colour pdf:bcolor's `args` begin with: [gray],
// [r g b] or [c m y k]; empty when they do not.
std::vector<double> PdfColourComponents(std::string_view args);
// That colour as 0x00BBGGRR: dvipdfmx sets the text in it too.
std::optional<unsigned int> PdfBeginColour(std::string_view args);
bool BeginsPdfColour(std::string_view keyword);
bool EndsPdfColour(std::string_view keyword);

bool BeginsPdfXObject(std::string_view keyword);
bool EndsPdfXObject(std::string_view keyword);

}  // namespace ksdvi

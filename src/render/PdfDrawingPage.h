#pragma once
// What a page's pdf: drawing specials draw (PdfDrawingSpecials.h: pgf's
// xetex and dvipdfmx drivers, so TikZ in XeLaTeX and pLaTeX documents),
// written as a one-page PDF the page's size, as xdvipdfmx and dvipdfmx
// would write the page without its text: their content operators at their
// places, the colours of the colour specials, the transformations of
// pdf:btrans, and the named objects and forms of this page and of the pages
// before it; tpic's paths too (TpicSpecials.h). A PDF renderer (poppler) paints it beneath the page's text, as
// a page's PostScript is painted.

#include <string>
#include <string_view>
#include <vector>

#include "dvi/KsDvi.h"
#include "render/PostScriptPage.h"

namespace ksdvi {

// The PDF of page `page`'s drawing in the page's geometry; empty when the
// page draws nothing with pdf: specials. At most kLargestPdfDrawing bytes:
// past it, empty. With `later`, what the page draws after each picture it
// places (pdf:image) is left out and given in `later`, a PDF for each
// picture (empty where it adds nothing), to be painted over it as xdvipdfmx
// stacks them: TikZ drawing over a picture it placed.
std::string PdfDrawingOfPage(KsDvi& dvi, int page, PostScriptPage::Geometry const& geometry,
                             std::vector<std::string>* later = nullptr);

inline constexpr size_t kLargestPdfDrawing = size_t(32) << 20;
// Pages that place more pictures, or draw more, have their drawing painted
// beneath them all (each layer holds, and poppler renders, the page's whole
// drawing).
inline constexpr size_t kMostPdfLayers = 9;
inline constexpr size_t kLargestLayeredPdfDrawing = size_t(4) << 20;

// A pdf: special (after "pdf:") and the current point where it stands, in bp
// from the page's lower left corner.
struct PlacedPdfSpecial {
    std::string_view text;
    double x = 0, y = 0;
};

// The PDF those specials draw on a page `width` by `height` bp; empty when
// they draw nothing.
std::string PdfDrawingOfSpecials(std::vector<PlacedPdfSpecial> const& specials, double width, double height);

}  // namespace ksdvi

#pragma once
// The frame a PDF viewer draws around a link, as the document asks for it:
// hyperref's pdfborder and link colours, the /Border (or /BS /W) and /C (or
// pdfmark's /Color) of its pdfmarks and of xdvipdfmx's pdf: annotations.
// ksdvi's pages do not show it (neither do dvipng's nor Ghostscript's); its
// PDF files keep it, as ps2pdf's and dvipdfmx's do.

#include <vector>

namespace ksdvi {

struct LinkBorder {
    double width = 0;            // points; 0: no frame
    std::vector<double> dash;    // dash and gap lengths in points; empty: solid
    std::vector<double> colour;  // grey, RGB or CMYK components, each 0 to 1; empty: none

    // A frame without a colour is transparent in PDF: it does not show.
    bool Shown() const { return width > 0 && !colour.empty(); }
};

}  // namespace ksdvi

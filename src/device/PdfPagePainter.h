#pragma once
// Draws a page of a PDF file onto a Cairo context through poppler's Cairo
// renderer, so that on a PDF or SVG surface its paths, text and images stay
// what they are. Vector outputs draw a page's PostScript this way (Ghostscript's
// pdfwrite makes the PDF).

#include <cairo.h>

#include <optional>
#include <string>
#include <utility>

namespace ksdvi {

// Whether poppler's renderer can be used (it is loaded when first asked).
bool CanPaintPdfPages();

// Whether a PDF that Ghostscript's pdfwrite made fills with tiling patterns
// that poppler draws tile by tile, each tile under a clip of its own: those
// whose cell is not [0 0 XStep YStep] (the PDF host remakes TikZ's hatchings
// so, but not every pattern can be).
bool DrawsPatternsTileByTile(std::string const& pdf);

// Whether a PDF that Ghostscript's pdfwrite made draws through soft masks
// (beamer's shadows, pgf's fadings): poppler's renderer makes them empty on
// an SVG surface.
bool UsesSoftMasks(std::string const& pdf);

// The size in points of page `page` (from 1) of `pdf`, its crop box turned
// as the page is; none when the file does not read, has no such page or
// poppler is not available. poppler reads the file's structure only, not
// the page's drawing.
std::optional<std::pair<double, double>> PdfPageSize(std::string const& pdf, int page);

// Draws the first page of `pdf` on `cr`, its user space in points with the
// page's top-left corner at the origin: as printed, or `onScreen` as a
// viewer shows it (hair lines at least a device pixel wide, on whole
// pixels; annotations shown too). False when the PDF does not read or
// poppler is not available.
bool PaintPdfPage(std::string const& pdf, cairo_t* cr, bool onScreen = false);

}  // namespace ksdvi

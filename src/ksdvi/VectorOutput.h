#pragma once
// Pages of a ksdvi::Document as vector graphics, drawn by the same painter as
// the raster pages onto Cairo's PDF and SVG surfaces: characters stay glyphs
// of their font programs (embedded as subsets, with the text they stand for),
// rules and shapes paths, pictures images at their own resolution. What only
// a raster can hold (a page's PostScript, EPS pictures, metafiles, drawing
// records) is drawn at `rasterDpi` and put beneath the vector drawing.
//
// Threads: as the document's (ksdvi/Document.h).

#include <string>
#include <vector>

#include "ksdvi/Document.h"

namespace ksdvi {

struct VectorOptions {
    std::vector<int> pages;  // 0-based, in the order written; empty: every page
    int rasterDpi = 600;
};

// Whether the file could be written at all, and what its pages leave out,
// one sentence each ("page 3: ...").
struct VectorResult {
    bool written = false;
    std::string error;  // when not written
    std::vector<std::string> problems;
    // Pages whose instructions could not be read to their end: what the file
    // shows of them is cut short.
    bool pagesBroken = false;
};

// A PDF file: one page per page asked, each the size of the document's
// paper; links as link annotations, anchors as named destinations, the
// outline as bookmarks. `path` "-" writes to standard output.
VectorResult WritePdf(Document& document, std::string const& path, VectorOptions const& options = {});

// An SVG file of one page (0-based), sized in points.
VectorResult WriteSvg(Document& document, int page, std::string const& path, VectorOptions const& options = {});

}  // namespace ksdvi

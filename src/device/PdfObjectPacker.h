#pragma once
// Cairo's PDF files with their small objects packed. Cairo writes every
// page's dictionary, resources and font dictionaries as objects of their own
// with a cross-reference table line each: on a text document a third of the
// file. Packed into compressed object streams with a cross-reference stream
// (PDF 1.5), as dvipdfmx writes them, they take a tenth of that. Streams
// (content, fonts, images) are copied byte for byte; gradients lose the
// stops they do not need (PdfGradientStops.h) and links get their frames
// (PdfLinkFrames.h).
//
// Written by hand rather than through a PDF library: the file is Cairo's,
// whose cross-reference table gives every object's place, so packing needs
// no parsing of the objects themselves (but for gradients' small function
// dictionaries), and a library's full rewrite would cost more time than
// drawing the pages.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/PdfLinkFrames.h"

namespace ksdvi {

// `pdf` packed; empty when it is not laid out as Cairo lays out its files
// (one cross-reference table of objects of generation 0), which then stays
// as it is.
struct PdfPageBoxes {
    // A page drawn on a sheet of one of these papers rounded up to whole
    // points gets that paper as its MediaBox.
    std::vector<std::array<double, 2>> papers;
    // Degrees clockwise each page is turned for reading (/Rotate), page by page.
    std::vector<int> turns;
};
std::string PackPdfObjects(std::string_view pdf, std::vector<LinkFrame> const& frames = {},
                           PdfPageBoxes const& pages = {});

}  // namespace ksdvi

#pragma once
// Pages of a PDF file rasterised by poppler's pdftoppm, read back as RGB, for
// tests that check what a printer document shows.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/PngImage.h"

inline bool HavePoppler() { return HaveCommand("pdftoppm") && HaveCommand("pdfinfo"); }

// Page `page` (1-based) of `pdf` at `dpi`, by way of `scratch` (a PPM path).
inline bool RasterisePdfPage(std::string const& pdf, int page, int dpi, std::string const& scratch, RgbImage& out) {
    std::string const stem = scratch.substr(0, scratch.size() - 4);
    int status = -1;
    // Without anti-aliasing: edges land on whole device pixels.
    RunCommand("pdftoppm -aa no -aaVector no -singlefile -r " + std::to_string(dpi) + " -f " + std::to_string(page) +
                   " -l " + std::to_string(page) + " '" + pdf + "' '" + stem + "' 2>/dev/null",
               &status);
    if (status != 0) return false;
    std::ifstream in(stem + ".ppm", std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> out.width >> out.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || out.width <= 0 || out.height <= 0) return false;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    in.read(reinterpret_cast<char*>(out.rgb.data()), static_cast<std::streamsize>(out.rgb.size()));
    return static_cast<size_t>(in.gcount()) == out.rgb.size();
}

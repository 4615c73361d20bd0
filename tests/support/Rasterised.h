#pragma once
// Pages of a PDF file rasterised by poppler's pdftoppm, read back as RGB, for
// tests that check what a printer document shows.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/Cli.h"

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    // 0x00RRGGBB; white outside the image.
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFF;
        uint8_t const* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    bool Dark(int x, int y, int threshold = 128) const {
        uint32_t p = At(x, y);
        return (p >> 16 & 0xFF) * 299 + (p >> 8 & 0xFF) * 587 + (p & 0xFF) * 114 < uint32_t(threshold) * 1000;
    }
};

inline bool HavePoppler() {
    return std::system("command -v pdftoppm >/dev/null 2>&1 && command -v pdfinfo >/dev/null 2>&1") == 0;
}

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

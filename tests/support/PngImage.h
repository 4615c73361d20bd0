#pragma once
// Reads a PNG file as 8-bit grey or RGB with libpng's simplified API, for
// tests that compare rendered pages.

#include <png.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A PNG file's pixels in libpng's `format` (PNG_FORMAT_GRAY, _RGB, _RGBA);
// `fileFormat`, the format the file itself has.
struct PngPixels {
    int width = 0;
    int height = 0;
    png_uint_32 fileFormat = ~0u;
    std::vector<uint8_t> bytes;
};

inline bool ReadPng(std::string const& path, png_uint_32 format, PngPixels& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    out.fileFormat = image.format;
    image.format = format;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.bytes.assign(PNG_IMAGE_SIZE(image), 0);
    bool ok = png_image_finish_read(&image, nullptr, out.bytes.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    uint8_t At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height ? pixels[static_cast<size_t>(y) * width + x] : 255;
    }
    bool Dark(int x, int y, int threshold = 128) const { return At(x, y) < threshold; }
    long DarkCount() const {
        long n = 0;
        for (uint8_t p : pixels) n += p < 128;
        return n;
    }
};

inline bool ReadGreyPng(std::string const& path, GreyImage& out) {
    PngPixels png;
    bool const ok = ReadPng(path, PNG_FORMAT_GRAY, png);
    out = {png.width, png.height, std::move(png.bytes)};
    return ok;
}

// An RGB image: a page rasterised from a printer document (Rasterised.h) or
// read from a PNG file.
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
    long DarkCount() const {
        long n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += Dark(x, y);
        return n;
    }
};

// The dark pixels of `a` and how many of them have no darkish pixel of `b`
// within one pixel: readers anti-alias edges and resample pictures, which
// moves an edge by a pixel and greys thin strokes.
template <class A, class B>
std::pair<long, long> DarkAndUnmatched(A const& a, B const& b) {
    long dark = 0, unmatched = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            if (!a.Dark(x, y, 128)) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) near = b.Dark(x + dx, y + dy, 192);
            ++dark;
            unmatched += !near;
        }
    return {dark, unmatched};
}

inline bool ReadRgbPng(std::string const& path, RgbImage& out) {
    PngPixels png;
    bool const ok = ReadPng(path, PNG_FORMAT_RGB, png);
    out = {png.width, png.height, std::move(png.bytes)};
    return ok;
}

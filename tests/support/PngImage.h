#pragma once
// Reads a PNG file as 8-bit grey or RGB with libpng's simplified API, for
// tests that compare rendered pages.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

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
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_GRAY;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.assign(PNG_IMAGE_SIZE(image), 0);
    bool ok = png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
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
};

inline bool ReadRgbPng(std::string const& path, RgbImage& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    bool ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

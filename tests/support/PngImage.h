#pragma once
// Reads a PNG file as 8-bit grey with libpng's simplified API, for tests that
// compare rendered pages.

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

#include "render/ImagePng.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace ksdvi {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::uint32_t Key(ImagePixel const& p, bool alpha) {
    return std::uint32_t(p.r) << 24 | std::uint32_t(p.g) << 16 | std::uint32_t(p.b) << 8 | (alpha ? p.a : 255u);
}

// The image's colours when they are 256 at most (a formula: its ink at the
// levels of its edges' coverage), the see-through ones first, so that the
// transparency table stays short. A palette is what dvipng writes: a quarter
// of the bytes to compress, and zlib's level 9 is slow on long runs.
std::optional<std::vector<std::uint32_t>> Palette(std::vector<ImagePixel> const& pixels, bool alpha) {
    std::unordered_set<std::uint32_t> seen;
    for (ImagePixel const& p : pixels)
        if (seen.insert(Key(p, alpha)).second && seen.size() > 256) return std::nullopt;
    std::vector<std::uint32_t> colours(seen.begin(), seen.end());
    std::sort(colours.begin(), colours.end(), [](std::uint32_t a, std::uint32_t b) {
        return (a & 0xFF) != (b & 0xFF) ? (a & 0xFF) < (b & 0xFF) : a < b;
    });
    return colours;
}

}  // namespace

bool WriteImagePng(std::string const& path, std::vector<ImagePixel> const& pixels, int width, int height,
                   ImagePngSettings const& settings) {
    if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height)) {
        errno = EINVAL;
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        errno = ENOMEM;
        return false;
    }
    std::optional<std::vector<std::uint32_t>> const palette = Palette(pixels, settings.alpha);
    std::unordered_map<std::uint32_t, png_byte> indices;
    std::vector<png_color> colours;
    std::vector<png_byte> opacities;
    if (palette) {
        for (std::uint32_t key : *palette) {
            indices.emplace(key, png_byte(colours.size()));
            colours.push_back({png_byte(key >> 24), png_byte(key >> 16), png_byte(key >> 8)});
            if ((key & 0xFF) != 255) opacities.push_back(png_byte(key));
        }
    }
    int const channels = palette ? 1 : settings.alpha ? 4 : 3;
    std::vector<png_byte> row(size_t(width) * size_t(channels));
    // libpng reports its errors by longjmp: nothing with a destructor lives
    // between here and the calls that may jump.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (errno == 0) errno = EIO;
        return false;
    }
    png_init_io(png, file.get());
    if (settings.compression >= 0) png_set_compression_level(png, settings.compression);
    int const type = palette ? PNG_COLOR_TYPE_PALETTE : settings.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_set_PLTE(png, info, colours.data(), int(colours.size()));
        if (!opacities.empty()) png_set_tRNS(png, info, opacities.data(), int(opacities.size()), nullptr);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        ImagePixel const* in = pixels.data() + size_t(y) * size_t(width);
        png_byte* out = row.data();
        for (int x = 0; x < width; ++x) {
            if (palette) {
                *out++ = indices.find(Key(in[x], settings.alpha))->second;
                continue;
            }
            *out++ = in[x].r;
            *out++ = in[x].g;
            *out++ = in[x].b;
            if (settings.alpha) *out++ = in[x].a;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    bool const flushed = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    return std::fclose(file.release()) == 0 && flushed;
}

}  // namespace ksdvi

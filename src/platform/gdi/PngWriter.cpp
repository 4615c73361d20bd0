#include "platform/gdi/PngWriter.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <png.h>
#include <zlib.h>

namespace ksdvi::gdi {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The bytes of one row as PNG stores them: grey, or red, green and blue.
// The pointers never overlap, which lets the compiler convert many pixels at once.
void ConvertRow(const Pixel* __restrict src, png_byte* __restrict dst, int width, bool colour) {
    if (colour) {
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = png_byte(src[x] >> 16);
            dst[3 * x + 1] = png_byte(src[x] >> 8);
            dst[3 * x + 2] = png_byte(src[x]);
        }
    } else {
        for (int x = 0; x < width; ++x) dst[x] = png_byte(src[x]);
    }
}

// libpng reports errors by longjmp; keep everything with a destructor out of
// the function that calls setjmp.
bool Encode(std::FILE* file, const Surface& surface, bool colour, int level, std::vector<png_byte>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, std::clamp(level, 0, 9));
    // Pages are long runs of one colour: run-length matching is both faster and
    // smaller than the general match search on them.
    png_set_compression_strategy(png, Z_RLE);
    // Trying every row filter triples the time on page images for a few
    // per cent of size.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(surface.Width()), png_uint_32(surface.Height()), 8,
                 colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.Height(); ++y) {
        ConvertRow(surface.Row(y), row.data(), surface.Width(), colour);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WriteSurfacePng(const Surface& surface, const std::string& path, int compressionLevel) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    const bool colour = surface.HasColour();
    std::vector<png_byte> row(std::size_t(surface.Width()) * (colour ? 3 : 1));
    if (!Encode(file.get(), surface, colour, compressionLevel, row)) return false;
    return std::fflush(file.get()) == 0;
}

}  // namespace ksdvi::gdi

#include "render/ImagePng.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace ksdvi {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

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
    int const channels = settings.alpha ? 4 : 3;
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
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 settings.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        ImagePixel const* in = pixels.data() + size_t(y) * size_t(width);
        png_byte* out = row.data();
        for (int x = 0; x < width; ++x) {
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

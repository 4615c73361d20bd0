#include "platform/png/PngLib.h"

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/gdi/Types.h"

namespace {

void ReadStream(png_structp png, png_bytep data, std::size_t length) {
    auto* stream = static_cast<std::istream*>(png_get_io_ptr(png));
    bool ok = false;
    try {
        ok = stream && stream->read(reinterpret_cast<char*>(data), std::streamsize(length)) &&
             std::size_t(stream->gcount()) == length;
    } catch (...) {
        ok = false;
    }
    if (!ok) png_error(png, "the stream ended early");
}

}  // namespace

void png_init_istream(png_structp png, std::istream* stream) { png_set_read_fn(png, stream, ReadStream); }

namespace ksdvi::png {

namespace {

constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;
constexpr std::uint64_t kMaxDibBytes = std::uint64_t(1) << 30;
constexpr png_uint_32 kMaxSide = 1u << 17;
constexpr png_uint_32 kDefaultDensity = 3780;  // pixels per metre: 96 dpi

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// What the decoding works on; it lives in the caller's frame, so that a
// longjmp back into Decode leaves nothing undestroyed or indeterminate.
struct PngRead {
    std::istream* stream;
    std::vector<unsigned char> dib;
    std::vector<png_bytep> rows;
};

png_uint_32 Density(png_uint_32 v) { return v > 0 && v <= 0x7FFFFFFF ? v : kDefaultDensity; }

bool Decode(png_structp png, png_infop info, PngRead* r) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_istream(png, r->stream);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int color = png_get_color_type(png, info);
    if (std::uint64_t(width) * height > kMaxPixels) return false;

    // The order of these is the picture's meaning: keep it.
    png_set_expand(png);
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    if (color == PNG_COLOR_TYPE_GRAY || color == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_color_16p background = nullptr;
    if (png_get_bKGD(png, info, &background) && background) {
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        png_color_16 white{0, 65535, 65535, 65535, 65535};
        png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    double fileGamma = 0;
    if (!png_get_gAMA(png, info, &fileGamma)) fileGamma = 0.45455;
    png_set_gamma(png, 2.2, fileGamma);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != 3 || png_get_bit_depth(png, info) != 8) return false;

    const std::uint64_t stride = (3 * std::uint64_t(width) + 3) / 4 * 4;
    const std::uint64_t total = sizeof(ksdvi::gdi::BITMAPINFOHEADER) + stride * height;
    if (total > kMaxDibBytes || png_get_rowbytes(png, info) > stride) return false;
    r->dib.assign(std::size_t(total), 0);
    r->rows.resize(height);
    unsigned char* bits = r->dib.data() + sizeof(ksdvi::gdi::BITMAPINFOHEADER);
    for (png_uint_32 i = 0; i < height; ++i) r->rows[i] = bits + std::size_t(height - 1 - i) * std::size_t(stride);
    png_read_image(png, r->rows.data());
    png_read_end(png, nullptr);

    ksdvi::gdi::BITMAPINFOHEADER h;
    h.biWidth = ksdvi::gdi::LONG(width);
    h.biHeight = ksdvi::gdi::LONG(height);
    h.biBitCount = 24;
    h.biSizeImage = ksdvi::gdi::DWORD(stride * height);
    h.biXPelsPerMeter = ksdvi::gdi::LONG(Density(png_get_x_pixels_per_meter(png, info)));
    h.biYPelsPerMeter = ksdvi::gdi::LONG(Density(png_get_y_pixels_per_meter(png, info)));
    std::memcpy(r->dib.data(), &h, sizeof h);
    return true;
}

}  // namespace

std::vector<unsigned char> ReadPngDib(std::istream& stream) {
    PngRead r{&stream, {}, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (info) {
        try {
            ok = Decode(png, info, &r);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!ok) return {};
    return std::move(r.dib);
}

}  // namespace ksdvi::png

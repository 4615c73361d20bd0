#include "platform/png/PngLib.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/gdi/DibReducer.h"
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
    const gdi::DecodeBounds* bounds;
    std::vector<unsigned char> dib;
    std::vector<png_bytep> rows;
    // A picture shown at half its size or less: its rows one at a time, averaged.
    std::vector<unsigned char> row;
    gdi::DibReducer reducer;
    gdi::DecodeResult result = gdi::DecodeResult::Damaged;
};

png_uint_32 Density(png_uint_32 v) { return v > 0 && v <= 0x7FFFFFFF ? v : kDefaultDensity; }

void Refuse(png_structp png, PngRead* r, gdi::DecodeResult why) {
    r->result = why;
    png_longjmp(png, 1);
}

bool Decode(png_structp png, png_infop info, PngRead* r) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_istream(png, r->stream);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int color = png_get_color_type(png, info);
    if (std::uint64_t(width) * height > kMaxPixels) Refuse(png, r, gdi::DecodeResult::TooManyPixels);
    const png_uint_32 xDensity = png_get_x_pixels_per_meter(png, info);
    const png_uint_32 yDensity = png_get_y_pixels_per_meter(png, info);
    const gdi::SIZE shown =
        r->bounds->ShownAt({int(width), int(height), gdi::LONG(xDensity <= 0x7FFFFFFF ? xDensity : 0),
                            gdi::LONG(yDensity <= 0x7FFFFFFF ? yDensity : 0)});
    // A picture with transparency keeps it, as PDF readers show it over
    // what lies beneath (a 32-bit DIB, alpha in each pixel's fourth byte),
    // at its own size.
    const bool alpha = (color & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const int factorX = alpha ? 1 : gdi::DibReducer::Factor(int(width), shown.cx);
    const int factorY = alpha ? 1 : gdi::DibReducer::Factor(int(height), shown.cy);
    const bool reduce = factorX > 1 || factorY > 1;
    // Greys are averaged as they are and made RGB at the end.
    const bool grey = color == PNG_COLOR_TYPE_GRAY || color == PNG_COLOR_TYPE_GRAY_ALPHA;
    const int channels = alpha ? 4 : reduce && grey ? 1 : 3;

    // The order of these is the picture's meaning: keep it.
    png_set_expand(png);
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    if (grey && channels >= 3) png_set_gray_to_rgb(png);
    png_color_16p background = nullptr;
    if (!alpha && png_get_bKGD(png, info, &background) && background) {
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else if (!alpha) {
        png_color_16 white{0, 65535, 65535, 65535, 65535};
        png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    double fileGamma = 0;
    if (!png_get_gAMA(png, info, &fileGamma)) fileGamma = 0.45455;
    png_set_gamma(png, 2.2, fileGamma);
    png_set_bgr(png);
    // A reduction takes the passes of an interlaced file as they come.
    const int passes = reduce ? 1 : png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != channels || png_get_bit_depth(png, info) != 8) return false;
    const std::uint64_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != std::uint64_t(channels) * width) return false;

    if (reduce) {
        if (gdi::DibReducer::BytesFor(int(width), int(height), factorX, factorY) + rowBytes > r->bounds->bytes)
            Refuse(png, r, gdi::DecodeResult::TooLarge);
        r->reducer.Start(int(width), int(height), factorX, factorY, channels);
        r->row.resize(std::size_t(rowBytes));
        const bool adam7 = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
        for (int pass = 0; pass < (adam7 ? 7 : 1); ++pass) {
            // The pass's own rows and columns; libpng skips empty passes too.
            const png_uint_32 columns = adam7 ? PNG_PASS_COLS(width, pass) : width;
            const png_uint_32 rows = adam7 ? PNG_PASS_ROWS(height, pass) : height;
            if (columns == 0 || rows == 0) continue;
            const int x0 = adam7 ? PNG_PASS_START_COL(pass) : 0, xStep = adam7 ? PNG_PASS_COL_OFFSET(pass) : 1;
            const int y0 = adam7 ? PNG_PASS_START_ROW(pass) : 0, yStep = adam7 ? PNG_PASS_ROW_OFFSET(pass) : 1;
            for (png_uint_32 i = 0; i < rows; ++i) {
                if (r->bounds->Expired()) Refuse(png, r, gdi::DecodeResult::TooSlow);
                png_read_row(png, r->row.data(), nullptr);
                r->reducer.Add(y0 + int(i) * yStep, x0, xStep, r->row.data(), int(columns));
            }
        }
        png_read_end(png, nullptr);
        r->dib = r->reducer.Finish(gdi::LONG(std::max<png_uint_32>(Density(xDensity) / png_uint_32(factorX), 1)),
                                   gdi::LONG(std::max<png_uint_32>(Density(yDensity) / png_uint_32(factorY), 1)));
        return true;
    }

    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    const std::uint64_t total = sizeof(ksdvi::gdi::BITMAPINFOHEADER) + stride * height;
    if (total > kMaxDibBytes) Refuse(png, r, gdi::DecodeResult::TooManyPixels);
    if (total + sizeof(png_bytep) * std::uint64_t(height) > r->bounds->bytes)
        Refuse(png, r, gdi::DecodeResult::TooLarge);
    r->dib.assign(std::size_t(total), 0);
    r->rows.resize(height);
    unsigned char* bits = r->dib.data() + sizeof(ksdvi::gdi::BITMAPINFOHEADER);
    for (png_uint_32 i = 0; i < height; ++i) r->rows[i] = bits + std::size_t(height - 1 - i) * std::size_t(stride);
    // As png_read_image reads, with the deadline looked at between rows.
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 i = 0; i < height; ++i) {
            if (r->bounds->Expired()) Refuse(png, r, gdi::DecodeResult::TooSlow);
            png_read_row(png, r->rows[i], nullptr);
        }
    }
    png_read_end(png, nullptr);

    ksdvi::gdi::BITMAPINFOHEADER h;
    h.biWidth = ksdvi::gdi::LONG(width);
    h.biHeight = ksdvi::gdi::LONG(height);
    h.biBitCount = ksdvi::gdi::WORD(8 * channels);
    h.biSizeImage = ksdvi::gdi::DWORD(stride * height);
    h.biXPelsPerMeter = ksdvi::gdi::LONG(Density(xDensity));
    h.biYPelsPerMeter = ksdvi::gdi::LONG(Density(yDensity));
    std::memcpy(r->dib.data(), &h, sizeof h);
    return true;
}

}  // namespace

gdi::DecodeResult DecodePng(std::istream& stream, const gdi::DecodeBounds& bounds, std::vector<unsigned char>& dib) {
    dib.clear();
    PngRead r{&stream, &bounds, {}, {}, {}, {}, gdi::DecodeResult::Damaged};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return gdi::DecodeResult::TooLarge;
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    r.result = info ? gdi::DecodeResult::Damaged : gdi::DecodeResult::TooLarge;
    if (info) {
        try {
            ok = Decode(png, info, &r);
        } catch (const std::bad_alloc&) {
            r.result = gdi::DecodeResult::TooLarge;
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!ok) return r.result;
    dib = std::move(r.dib);
    return gdi::DecodeResult::Decoded;
}

std::vector<unsigned char> ReadPngDib(std::istream& stream) {
    std::vector<unsigned char> dib;
    DecodePng(stream, {}, dib);
    return dib;
}

}  // namespace ksdvi::png

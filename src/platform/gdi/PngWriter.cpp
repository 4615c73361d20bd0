#include "platform/gdi/PngWriter.h"

#include <algorithm>

#include <png.h>
#include <zlib.h>

namespace ksdvi::gdi {

namespace {

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

// libpng reports errors by longjmp: the functions below that call it set
// their jump point first and hold nothing with a destructor.
bool StartImage(png_structp png, png_infop info, std::FILE* file, int width, int height, bool colour, int level) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_compression_level(png, std::clamp(level, 0, 9));
    // Pages are long runs of one colour: run-length matching is both faster and
    // smaller than the general match search on them.
    png_set_compression_strategy(png, Z_RLE);
    // Trying every row filter triples the time on page images for a few
    // per cent of size.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    return true;
}

bool PutRows(png_structp png, const Surface& surface, int rows, png_byte* row, bool colour) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int y = 0; y < rows; ++y) {
        ConvertRow(surface.Row(y), row, surface.Width(), colour);
        png_write_row(png, row);
    }
    return true;
}

bool EndImage(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, info);
    return true;
}

}  // namespace

PngRowWriter::~PngRowWriter() {
    if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
}

bool PngRowWriter::Fail() {
    if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
    png_ = nullptr;
    info_ = nullptr;
    file_.reset();
    return false;
}

bool PngRowWriter::Open(const std::string& path, int width, int height, bool colour, int compressionLevel) {
    Fail();
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_ || width <= 0 || height <= 0) return Fail();
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    info_ = png_ ? png_create_info_struct(png_) : nullptr;
    if (!info_) return Fail();
    width_ = width;
    rowsLeft_ = height;
    colour_ = colour;
    row_.assign(std::size_t(width) * (colour ? 3 : 1), 0);
    return StartImage(png_, info_, file_.get(), width, height, colour, compressionLevel) || Fail();
}

bool PngRowWriter::WriteRows(const Surface& surface, int rows) {
    if (!png_ || surface.Width() != width_ || rows < 0 || rows > std::min(rowsLeft_, surface.Height())) return Fail();
    rowsLeft_ -= rows;
    return PutRows(png_, surface, rows, row_.data(), colour_) || Fail();
}

bool PngRowWriter::Close() {
    if (!png_ || rowsLeft_ != 0 || !EndImage(png_, info_)) return Fail();
    png_destroy_write_struct(&png_, &info_);
    png_ = nullptr;
    info_ = nullptr;
    const bool flushed = std::fflush(file_.get()) == 0;
    file_.reset();
    return flushed;
}

bool WriteSurfacePng(const Surface& surface, const std::string& path, int compressionLevel) {
    PngRowWriter writer;
    return writer.Open(path, surface.Width(), surface.Height(), surface.HasColour(), compressionLevel) &&
           writer.WriteRows(surface, surface.Height()) && writer.Close();
}

}  // namespace ksdvi::gdi

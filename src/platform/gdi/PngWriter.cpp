#include "platform/gdi/PngWriter.h"

#include <algorithm>
#include <cstring>

#include <libdeflate.h>

namespace ksdvi::gdi {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Compressed bytes gathered before they are written as one IDAT chunk.
constexpr std::size_t kChunkBytes = std::size_t(1) << 20;

void PutBigEndian(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = std::uint8_t(value >> (24 - 8 * i));
}

// Pixels [from, to) of a surface row as PNG stores them: grey, or red, green
// and blue. The pointers never overlap, which lets the compiler convert many
// pixels at once.
void ConvertPixels(const Pixel* __restrict src, std::uint8_t* __restrict dst, int from, int to, bool colour) {
    if (colour) {
        for (int x = from; x < to; ++x) {
            dst[3 * x] = std::uint8_t(src[x] >> 16);
            dst[3 * x + 1] = std::uint8_t(src[x] >> 8);
            dst[3 * x + 2] = std::uint8_t(src[x]);
        }
    } else {
        for (int x = from; x < to; ++x) dst[x] = std::uint8_t(src[x]);
    }
}

// Pixels [from, to) of the row in the surface's fill, which needs no reading.
void FillPixels(Pixel fill, std::uint8_t* dst, int from, int to, bool colour) {
    if (!colour) {
        std::fill(dst + from, dst + to, std::uint8_t(fill));
        return;
    }
    for (int x = from; x < to; ++x) {
        dst[3 * x] = std::uint8_t(fill >> 16);
        dst[3 * x + 1] = std::uint8_t(fill >> 8);
        dst[3 * x + 2] = std::uint8_t(fill);
    }
}

}  // namespace

bool PutPngChunk(std::FILE* file, const char* type, const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8], tail[4];
    PutBigEndian(head, std::uint32_t(size));
    std::memcpy(head + 4, type, 4);
    std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    // IEND has no data: its null pointer would restart the sum, and fwrite must not see it.
    if (size) crc = libdeflate_crc32(crc, data, size);
    PutBigEndian(tail, crc);
    return std::fwrite(head, 1, 8, file) == 8 && (!size || std::fwrite(data, 1, size, file) == size) &&
           std::fwrite(tail, 1, 4, file) == 4;
}

bool PutPngHeader(std::FILE* file, int width, int height, int colourType) {
    std::uint8_t header[13] = {};
    PutBigEndian(header, std::uint32_t(width));
    PutBigEndian(header + 4, std::uint32_t(height));
    header[8] = 8;                         // bits per sample
    header[9] = std::uint8_t(colourType);  // compression, filter and interlace 0
    return std::fwrite(kSignature, 1, sizeof kSignature, file) == sizeof kSignature &&
           PutPngChunk(file, "IHDR", header, sizeof header);
}

bool PngRowWriter::Fail() {
    file_.reset();
    return false;
}

bool PngRowWriter::PutImageData() {
    const bool written = PutPngChunk(file_.get(), "IDAT", deflate_.Output(), deflate_.OutputSize());
    deflate_.Drop();
    return written;
}

bool PngRowWriter::Open(const std::string& path, int width, int height, bool colour) {
    Fail();
    if (width <= 0 || height <= 0) return false;
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) return false;
    width_ = width;
    rowsLeft_ = height;
    colour_ = colour;
    row_.assign(1 + std::size_t(width) * (colour ? 3 : 1), 0);  // filter byte 0: none
    deflate_.Start(colour ? 3 : 1);
    if (!PutPngHeader(file_.get(), width, height, colour ? 2 : 0)) return Fail();
    return true;
}

bool PngRowWriter::WriteRows(const Surface& surface, int rows) {
    if (!file_ || surface.Width() != width_ || rows < 0 || rows > std::min(rowsLeft_, surface.Height())) return Fail();
    rowsLeft_ -= rows;
    std::uint8_t* pixels = row_.data() + 1;
    for (int y = 0; y < rows; ++y) {
        const Surface::Span t = surface.Touched(y);
        const int left = std::min(t.left, width_), right = std::max(left, std::min(t.right, width_));
        FillPixels(surface.FillPixel(), pixels, 0, left, colour_);
        ConvertPixels(surface.Row(y), pixels, left, right, colour_);
        FillPixels(surface.FillPixel(), pixels, right, width_, colour_);
        deflate_.AddRow(row_.data(), row_.size());
        if (deflate_.OutputSize() >= kChunkBytes && !PutImageData()) return Fail();
    }
    return true;
}

bool PngRowWriter::Close() {
    if (!file_ || rowsLeft_ != 0) return Fail();
    deflate_.Finish();
    if (!PutImageData() || !PutPngChunk(file_.get(), "IEND", nullptr, 0)) return Fail();
    // fclose reports what a full disk did to the last writes.
    return std::fclose(file_.release()) == 0;
}

bool WriteSurfacePng(const Surface& surface, const std::string& path, PngRowWriter& writer) {
    return writer.Open(path, surface.Width(), surface.Height(), surface.HasColour()) &&
           writer.WriteRows(surface, surface.Height()) && writer.Close();
}

bool WriteSurfacePng(const Surface& surface, const std::string& path) {
    PngRowWriter writer;
    return WriteSurfacePng(surface, path, writer);
}

}  // namespace ksdvi::gdi

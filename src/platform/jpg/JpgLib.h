#pragma once
// Raster picture files decoded to packed DIBs: a BITMAPINFOHEADER (biSize 40),
// the colour table of a paletted image, then the rows bottom-up, each padded to
// four bytes, as DibView::FromPacked takes them.
//
// Each format has a pair of calls: check_*_size says how many bytes the DIB
// will take (0 for a file that cannot be decoded), and the decoder fills a
// buffer of at least that size, returning a value above 0 on success and 0 on
// failure. Damaged files fail; nothing is read outside `file`, and sizes are
// capped (kMaxPixels, kMaxDibBytes) so that a header cannot make anyone
// allocate without bound.
//
// Each format also has a bounded decoder (Decode*), which decodes a picture
// shown smaller than its own size to a smaller DIB (JPEG by the library's DCT
// scaling, the others by averaging blocks of pixels into 24 bits; see
// gdi::DibReducer), holds its memory to the bounds' bytes and stops at their
// deadline. The DIB is exactly the picture's when it is shown at its own size
// or larger.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/DecodeBounds.h"

namespace ksdvi::jpg {

inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;
inline constexpr std::uint64_t kMaxDibBytes = std::uint64_t(1) << 30;

// JPEG: 24-bit BGR. Greyscale files give 8 bits with a grey palette; CMYK and
// YCCK files are converted to RGB. A file whose data ends before the last row
// fails.
std::size_t check_dib_size(const unsigned char* file, std::size_t fileSize);
int Jpg2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize);
// The smallest of 1/8, 2/8, ... 8/8 of the picture's size that covers what
// is shown (both sides). Progressive files need whole-image buffers the size
// of the file's own pixels: they count against the bytes.
gdi::DecodeResult DecodeJpg(const unsigned char* file, std::size_t fileSize, const gdi::DecodeBounds& bounds,
                            std::vector<unsigned char>& dib);

// GIF: the first image of the file, at its own size (the logical screen and
// the image's place in it are not used), 8 bits with a 256-entry palette;
// interlaced images are put in order and the transparent colour is white.
std::size_t check_gif_size(const unsigned char* file, std::size_t fileSize);
int Gif2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize);
gdi::DecodeResult DecodeGif(const unsigned char* file, std::size_t fileSize, const gdi::DecodeBounds& bounds,
                            std::vector<unsigned char>& dib);

// BMP: the file's own DIB (any depth and header GDI reads, uncompressed or bit
// fields) moved into one aligned block, because the header in a file sits at
// byte 14, which no BITMAPINFOHEADER may be read at. The signature, the offset
// of the bits and the rows are checked against the file.
std::size_t check_bmp_size(const unsigned char* file, std::size_t fileSize);
int Bmp2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize);
gdi::DecodeResult DecodeBmp(const unsigned char* file, std::size_t fileSize, const gdi::DecodeBounds& bounds,
                            std::vector<unsigned char>& dib);

}  // namespace ksdvi::jpg

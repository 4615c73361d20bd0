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

#include <cstddef>
#include <cstdint>

namespace ksdvi::jpg {

inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;
inline constexpr std::uint64_t kMaxDibBytes = std::uint64_t(1) << 30;

// JPEG: 24-bit BGR. Greyscale files give 8 bits with a grey palette; CMYK and
// YCCK files are converted to RGB. A file whose data ends before the last row
// fails.
std::size_t check_dib_size(const unsigned char* file, std::size_t fileSize);
int Jpg2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize);

// GIF: the first image of the file, at its own size (the logical screen and
// the image's place in it are not used), 8 bits with a 256-entry palette;
// interlaced images are put in order and the transparent colour is white.
std::size_t check_gif_size(const unsigned char* file, std::size_t fileSize);
int Gif2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize);

// BMP: the file's own DIB (any depth and header GDI reads, uncompressed or bit
// fields) moved into one aligned block, because the header in a file sits at
// byte 14, which no BITMAPINFOHEADER may be read at. The signature, the offset
// of the bits and the rows are checked against the file.
std::size_t check_bmp_size(const unsigned char* file, std::size_t fileSize);
int Bmp2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize);

}  // namespace ksdvi::jpg

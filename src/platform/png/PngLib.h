#pragma once
// libpng reading from C++ streams, and PNG pictures decoded to packed DIBs.

#include <png.h>

#include <istream>
#include <vector>

#include "platform/gdi/DecodeBounds.h"

// Makes libpng read from `stream`. A read that comes back short (or throws)
// raises a libpng error, which ends at the caller's setjmp.
void png_init_istream(png_structp png, std::istream* stream);

namespace ksdvi::png {

// A whole PNG read from the stream's position (its signature included) as a
// packed DIB: a BITMAPINFOHEADER (biSize 40, 24 bits, biX/YPelsPerMeter from
// the pHYs chunk, 3780 when there is none) and BGR rows bottom-up, each
// padded to four bytes. Every file gives 24-bit RGB: palettes and grey are
// expanded, 16-bit samples cut to 8, alpha composited on the file's bKGD
// colour or on white, gamma corrected for a 2.2 screen from the file's gAMA
// (0.45455 without one). Empty when the file cannot be read, or is larger than
// 2^28 pixels or 1 GiB of DIB. Nothing is printed.
std::vector<unsigned char> ReadPngDib(std::istream& stream);

// The same within `bounds`, read row by row: a picture shown at half its size
// or less is averaged over blocks of pixels as its rows come (see
// gdi::DibReducer), so that memory follows what is shown; its header's pixels
// per metre are divided by the blocks' sides. `dib` is empty unless Decoded.
gdi::DecodeResult DecodePng(std::istream& stream, const gdi::DecodeBounds& bounds, std::vector<unsigned char>& dib);

}  // namespace ksdvi::png

// Device-independent bitmaps as GDI receives them: a BITMAPINFOHEADER (or
// the 12-byte core header), a colour table and the bits, rows bottom-up when
// the height is positive. Everything is checked against the bytes at hand.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/gdi/Surface.h"
#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class DibView {
public:
    // Header, colour table and bits in one block of `size` bytes.
    static bool FromPacked(const BYTE* data, std::size_t size, DibView& out);
    // Header and colour table at `info`, bits elsewhere. The sizes are those the
    // header states; `bitsSize` limits the bits when the caller knows it.
    static bool FromInfo(const BITMAPINFO* info, const void* bits, std::size_t bitsSize, DibView& out);

    // The same DIB with only `scans` rows, held at `bits`: the band that
    // SetDIBitsToDevice receives.
    bool Band(int scans, const void* bits, DibView& out) const;

    int Width() const { return width_; }
    int Height() const { return height_; }  // rows, always positive
    bool TopDown() const { return topDown_; }
    // The first row, from the top of the image, of a source rectangle `sy`
    // and `sh` rows high as StretchDIBits counts it: a bottom-up DIB counts
    // from its last row.
    int SourceTop(int sy, int sh) const { return topDown_ ? sy : height_ - (sy + sh); }
    int BitCount() const { return bitCount_; }

    // Decodes the rows and columns of the rectangle (x, y, w, h), y counted
    // from the top of the image, to a BGRX surface. DIB_PAL_COLORS tables hold
    // indices into `palette`. Null when nothing can be decoded.
    std::shared_ptr<Surface> Decode(UINT usage, const std::vector<PALETTEENTRY>* palette, int x = 0, int y = 0,
                                    int w = -1, int h = -1) const;

    // The fourth bytes of a 32-bit DIB without bit fields (a picture's
    // alpha, where the caller knows it holds one) of the rectangle, row by
    // row from the top; empty for other DIBs.
    std::vector<BYTE> Alphas(int x, int y, int w, int h) const;

private:
    static bool Parse(const BYTE* header, std::size_t headerSpace, DibView& out);

    int width_ = 0;
    int height_ = 0;
    bool topDown_ = false;
    int bitCount_ = 0;
    DWORD compression_ = BI_RGB;
    bool coreHeader_ = false;
    DWORD masks_[3] = {0, 0, 0};
    const BYTE* colorTable_ = nullptr;
    std::size_t colorCount_ = 0;
    std::size_t headerBytes_ = 0;  // header and colour table
    const BYTE* bits_ = nullptr;
    std::size_t stride_ = 0;
};

// Bytes in one row of a DIB of this width and depth (rows are DWORD aligned).
std::size_t DibStride(int width, int bitCount);

}  // namespace ksdvi::gdi

// CDIB: a device-independent bitmap held in memory, with its header, colour
// table and Windows palette, that draws itself on a device context.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/gdi/Palette.h"
#include "platform/gdi/Types.h"

namespace ksdvi::gdi {
class CDC;
}

class CDIB {
public:
    using BYTE = ksdvi::gdi::BYTE;
    using HDC = ksdvi::gdi::CDC*;
    using BITMAPINFOHEADER = ksdvi::gdi::BITMAPINFOHEADER;
    using RGBQUAD = ksdvi::gdi::RGBQUAD;

    CDIB();
    virtual ~CDIB();
    CDIB(CDIB const&) = delete;
    CDIB& operator=(CDIB const&) = delete;

    // Draws the bitmap unscaled with its top left corner at (x, y); an invalid
    // bitmap greys the clip box, a device that cannot take DIBs gets a note.
    void DrawOnDevice(HDC dc, int x, int y);

    bool IsValid() const { return valid_; }
    BITMAPINFOHEADER const& GetHeader() const { return header_; }
    unsigned int GetStride() const { return stride_; }
    int GetColourCount() const { return colours_; }
    RGBQUAD const* GetColours() const { return paletteCopy_.data(); }
    BYTE const* GetBits() const { return bits_.data(); }

protected:
    // Understands the header memory: fields, colour count and palette.
    // False for a header that cannot describe a bitmap.
    bool ParseHeader();
    // The Windows palette of the palette copy's first colours_ entries.
    void MakePalette();
    static unsigned int StrideOf(long width, unsigned bitCount);

    std::vector<BYTE> headerMemory_;  // info header and colour table as read
    std::size_t colourTable_ = 0;     // where the colour table starts in it
    std::vector<BYTE> bits_;
    BITMAPINFOHEADER header_;
    std::array<RGBQUAD, 256> paletteCopy_{};
    unsigned int stride_ = 0;
    bool coreHeader_ = false;
    bool valid_ = false;
    int colours_ = 0;
    std::unique_ptr<ksdvi::gdi::CPalette> palette_;
};

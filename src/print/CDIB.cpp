#include "print/CDIB.h"

#include <cstdint>
#include <cstring>

#include "platform/gdi/Win32Api.h"

namespace gdi = ksdvi::gdi;

namespace {

unsigned Le16(gdi::BYTE const* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
std::uint32_t Le32(gdi::BYTE const* p) { return std::uint32_t(Le16(p)) | std::uint32_t(Le16(p + 2)) << 16; }

}  // namespace

CDIB::CDIB() = default;
CDIB::~CDIB() = default;

unsigned int CDIB::StrideOf(long width, unsigned bitCount) {
    return static_cast<unsigned int>(((static_cast<unsigned long>(width) * bitCount + 31) / 32) * 4);
}

bool CDIB::ParseHeader() {
    valid_ = false;
    colours_ = 0;
    palette_.reset();
    BYTE const* h = headerMemory_.data();
    std::size_t const size = headerMemory_.size();
    if (size < 12) return false;
    std::uint32_t const headerSize = Le32(h);
    coreHeader_ = headerSize <= 12;
    header_ = BITMAPINFOHEADER{};
    if (coreHeader_) {
        if (headerSize != 12) return false;
        header_.biWidth = static_cast<gdi::LONG>(Le16(h + 4));
        header_.biHeight = static_cast<gdi::LONG>(Le16(h + 6));
        header_.biPlanes = static_cast<gdi::WORD>(Le16(h + 8));
        header_.biBitCount = static_cast<gdi::WORD>(Le16(h + 10));
        header_.biXPelsPerMeter = header_.biYPelsPerMeter = 72;
        colourTable_ = 12;
    } else {
        if (headerSize < 40 || size < headerSize) return false;
        header_.biWidth = static_cast<gdi::LONG>(Le32(h + 4));
        header_.biHeight = static_cast<gdi::LONG>(Le32(h + 8));
        header_.biPlanes = static_cast<gdi::WORD>(Le16(h + 12));
        header_.biBitCount = static_cast<gdi::WORD>(Le16(h + 14));
        header_.biCompression = Le32(h + 16);
        header_.biSizeImage = Le32(h + 20);
        header_.biXPelsPerMeter = static_cast<gdi::LONG>(Le32(h + 24));
        header_.biYPelsPerMeter = static_cast<gdi::LONG>(Le32(h + 28));
        header_.biClrUsed = Le32(h + 32);
        header_.biClrImportant = Le32(h + 36);
        // Longer headers (V4, V5) hold more fields before the table.
        colourTable_ = headerSize;
    }
    header_.biSize = 40;
    unsigned const bits = header_.biBitCount;
    // Lines arrive bottom-up, as the file stores them: top-down files are refused.
    if (header_.biPlanes != 1 || header_.biWidth <= 0 || header_.biHeight <= 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;

    std::size_t tableBytes = 0;
    std::size_t const entry = coreHeader_ ? 3 : 4;
    if (bits <= 8) {
        colours_ = 1 << bits;
        if (!coreHeader_ && header_.biClrUsed != 0) {
            if (header_.biClrUsed > unsigned(colours_)) return false;
            colours_ = static_cast<int>(header_.biClrUsed);
        }
        tableBytes = std::size_t(colours_) * entry;
    } else if ((bits == 16 || bits == 32) && header_.biCompression == gdi::BI_BITFIELDS && !coreHeader_ &&
               headerSize == 40) {
        tableBytes = 12;
    }
    // A colour table that does not fit before the pixels is too short.
    if (colourTable_ + tableBytes > size) return false;
    stride_ = StrideOf(header_.biWidth, bits);

    paletteCopy_.fill(RGBQUAD{});
    for (int i = 0; i < colours_; ++i) {
        BYTE const* e = h + colourTable_ + std::size_t(i) * entry;
        paletteCopy_[std::size_t(i)] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    MakePalette();
    valid_ = true;
    return true;
}

void CDIB::MakePalette() {
    palette_.reset();
    if (colours_ <= 0) return;
    std::vector<gdi::PALETTEENTRY> entries;
    for (int i = 0; i < colours_; ++i) {
        RGBQUAD const& q = paletteCopy_[std::size_t(i)];
        entries.push_back(gdi::PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
    }
    palette_ = std::make_unique<gdi::CPalette>();
    palette_->AdoptEntries(std::move(entries));
}

void CDIB::DrawOnDevice(HDC dc, int x, int y) {
    if (!dc) return;
    if (!valid_) {
        gdi::RECT box;
        gdi::GetClipBox(dc, &box);
        gdi::FillRect(dc, &box, static_cast<gdi::CBrush*>(gdi::GetStockObject(gdi::LTGRAY_BRUSH)));
        return;
    }
    int const caps = gdi::GetDeviceCaps(dc, gdi::RASTERCAPS);
    if (!(caps & gdi::RC_STRETCHDIB)) {
        static char const message[] = "Device doesn't support StretchDIBits";
        gdi::TextOutA(dc, 10, 10, message, int(sizeof message - 1));
        return;
    }
    int const width = static_cast<int>(header_.biWidth), height = static_cast<int>(header_.biHeight);
    // The header and a colour table of RGB colours or of palette indices.
    bool const byIndex = (caps & gdi::RC_PALETTE) && palette_ && colours_ > 0;
    std::size_t const entrySize = byIndex ? sizeof(gdi::WORD) : sizeof(RGBQUAD);
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + std::size_t(colours_) * entrySize + 12);
    BITMAPINFOHEADER header = header_;
    header.biSize = 40;
    header.biClrUsed = header.biClrImportant = static_cast<gdi::DWORD>(colours_);
    if (byIndex) {
        header.biPlanes = 1;
        header.biCompression = gdi::BI_RGB;
        header.biSizeImage = 0;
    }
    std::memcpy(info.data(), &header, sizeof header);
    BYTE* table = info.data() + sizeof header;
    for (int i = 0; i < colours_; ++i) {
        if (byIndex) {
            gdi::WORD const index = static_cast<gdi::WORD>(i);
            std::memcpy(table + std::size_t(i) * entrySize, &index, entrySize);
        } else {
            std::memcpy(table + std::size_t(i) * entrySize, &paletteCopy_[std::size_t(i)], entrySize);
        }
    }
    if (colours_ == 0 && header.biCompression == gdi::BI_BITFIELDS)
        std::memcpy(table, headerMemory_.data() + colourTable_, 12);
    auto const* bitmapInfo = reinterpret_cast<gdi::BITMAPINFO const*>(info.data());

    if (byIndex) {
        gdi::HPALETTE const previous = gdi::SelectPalette(dc, palette_.get(), gdi::FALSE);
        gdi::RealizePalette(dc);
        gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
        gdi::StretchDIBits(dc, x, y, width, height, 0, 0, width, height, bits_.data(), bitmapInfo, gdi::DIB_PAL_COLORS,
                           gdi::SRCCOPY);
        gdi::SelectPalette(dc, previous, gdi::FALSE);
        return;
    }
    if (!(caps & gdi::RC_DIBTODEV)) {
        static char const message[] = "Device doesn't support SetDIBitsToDevice";
        gdi::TextOutA(dc, 10, 10, message, int(sizeof message - 1));
    }
    gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
    gdi::StretchDIBits(dc, x, y, width, height, 0, 0, width, height, bits_.data(), bitmapInfo, gdi::DIB_RGB_COLORS,
                       gdi::SRCCOPY);
}

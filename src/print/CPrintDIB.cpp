#include "print/CPrintDIB.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/gdi/Win32Api.h"

namespace gdi = ksdvi::gdi;

namespace {

// Headers with their colour tables take about a kilobyte; a pixel offset far
// beyond that is a broken file, not a bigger header.
constexpr std::uint32_t kMaxHeaderBytes = 0x10000;
constexpr unsigned kFileHeaderBytes = 14;

// Repeats reads until `count` bytes are in or a read gives nothing.
std::size_t ReadFully(CGSFile& file, unsigned char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        unsigned int n = file.Read(buffer + got, static_cast<unsigned int>(count - got));
        if (n == 0) break;
        got += n;
    }
    return got;
}

}  // namespace

CPrintDIB::CPrintDIB() = default;
CPrintDIB::~CPrintDIB() = default;

int CPrintDIB::ReadHeader(CGSFile* file) {
    bits_ = {};
    valid_ = false;
    if (!file) return 0;
    unsigned char fileHeader[kFileHeaderBytes];
    if (ReadFully(*file, fileHeader, sizeof fileHeader) != sizeof fileHeader) return 0;
    if ((fileHeader[0] | fileHeader[1] << 8) != 0x4D42) return 0;
    std::uint32_t const offset = std::uint32_t(fileHeader[10]) | std::uint32_t(fileHeader[11]) << 8 |
                                 std::uint32_t(fileHeader[12]) << 16 | std::uint32_t(fileHeader[13]) << 24;
    if (offset < kFileHeaderBytes + 12 || offset - kFileHeaderBytes > kMaxHeaderBytes) return 0;

    headerMemory_.assign(offset - kFileHeaderBytes, 0);
    if (ReadFully(*file, headerMemory_.data(), headerMemory_.size()) != headerMemory_.size()) return 0;
    // Lines are handed over whole and uncompressed, each within one band.
    if (!ParseHeader() || stride_ > kBandBytes ||
        (header_.biCompression != gdi::BI_RGB && header_.biCompression != gdi::BI_BITFIELDS)) {
        valid_ = false;
        return 0;
    }
    // The pixel data must be all there, when the file's length can be known.
    long const here = file->Seek(0, 1), end = file->Seek(0, 2);
    if (here >= 0) file->Seek(here, 0);
    if (here >= 0 && end >= 0 &&
        (end < long(offset) ||
         std::uint64_t(end - long(offset)) < std::uint64_t(stride_) * std::uint64_t(header_.biHeight))) {
        valid_ = false;
        return 0;
    }

    saved_ = Saved{header_, paletteCopy_, colours_};
    ResetPrintLine();
    bits_.assign(kBandBytes, 0);
    GetBlackWhiteIndex();
    return 1;
}

int CPrintDIB::GetBlackWhiteIndex() {
    if (header_.biBitCount > 8) return 0;
    blackIndex_ = whiteIndex1_ = whiteIndex2_ = -1;
    whiteByte1_ = whiteByte2_ = 0;
    for (int i = 0; i < colours_; ++i) {
        RGBQUAD const& q = paletteCopy_[std::size_t(i)];
        if (q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255) {
            if (whiteIndex1_ < 0)
                whiteIndex1_ = i;
            else if (whiteIndex2_ < 0)
                whiteIndex2_ = i;
        } else if (q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0 && blackIndex_ < 0) {
            blackIndex_ = i;
        }
    }
    if (whiteIndex1_ < 0) return 0;
    if (header_.biBitCount == 1) {
        whiteByte1_ = whiteByte2_ = whiteIndex1_ != 0 ? 0xFF : 0x00;
    } else if (header_.biBitCount == 8) {
        whiteByte1_ = static_cast<unsigned char>(whiteIndex1_);
        whiteByte2_ = static_cast<unsigned char>(whiteIndex2_ >= 0 ? whiteIndex2_ : whiteIndex1_);
    }
    return 1;
}

void CPrintDIB::ResetPrintLine() {
    header_ = saved_.header;
    paletteCopy_ = saved_.palette;
    colours_ = saved_.colours;
    header_.biHeight = 0;
    used_ = 0;
    stride_ = StrideOf(header_.biWidth, header_.biBitCount);
    firstLine_ = 0;
    xOffset_ = 0;
    open_ = hasColour_ = hasGrey_ = false;
    left_ = stride_;
    right_ = 0;
}

void CPrintDIB::AddPrintLine(HDC dc, unsigned int y, unsigned char* line) {
    if (bits_.empty() || !line) return;
    if (used_ + stride_ > kBandBytes) FlushPrintBitmap(dc);
    int blank = 1;
    switch (header_.biBitCount) {
    case 1: blank = ScanForWhite(line); break;
    case 8: blank = ScanForGrey(line); break;
    case 24: blank = ScanForColour(line); break;
    default: break;  // other depths are not printed
    }
    if (blank) {
        if (open_) FlushPrintBitmap(dc);
        return;
    }
    if (!open_) firstLine_ = y;
    std::memcpy(bits_.data() + used_, line, stride_);
    ++header_.biHeight;
    used_ += stride_;
    open_ = true;
}

void CPrintDIB::Widen(unsigned int offset) {
    left_ = std::min(left_, offset);
    right_ = std::max(right_, offset);
}

int CPrintDIB::ScanForWhite(unsigned char* line) {
    if (whiteIndex1_ < 0) return 0;
    int blank = 1;
    for (unsigned int i = 0; i < stride_; ++i)
        if (line[i] != whiteByte1_) blank = 0, Widen(i);
    return blank;
}

int CPrintDIB::ScanForGrey(unsigned char* line) {
    // Without a white entry every line is drawn, and kept in its colours.
    if (whiteIndex1_ < 0) {
        hasGrey_ = true;
        return 0;
    }
    int blank = 1;
    for (unsigned int i = 0; i < unsigned(header_.biWidth); ++i) {
        unsigned char const b = line[i];
        if (b == whiteByte1_ || b == whiteByte2_) continue;
        blank = 0;
        Widen(i);
        if (int(b) != blackIndex_) hasGrey_ = true;
    }
    return blank;
}

int CPrintDIB::ScanForColour(unsigned char* line) {
    int blank = 1;
    for (unsigned int i = 0; i < unsigned(header_.biWidth); ++i) {
        unsigned char const* p = line + 3 * i;
        if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
        blank = 0;
        Widen(3 * i);
        if (p[0] || p[1] || p[2]) {
            hasGrey_ = true;
            if (p[0] != p[1] || p[1] != p[2]) hasColour_ = true;
        }
    }
    return blank;
}

void CPrintDIB::TrimBitmap() {
    xOffset_ = 0;
    if (left_ > right_) return;
    unsigned const bpp = header_.biBitCount;
    unsigned const rightEnd = bpp <= 8 ? right_ + 1 : right_ + bpp / 8;
    if (left_ == 0 && rightEnd == stride_) return;
    long const firstPixel = long(left_) * 8 / bpp, endPixel = long(rightEnd) * 8 / bpp;
    long const newWidth = std::min<long>(header_.biWidth, endPixel) - firstPixel;
    if (newWidth <= 0) return;  // only fill bytes past the last pixel
    unsigned const newStride = StrideOf(newWidth, bpp);
    unsigned const kept = std::min(newStride, stride_ - left_);
    // Lines only move towards the start, each before the next is read.
    for (long row = 0; row < header_.biHeight; ++row) {
        unsigned char* to = bits_.data() + std::size_t(row) * newStride;
        std::memmove(to, bits_.data() + std::size_t(row) * stride_ + left_, kept);
        std::memset(to + kept, 0, newStride - kept);
    }
    header_.biWidth = static_cast<gdi::LONG>(newWidth);
    stride_ = newStride;
    used_ = static_cast<unsigned>(header_.biHeight) * stride_;
    xOffset_ = static_cast<int>(firstPixel);
}

template <typename IsWhite>
void CPrintDIB::ConvertToMono(unsigned bytesPerPixel, IsWhite white) {
    unsigned const width = static_cast<unsigned>(header_.biWidth);
    unsigned const newStride = StrideOf(width, 1);
    std::vector<unsigned char> packed(newStride);
    // Each packed line is no longer than the line it comes from, and lands
    // before it.
    for (long row = 0; row < header_.biHeight; ++row) {
        unsigned char const* from = bits_.data() + std::size_t(row) * stride_;
        std::fill(packed.begin(), packed.end(), 0xFF);
        for (unsigned x = 0; x < width; ++x)
            if (!white(from + std::size_t(x) * bytesPerPixel))
                packed[x >> 3] &= static_cast<unsigned char>(~(0x80u >> (x & 7)));
        std::memcpy(bits_.data() + std::size_t(row) * newStride, packed.data(), newStride);
    }
    header_.biCompression = gdi::BI_RGB;
    stride_ = newStride;
    header_.biSizeImage = static_cast<gdi::DWORD>(header_.biHeight) * newStride;
    used_ = header_.biSizeImage;
    MakePaletteMono();
}

void CPrintDIB::ConvertGreyToMono() {
    if (header_.biBitCount != 8 || bits_.empty()) return;
    ConvertToMono(1, [this](unsigned char const* p) { return *p == whiteByte1_ || *p == whiteByte2_; });
}

void CPrintDIB::ConvertColourToMono() {
    if (header_.biBitCount != 24 || bits_.empty()) return;
    ConvertToMono(3, [](unsigned char const* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; });
}

void CPrintDIB::MakePaletteMono() {
    header_.biCompression = gdi::BI_RGB;
    header_.biBitCount = 1;
    header_.biClrUsed = header_.biClrImportant = 0;
    paletteCopy_[0] = RGBQUAD{0, 0, 0, 0};
    paletteCopy_[1] = RGBQUAD{255, 255, 255, 0};
    colours_ = 2;
    MakePalette();
}

void CPrintDIB::FlushPrintBitmap(HDC dc) {
    if (used_ == 0) {
        ResetPrintLine();
        return;
    }
    TrimBitmap();
    if (header_.biBitCount == 8 && !hasGrey_)
        ConvertGreyToMono();
    else if (header_.biBitCount == 24 && !hasGrey_ && !hasColour_)
        ConvertColourToMono();
    int const x = xOffset_ - gdi::GetDeviceCaps(dc, gdi::PHYSICALOFFSETX);
    int const y = gdi::GetDeviceCaps(dc, gdi::PHYSICALHEIGHT) - gdi::GetDeviceCaps(dc, gdi::PHYSICALOFFSETY) -
                  static_cast<int>(firstLine_) - static_cast<int>(header_.biHeight) + 1;
    DrawOnDevice(dc, x, y);
    ResetPrintLine();
    MakePalette();
}

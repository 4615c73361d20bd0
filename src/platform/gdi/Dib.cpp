#include "platform/gdi/Dib.h"

#include <algorithm>
#include <bit>

namespace ksdvi::gdi {

namespace {

DWORD Le32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD Le16(const BYTE* p) { return WORD(p[0] | p[1] << 8); }

// Scales a masked field to eight bits.
BYTE MaskedChannel(DWORD v, DWORD mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const DWORD m = mask >> shift;
    const DWORD f = (v & mask) >> shift;
    return BYTE(m ? f * 255 / m : 0);
}

}  // namespace

std::size_t DibStride(int width, int bitCount) { return ((std::size_t(width) * std::size_t(bitCount) + 31) / 32) * 4; }

bool DibView::Parse(const BYTE* h, std::size_t space, DibView& out) {
    if (!h || space < 12) return false;
    const DWORD size = Le32(h);
    long height = 0;
    int planes = 1;
    if (size == 12) {
        out.coreHeader_ = true;
        out.width_ = Le16(h + 4);
        height = std::int16_t(Le16(h + 6));
        planes = Le16(h + 8);
        out.bitCount_ = Le16(h + 10);
        out.compression_ = BI_RGB;
    } else {
        if (size < 40 || size > space) return false;
        out.width_ = std::int32_t(Le32(h + 4));
        height = std::int32_t(Le32(h + 8));
        planes = Le16(h + 12);
        out.bitCount_ = Le16(h + 14);
        out.compression_ = Le32(h + 16);
    }
    (void)planes;
    if (out.width_ <= 0 || height == 0 || height == long(INT32_MIN)) return false;
    out.topDown_ = height < 0;
    out.height_ = int(std::min<long>(std::labs(height), Surface::kMaxSide + 1L));
    if (out.width_ > Surface::kMaxSide || out.height_ > Surface::kMaxSide) return false;
    switch (out.bitCount_) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: return false;
    }
    std::size_t offset = out.coreHeader_ ? 12 : size;
    if (out.compression_ == BI_BITFIELDS) {
        if (out.bitCount_ != 16 && out.bitCount_ != 32) return false;
        if (size >= 52) {
            for (int i = 0; i < 3; ++i) out.masks_[i] = Le32(h + 40 + 4 * i);
        } else {
            if (space < offset + 12) return false;
            for (int i = 0; i < 3; ++i) out.masks_[i] = Le32(h + offset + 4 * i);
            offset += 12;
        }
    } else if (out.compression_ != BI_RGB) {
        return false;  // run-length and embedded formats are not drawn
    } else if (out.bitCount_ == 16) {
        out.masks_[0] = 0x7C00, out.masks_[1] = 0x03E0, out.masks_[2] = 0x001F;
    } else if (out.bitCount_ == 32) {
        out.masks_[0] = 0xFF0000, out.masks_[1] = 0xFF00, out.masks_[2] = 0xFF;
    }
    if (out.bitCount_ <= 8) {
        const DWORD used = out.coreHeader_ ? 0 : Le32(h + 32);
        const std::size_t full = std::size_t(1) << out.bitCount_;
        out.colorCount_ = used && used < full ? used : full;
    }
    out.colorTable_ = h + offset;
    out.headerBytes_ = offset + out.colorCount_ * (out.coreHeader_ ? 3 : 4);
    out.stride_ = DibStride(out.width_, out.bitCount_);
    return true;
}

bool DibView::FromPacked(const BYTE* data, std::size_t size, DibView& out) {
    DibView v;
    if (!Parse(data, size, v) || v.headerBytes_ > size) return false;
    v.bits_ = data + v.headerBytes_;
    if ((size - v.headerBytes_) / v.stride_ < std::size_t(v.height_)) return false;
    out = v;
    return true;
}

bool DibView::FromInfo(const BITMAPINFO* info, const void* bits, std::size_t bitsSize, DibView& out) {
    if (!info || !bits) return false;
    DibView v;
    // The caller vouches for a header followed by its colour table.
    const BYTE* header = reinterpret_cast<const BYTE*>(info);
    const std::size_t space = std::max<std::size_t>(Le32(header), 12) + 12 + 256 * 4;
    if (!Parse(header, space, v)) return false;
    if (bitsSize / v.stride_ < std::size_t(v.height_)) return false;
    v.bits_ = static_cast<const BYTE*>(bits);
    out = v;
    return true;
}

bool DibView::Band(int scans, const void* bits, DibView& out) const {
    if (!bits || scans <= 0) return false;
    out = *this;
    out.height_ = std::min(scans, height_);
    out.bits_ = static_cast<const BYTE*>(bits);
    return true;
}

std::shared_ptr<Surface> DibView::Decode(UINT usage, const std::vector<PALETTEENTRY>* palette, int x, int y, int w,
                                         int h) const {
    if (w < 0) w = width_ - x;
    if (h < 0) h = height_ - y;
    x = std::clamp(x, 0, width_);
    y = std::clamp(y, 0, height_);
    w = std::min(w, width_ - x);
    h = std::min(h, height_ - y);
    if (w <= 0 || h <= 0) return nullptr;
    std::vector<Pixel> colors(colorCount_, 0);
    for (std::size_t i = 0; i < colorCount_; ++i) {
        if (usage == DIB_PAL_COLORS) {
            const WORD index = Le16(colorTable_ + 2 * i);
            if (palette && index < palette->size()) {
                const PALETTEENTRY& e = (*palette)[index];
                colors[i] = Pixel(e.peRed) << 16 | Pixel(e.peGreen) << 8 | e.peBlue;
            }
        } else {
            const BYTE* q = colorTable_ + i * (coreHeader_ ? 3 : 4);
            colors[i] = Pixel(q[2]) << 16 | Pixel(q[1]) << 8 | q[0];
        }
    }
    auto surface = Surface::Create(w, h, false);
    if (!surface) return nullptr;
    if (bitCount_ > 8) surface->NoteColour();
    for (const Pixel c : colors) surface->NoteColour(c);
    for (int row = 0; row < h; ++row) {
        const int imageRow = y + row;
        const int storedRow = topDown_ ? imageRow : height_ - 1 - imageRow;
        const BYTE* src = bits_ + std::size_t(storedRow) * stride_;
        Pixel* dst = surface->Row(row);
        for (int col = 0; col < w; ++col) {
            const int sx = x + col;
            Pixel p = 0;
            switch (bitCount_) {
            case 1: {
                const std::size_t i = src[sx >> 3] >> (7 - (sx & 7)) & 1;
                p = i < colors.size() ? colors[i] : 0;
                break;
            }
            case 4: {
                const std::size_t i = src[sx >> 1] >> (sx & 1 ? 0 : 4) & 0xF;
                p = i < colors.size() ? colors[i] : 0;
                break;
            }
            case 8: {
                const std::size_t i = src[sx];
                p = i < colors.size() ? colors[i] : 0;
                break;
            }
            case 16: {
                const DWORD v = Le16(src + 2 * sx);
                p = Pixel(MaskedChannel(v, masks_[0])) << 16 | Pixel(MaskedChannel(v, masks_[1])) << 8 |
                    MaskedChannel(v, masks_[2]);
                break;
            }
            case 24: p = Pixel(src[3 * sx + 2]) << 16 | Pixel(src[3 * sx + 1]) << 8 | src[3 * sx]; break;
            case 32: {
                const DWORD v = Le32(src + 4 * sx);
                p = compression_ == BI_BITFIELDS
                        ? Pixel(MaskedChannel(v, masks_[0])) << 16 | Pixel(MaskedChannel(v, masks_[1])) << 8 |
                              MaskedChannel(v, masks_[2])
                        : v & kPixelMask;
                break;
            }
            }
            dst[col] = p;
        }
    }
    return surface;
}

std::vector<BYTE> DibView::Alphas(int x, int y, int w, int h) const {
    if (bitCount_ != 32 || compression_ != BI_RGB || x < 0 || y < 0 || w <= 0 || h <= 0 || x > width_ - w ||
        y > height_ - h)
        return {};
    std::vector<BYTE> out(std::size_t(w) * std::size_t(h));
    for (int row = 0; row < h; ++row) {
        const int storedRow = topDown_ ? y + row : height_ - 1 - (y + row);
        const BYTE* src = bits_ + std::size_t(storedRow) * stride_;
        for (int col = 0; col < w; ++col)
            out[std::size_t(row) * std::size_t(w) + std::size_t(col)] = src[4 * (x + col) + 3];
    }
    return out;
}

}  // namespace ksdvi::gdi

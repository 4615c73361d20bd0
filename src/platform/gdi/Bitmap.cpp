#include "platform/gdi/Bitmap.h"

#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {

BOOL CBitmap::DeleteObject() {
    if (!surface_) return FALSE;
    surface_.reset();
    return TRUE;
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits,
                           std::size_t bitsSize) {
    if (surface_) return FALSE;
    const UINT depth = planes * bitsPerPixel;
    if (planes == 0 || planes > 32 || bitsPerPixel == 0 || bitsPerPixel > 32 ||
        !(depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32))
        return FALSE;
    auto surface = Surface::Create(width, height, depth == 1, kBlackPixel);
    if (!surface) return FALSE;
    if (bits) {
        if (depth >= 16) surface->NoteColour();
        const BYTE* src = static_cast<const BYTE*>(bits);
        const std::size_t stride = ((std::size_t(width) * depth + 15) / 16) * 2;
        const auto byteAt = [&](std::size_t i) -> BYTE { return i < bitsSize ? src[i] : 0; };
        for (int y = 0; y < height; ++y) {
            Pixel* row = surface->Row(y);
            const std::size_t base = std::size_t(y) * stride;
            if (bitsSize != kUnknownSize && base >= bitsSize) break;
            for (int x = 0; x < width; ++x) {
                switch (depth) {
                case 1: row[x] = byteAt(base + x / 8) >> (7 - x % 8) & 1 ? kWhitePixel : kBlackPixel; break;
                case 4: {
                    const BYTE v = byteAt(base + x / 2) >> (x % 2 ? 0 : 4) & 0xF;
                    row[x] = Pixel(v * 17) * 0x010101;  // no colour table: grey levels
                    break;
                }
                case 8: row[x] = Pixel(byteAt(base + x)) * 0x010101; break;
                case 16: {
                    const unsigned v = byteAt(base + 2 * x) | byteAt(base + 2 * x + 1) << 8;
                    row[x] = Pixel((v >> 10 & 31) * 255 / 31) << 16 | Pixel((v >> 5 & 31) * 255 / 31) << 8 |
                             (v & 31) * 255 / 31;
                    break;
                }
                case 24:
                    row[x] = Pixel(byteAt(base + 3 * x + 2)) << 16 | Pixel(byteAt(base + 3 * x + 1)) << 8 |
                             byteAt(base + 3 * x);
                    break;
                default:
                    row[x] = Pixel(byteAt(base + 4 * x + 2)) << 16 | Pixel(byteAt(base + 4 * x + 1)) << 8 |
                             byteAt(base + 4 * x);
                    break;
                }
            }
        }
    }
    surface_ = std::move(surface);
    return TRUE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    if (surface_ || !dc) return FALSE;
    const Surface* current = dc->GetSurface();
    surface_ = Surface::Create(width, height, current && current->IsMonochrome(), kBlackPixel);
    return surface_ != nullptr;
}

int CBitmap::GetBitmap(BITMAP* out) const {
    if (!surface_ || !out) return 0;
    out->bmType = 0;
    out->bmWidth = surface_->Width();
    out->bmHeight = surface_->Height();
    out->bmPlanes = 1;
    out->bmBitsPixel = surface_->IsMonochrome() ? 1 : 32;
    out->bmWidthBytes = LONG(((std::size_t(out->bmWidth) * out->bmBitsPixel + 15) / 16) * 2);
    out->bmBits = nullptr;
    return int(sizeof(BITMAP));
}

BOOL CBitmap::Attach(std::shared_ptr<Surface> surface) {
    if (surface_ || !surface) return FALSE;
    surface_ = std::move(surface);
    return TRUE;
}

}  // namespace ksdvi::gdi

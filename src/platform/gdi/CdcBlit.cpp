// CDC: raster transfers between contexts and from DIBs.
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/CdcPaint.h"

namespace ksdvi::gdi {

namespace {

// A transfer whose source is its own destination reads a copy.
std::shared_ptr<Surface> CopyOf(const Surface& s, RECT& area) {
    RECT r{std::max<LONG>(0, std::min(area.left, area.right)), std::max<LONG>(0, std::min(area.top, area.bottom)),
           std::min<LONG>(s.Width(), std::max(area.left, area.right)),
           std::min<LONG>(s.Height(), std::max(area.top, area.bottom))};
    if (r.right <= r.left || r.bottom <= r.top) return nullptr;
    auto copy = Surface::Create(r.right - r.left, r.bottom - r.top, s.IsMonochrome());
    if (!copy) return nullptr;
    for (int y = r.top; y < r.bottom; ++y) std::copy(s.Row(y) + r.left, s.Row(y) + r.right, copy->Row(y - r.top));
    area.left -= r.left, area.right -= r.left, area.top -= r.top, area.bottom -= r.top;
    return copy;
}

}  // namespace

BOOL CDC::TransferFrom(const RECT& dest, const Surface* source, const RECT& sourceRect, DWORD rop,
                       const SourceConversion& conversion) {
    // A document printer takes the image itself; it has no pixels to combine with.
    if (printer_ && !memory_)
        return rop == SRCCOPY && printer_->DrawImage(dest, *source, sourceRect, s_.clip ? &*s_.clip : nullptr);
    Surface* target = GetSurface();
    if (!target) return FALSE;
    Transfer t;
    t.destination = dest;
    t.rop = rop;
    t.stretchMode = s_.stretchMode;
    t.conversion = conversion;
    t.sourceRect = sourceRect;
    std::shared_ptr<Surface> copy;
    if (source == target) {
        copy = CopyOf(*source, t.sourceRect);
        if (!copy) return FALSE;
        source = copy.get();
    }
    t.source = source;
    std::optional<BrushPaint> brush;
    if (s_.brushData) brush.emplace(PaintOf(*s_.brushData));
    t.brush = brush ? &*brush : nullptr;
    RECT touched{std::min(dest.left, dest.right), std::min(dest.top, dest.bottom), std::max(dest.left, dest.right),
                 std::max(dest.top, dest.bottom)};
    Paint(touched, [&](const PaintTarget& target) { TransferPixels(target, t); });
    return TRUE;
}

BOOL CDC::BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop) {
    if (!src) return Rop3UsesSource(rop) ? FALSE : PatBlt(x, y, w, h, rop);
    // The source extent in its own logical units: the same device size.
    double ssx, ssy, sox, soy, dsx, dsy, dox, doy;
    src->Mapping(ssx, ssy, sox, soy);
    Mapping(dsx, dsy, dox, doy);
    const int sw = int(std::lround(w * dsx / ssx)), sh = int(std::lround(h * dsy / ssy));
    return StretchBlt(x, y, w, h, src, sx, sy, sw, sh, rop);
}

BOOL CDC::StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop) {
    if (!created_) return FALSE;
    if (!Rop3UsesSource(rop)) return PatBlt(x, y, w, h, rop);
    const Surface* source = src ? src->GetSurface() : nullptr;
    const Surface* target = GetSurface();
    if (!source || !target) return FALSE;
    // Device corners keep their order: negative extents mirror.
    const PointD d0 = ToDevice(x, y), d1 = ToDevice(double(x) + w, double(y) + h);
    const PointD s0 = src->ToDevice(sx, sy), s1 = src->ToDevice(double(sx) + sw, double(sy) + sh);
    const auto round = [](double v) { return LONG(std::lround(std::clamp(v, -double(1 << 22), double(1 << 22)))); };
    const RECT dest{round(d0.x), round(d0.y), round(d1.x), round(d1.y)};
    const RECT from{round(s0.x), round(s0.y), round(s1.x), round(s1.y)};
    SourceConversion conversion;
    if (source->IsMonochrome() && !target->IsMonochrome())
        conversion = {SourceConversion::MonoToColour, Resolve(s_.textColor), Resolve(s_.bkColor)};
    else if (!source->IsMonochrome() && target->IsMonochrome())
        conversion = {SourceConversion::ColourToMono, 0, src->Resolve(src->s_.bkColor)};
    return TransferFrom(dest, source, from, rop, conversion);
}

int CDC::StretchDIBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                       const BITMAPINFO* info, UINT usage, DWORD rop) {
    DibView dib;
    if (!DibView::FromInfo(info, bits, std::numeric_limits<std::size_t>::max(), dib)) return 0;
    return StretchDib(x, y, w, h, sx, sy, sw, sh, dib, usage, rop);
}

int CDC::StretchPackedDIB(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* packed,
                          std::size_t size, UINT usage, DWORD rop) {
    DibView dib;
    if (!DibView::FromPacked(static_cast<const BYTE*>(packed), size, dib)) return 0;
    return StretchDib(x, y, w, h, sx, sy, sw, sh, dib, usage, rop);
}

int CDC::StretchDib(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const DibView& dib, UINT usage,
                    DWORD rop) {
    if (!created_) return 0;
    // Negative source extents mirror like negative destination ones.
    bool flipX = false, flipY = false;
    if (sw < 0) sx += sw, sw = -sw, flipX = true;
    if (sh < 0) sy += sh, sh = -sh, flipY = true;
    if (sw == 0 || sh == 0) return 0;
    const int top = dib.SourceTop(sy, sh);
    const int x0 = std::max(sx, 0), y0 = std::max(top, 0);
    auto decoded = dib.Decode(usage, s_.paletteData ? &s_.paletteData->entries : nullptr, x0, y0,
                              std::min(sx + sw, dib.Width()) - x0, std::min(top + sh, dib.Height()) - y0);
    if (!decoded) return 0;
    const PointD d0 = ToDevice(x, y), d1 = ToDevice(double(x) + w, double(y) + h);
    RECT dest{LONG(std::lround(d0.x)), LONG(std::lround(d0.y)), LONG(std::lround(d1.x)), LONG(std::lround(d1.y))};
    if (flipX) std::swap(dest.left, dest.right);
    if (flipY) std::swap(dest.top, dest.bottom);
    // The decoded part sits at (x0, y0) of the requested source rectangle.
    const RECT from{sx - x0, top - y0, sx - x0 + sw, top - y0 + sh};
    SourceConversion none;
    return TransferFrom(dest, decoded.get(), from, rop, none) ? std::abs(h) : 0;
}

int CDC::SetDIBitsToDevice(int x, int y, DWORD w, DWORD h, int sx, int sy, UINT startScan, UINT scanLines,
                           const void* bits, const BITMAPINFO* info, UINT usage) {
    if (!created_ || scanLines == 0 || w > DWORD(Surface::kMaxSide) || h > DWORD(Surface::kMaxSide) ||
        startScan > UINT(Surface::kMaxSide))
        return 0;
    DibView whole, band;
    if (!DibView::FromInfo(info, bits, std::numeric_limits<std::size_t>::max(), whole)) return 0;
    if (!whole.Band(int(std::min<UINT>(scanLines, UINT(Surface::kMaxSide))), bits, band)) return 0;
    auto decoded = band.Decode(usage, s_.paletteData ? &s_.paletteData->entries : nullptr);
    if (!decoded) return 0;
    // Scan numbers count from the bottom of a bottom-up DIB: the band's first
    // row (from the top) is scan startScan + rows - 1.
    const int rows = band.Height();
    const int bandTop = band.TopDown() ? sy - int(startScan) : int(startScan) + rows - sy - int(h);
    const PointD d0 = ToDevice(x, y);
    const LONG dx = LONG(std::lround(d0.x)), dy = LONG(std::lround(d0.y));
    const RECT dest{dx, dy, dx + LONG(w), dy + LONG(h)};
    const RECT from{sx, bandTop, sx + LONG(w), bandTop + LONG(h)};
    SourceConversion none;
    const int saved = s_.stretchMode;
    s_.stretchMode = COLORONCOLOR;
    const BOOL ok = TransferFrom(dest, decoded.get(), from, SRCCOPY, none);
    s_.stretchMode = saved;
    return ok ? rows : 0;
}

}  // namespace ksdvi::gdi

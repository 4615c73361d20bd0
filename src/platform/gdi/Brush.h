// CBrush: solid, hatched, pattern (from a bitmap or a packed DIB) and null
// brushes. Patterns repeat from the device context's brush origin.
#pragma once

#include <memory>

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Surface.h"

namespace ksdvi::gdi {

class CBitmap;

struct BrushData {
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int hatch = HS_HORIZONTAL;
    std::shared_ptr<const Surface> pattern;  // BS_PATTERN and BS_DIBPATTERN

    bool IsNull() const { return style == BS_NULL; }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    CBrush(int hatch, COLORREF color) { CreateHatchBrush(hatch, color); }

    GdiObjectKind Kind() const override { return GdiObjectKind::Brush; }
    bool HasContents() const override { return data_ != nullptr; }
    BOOL DeleteObject() override;

    BOOL CreateSolidBrush(COLORREF color);
    BOOL CreateHatchBrush(int hatch, COLORREF color);
    BOOL CreatePatternBrush(CBitmap* bitmap);
    // A packed DIB: BITMAPINFOHEADER, colour table and bits, `size` bytes.
    BOOL CreateDIBPatternBrushPt(const void* packedDib, UINT usage, std::size_t size);
    BOOL CreateBrushIndirect(const LOGBRUSH* brush);
    BOOL CreateStockObject(int index);

    const std::shared_ptr<const BrushData>& Data() const { return data_; }

private:
    std::shared_ptr<const BrushData> data_;
};

using HBRUSH = CBrush*;

// A brush as it paints on one device context: the context supplies the
// background for hatches and the colours of monochrome patterns.
class BrushPaint {
public:
    BrushPaint(const BrushData& brush, Pixel color, Pixel textColor, Pixel bkColor, bool opaqueBackground,
               POINT origin);

    bool IsNull() const { return null_; }
    bool IsSolid() const { return solid_; }
    // False only when every pixel the brush paints is grey.
    bool MayBeColoured() const;
    Pixel SolidPixel() const { return color_; }
    // The brush's pixel at device (x, y); false where a hatch leaves the
    // background transparent.
    bool Sample(int x, int y, Pixel& out) const;

private:
    const BrushData& brush_;
    Pixel color_;
    Pixel textColor_;
    Pixel bkColor_;
    bool opaque_;
    POINT origin_;
    bool null_;
    bool solid_;
};

}  // namespace ksdvi::gdi

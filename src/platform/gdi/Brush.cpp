#include "platform/gdi/Brush.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Dib.h"

namespace ksdvi::gdi {

namespace {

// One 8 x 8 hatch cell: does the hatch line cover (x, y)?
bool HatchCovers(int hatch, int x, int y) {
    switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 7 || y == 7;
    case HS_DIAGCROSS: return x == y || x + y == 7;
    default: return false;
    }
}

int PositiveMod(long v, int m) {
    const long r = v % m;
    return int(r < 0 ? r + m : r);
}

}  // namespace

BOOL CBrush::DeleteObject() {
    if (!data_ || IsStock()) return FALSE;
    data_.reset();
    return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    if (data_) return FALSE;
    auto d = std::make_shared<BrushData>();
    d->style = BS_SOLID;
    d->color = color & 0x03FFFFFF;
    data_ = std::move(d);
    return TRUE;
}

BOOL CBrush::CreateHatchBrush(int hatch, COLORREF color) {
    if (data_ || hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return FALSE;
    auto d = std::make_shared<BrushData>();
    d->style = BS_HATCHED;
    d->color = color & 0x03FFFFFF;
    d->hatch = hatch;
    data_ = std::move(d);
    return TRUE;
}

BOOL CBrush::CreatePatternBrush(CBitmap* bitmap) {
    if (data_ || !bitmap || !bitmap->GetSurface()) return FALSE;
    auto d = std::make_shared<BrushData>();
    d->style = BS_PATTERN;
    d->pattern = bitmap->GetSurface()->Clone();
    if (!d->pattern) return FALSE;
    data_ = std::move(d);
    return TRUE;
}

BOOL CBrush::CreateDIBPatternBrushPt(const void* packedDib, UINT usage, std::size_t size) {
    if (data_ || !packedDib) return FALSE;
    DibView dib;
    if (!DibView::FromPacked(static_cast<const BYTE*>(packedDib), size, dib)) return FALSE;
    auto surface = dib.Decode(usage, nullptr);
    if (!surface) return FALSE;
    auto d = std::make_shared<BrushData>();
    d->style = BS_DIBPATTERN;
    d->pattern = std::move(surface);
    data_ = std::move(d);
    return TRUE;
}

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush || data_) return FALSE;
    switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_HATCHED: return CreateHatchBrush(int(brush->lbHatch), brush->lbColor);
    case BS_NULL: {
        auto d = std::make_shared<BrushData>();
        d->style = BS_NULL;
        data_ = std::move(d);
        return TRUE;
    }
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<CBitmap*>(brush->lbHatch));
    default: return FALSE;
    }
}

BOOL CBrush::CreateStockObject(int index) {
    auto* stock = dynamic_cast<CBrush*>(GetStockObject(index));
    if (data_ || !stock) return FALSE;
    data_ = stock->data_;
    return TRUE;
}

BrushPaint::BrushPaint(const BrushData& brush, Pixel color, Pixel textColor, Pixel bkColor, bool opaqueBackground,
                       POINT origin)
    : brush_(brush),
      color_(color),
      textColor_(textColor),
      bkColor_(bkColor),
      opaque_(opaqueBackground),
      origin_(origin),
      null_(brush.style == BS_NULL),
      solid_(brush.style == BS_SOLID) {
    if ((brush.style == BS_PATTERN || brush.style == BS_DIBPATTERN) && !brush.pattern) null_ = true;
}

bool BrushPaint::MayBeColoured() const {
    switch (brush_.style) {
    case BS_SOLID: return !IsGrey(color_);
    case BS_HATCHED: return !IsGrey(color_) || (opaque_ && !IsGrey(bkColor_));
    case BS_NULL: return false;
    default: return true;
    }
}

bool BrushPaint::Sample(int x, int y, Pixel& out) const {
    switch (brush_.style) {
    case BS_SOLID: out = color_; return true;
    case BS_HATCHED:
        if (HatchCovers(brush_.hatch, PositiveMod(long(x) - origin_.x, 8), PositiveMod(long(y) - origin_.y, 8))) {
            out = color_;
            return true;
        }
        out = bkColor_;
        return opaque_;
    case BS_PATTERN:
    case BS_DIBPATTERN: {
        const Surface& p = *brush_.pattern;
        const Pixel v = p.At(PositiveMod(long(x) - origin_.x, p.Width()), PositiveMod(long(y) - origin_.y, p.Height()));
        // Monochrome patterns take the context's text and background colours.
        out = p.IsMonochrome() ? (v == kBlackPixel ? textColor_ : bkColor_) : v;
        return true;
    }
    default: return false;
    }
}

}  // namespace ksdvi::gdi

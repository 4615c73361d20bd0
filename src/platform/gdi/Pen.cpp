#include "platform/gdi/Pen.h"

#include <algorithm>

namespace ksdvi::gdi {

BOOL CPen::DeleteObject() {
    if (!data_ || IsStock()) return FALSE;
    data_.reset();
    return TRUE;
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    if (data_) return FALSE;
    auto d = std::make_shared<PenData>();
    // A plain pen wider than one unit draws solid lines: only geometric pens
    // carry styles at width.
    UINT base = UINT(style) & PS_STYLE_MASK;
    if (width > 1 && base != PS_NULL && base != PS_INSIDEFRAME) base = PS_SOLID;
    if (base > PS_ALTERNATE) base = PS_SOLID;
    d->style = (UINT(style) & ~PS_STYLE_MASK) | base;
    d->width = std::max(width, 0);
    d->color = color & 0x03FFFFFF;
    data_ = std::move(d);
    return TRUE;
}

BOOL CPen::CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount, const DWORD* styles) {
    if (data_) return FALSE;
    auto d = std::make_shared<PenData>();
    d->style = UINT(style);
    if (d->BaseStyle() > PS_ALTERNATE) d->style &= ~PS_STYLE_MASK;
    d->width = (d->style & PS_TYPE_MASK) == PS_GEOMETRIC ? std::max(width, 0) : 0;
    d->color = brush && brush->lbStyle != BS_NULL ? brush->lbColor & 0x03FFFFFF : 0;
    if (brush && brush->lbStyle == BS_NULL) d->style = (d->style & ~PS_STYLE_MASK) | PS_NULL;
    if (d->BaseStyle() == PS_USERSTYLE && styles && styleCount > 0 && styleCount <= 16)
        d->userStyle.assign(styles, styles + styleCount);
    else if (d->BaseStyle() == PS_USERSTYLE)
        d->style = (d->style & ~PS_STYLE_MASK) | PS_SOLID;
    data_ = std::move(d);
    return TRUE;
}

BOOL CPen::CreatePenIndirect(const LOGPEN* pen) {
    if (!pen) return FALSE;
    return CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

int CPen::GetLogPen(LOGPEN* pen) const {
    if (!data_ || !pen) return 0;
    pen->lopnStyle = data_->style;
    pen->lopnWidth = {data_->width, 0};
    pen->lopnColor = data_->color;
    return 1;
}

}  // namespace ksdvi::gdi

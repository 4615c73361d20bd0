// CPen: cosmetic pens (one device pixel, styled by pixel patterns) and
// geometric pens (a width in logical units, with end caps and joins).
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/GdiObject.h"

namespace ksdvi::gdi {

struct PenData {
    UINT style = PS_SOLID;  // full style word: type, style, cap and join
    int width = 0;          // logical units; 0 is one device pixel
    COLORREF color = 0;
    std::vector<DWORD> userStyle;

    UINT BaseStyle() const { return style & PS_STYLE_MASK; }
    bool IsNull() const { return BaseStyle() == PS_NULL; }
    bool IsGeometric() const { return (style & PS_TYPE_MASK) == PS_GEOMETRIC; }
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }

    GdiObjectKind Kind() const override { return GdiObjectKind::Pen; }
    bool HasContents() const override { return data_ != nullptr; }
    BOOL DeleteObject() override;

    BOOL CreatePen(int style, int width, COLORREF color);
    BOOL CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr);
    BOOL CreatePenIndirect(const LOGPEN* pen);
    int GetLogPen(LOGPEN* pen) const;

    const std::shared_ptr<const PenData>& Data() const { return data_; }

private:
    std::shared_ptr<const PenData> data_;
};

using HPEN = CPen*;

}  // namespace ksdvi::gdi

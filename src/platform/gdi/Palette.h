// CPalette: a logical palette. A true-colour device realizes nothing, but the
// entries serve DIB_PAL_COLORS tables and PALETTEINDEX colours.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/GdiObject.h"

namespace ksdvi::gdi {

struct PaletteData {
    std::vector<PALETTEENTRY> entries;
};

class CPalette : public CGdiObject {
public:
    static constexpr UINT kMaxEntries = 65535;

    CPalette() = default;

    GdiObjectKind Kind() const override { return GdiObjectKind::Palette; }
    bool HasContents() const override { return data_ != nullptr; }
    BOOL DeleteObject() override;

    BOOL CreatePalette(const LOGPALETTE* palette);
    int GetEntryCount() const;
    UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* out) const;
    UINT SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* in);
    BOOL ResizePalette(UINT count);

    // Shared with the device contexts it is selected into, so that changes
    // reach them as realizing does in GDI.
    const std::shared_ptr<PaletteData>& Data() const { return data_; }
    void AdoptEntries(std::vector<PALETTEENTRY> entries);

private:
    std::shared_ptr<PaletteData> data_;
};

using HPALETTE = CPalette*;

HPALETTE CreatePalette(const LOGPALETTE* palette);

}  // namespace ksdvi::gdi

// CRgn: a region of device pixels, a rectangle or what clip paths and
// metafile playback make.
#pragma once

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Region.h"

namespace ksdvi::gdi {

class CRgn : public CGdiObject {
public:
    CRgn() = default;

    GdiObjectKind Kind() const override { return GdiObjectKind::Region; }
    bool HasContents() const override { return created_; }
    BOOL DeleteObject() override;

    BOOL CreateRectRgn(int l, int t, int r, int b);
    BOOL CreateRectRgnIndirect(const RECT* r);

    // Adopts a region, as clip paths and metafile playback make them.
    void Assign(Region region);
    const Region& GetRegion() const { return region_; }

private:
    bool created_ = false;
    Region region_;
};

using HRGN = CRgn*;

}  // namespace ksdvi::gdi

#include "render/OffscreenPage.h"

#include "device/NullDevice.h"
#include "render/KsDviDrawer.h"
#include "render/WholePage.h"

namespace gdi = ksdvi::gdi;

OffscreenPage::OffscreenPage(int dpi) : dpi_(dpi) {
    gdi::RasterDeviceSpec spec;
    spec.width = spec.height = 1;
    spec.dpiX = spec.dpiY = dpi;
    device_ = gdi::RasterDevice::Create(spec);
}

OffscreenPage::~OffscreenPage() = default;

bool OffscreenPage::Run(KsDvi& dvi, int page, String8 const& anchor,
                        std::function<void(KsDviDrawer const&)> const& inspect) {
    gdi::CDC dc(*device_);
    ksdvi::NullDevice nothing;
    KsDviDrawer drawer;
    drawer.PaintThrough(&nothing);
    error_ = DrawWholePage(drawer, dc, dvi, page, dpi_, 1.0, anchor);
    if (!drawer.IsWorking()) return false;
    inspect(drawer);
    drawer.Close();
    return error_.empty();
}

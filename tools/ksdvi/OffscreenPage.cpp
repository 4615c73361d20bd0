#include "OffscreenPage.h"

#include "render/KsDviDrawer.h"

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
    error_.clear();
    gdi::CDC dc(*device_);
    KsDviDrawer drawer;
    if (!drawer.Open(dc, dvi, page, fpreal4::FromDouble(1.0), dpi_, dpi_, gdi::RGB(0, 0, 255), anchor)) {
        error_ = "page " + std::to_string(page + 1) + " cannot be opened";
        return false;
    }
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        error_ = "malformed instruction at offset " + std::to_string(drawer.GetInstOffset()) + " of page " +
                 std::to_string(page + 1);
    }
    inspect(drawer);
    drawer.Close();
    return error_.empty();
}

#pragma once
// A page of a test document drawn as `ksdvi render` draws it (the DVI origin
// one inch from the top and left edges, links in blue) on a letter-size
// device at the resolution asked for. The drawer stays open, so that tests
// read its links, anchors and pictures as well as the pixels.

#include <memory>
#include <string>

#include "DocumentSession.h"
#include "HostFonts.h"
#include "PageRenderer.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"

namespace ksdvi::test {

using ksdvi::gdi::COLORREF;
using ksdvi::gdi::RGB;

inline constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

inline std::string DataFile(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/" + name; }

class RenderedPage {
public:
    // `page` is 0-based; `anchor` is the anchor the drawer looks for.
    RenderedPage(std::string const& file, int page, int dpi, String8 const& anchor = String8())
        : session_(DataFile(file), {}, Fonts()) {
        if (!session_.Load()) return;
        ksdvi::gdi::RasterDeviceSpec spec;
        spec.width = 17 * dpi / 2;
        spec.height = 11 * dpi;
        spec.dpiX = spec.dpiY = dpi;
        device_ = ksdvi::gdi::RasterDevice::Create(spec);
        dc_ = std::make_unique<ksdvi::gdi::CDC>(*device_);
        DrawWholePage(drawer_, *dc_, session_.Document(), page, dpi, 1.0, anchor);
    }
    ~RenderedPage() { drawer_.Close(); }
    RenderedPage(RenderedPage const&) = delete;
    RenderedPage& operator=(RenderedPage const&) = delete;

    bool Opened() const { return drawer_.IsWorking() != 0; }
    KsDviDrawer& Drawer() { return drawer_; }
    KsDvi& Document() { return session_.Document(); }
    COLORREF Pixel(int x, int y) const { return device_->GetPixel(x, y); }
    int Width() const { return device_->Width(); }
    int Height() const { return device_->Height(); }

private:
    // Reading the installation's font map once serves every test.
    static HostFonts& Fonts() {
        static HostFonts fonts;
        return fonts;
    }

    DocumentSession session_;
    std::unique_ptr<ksdvi::gdi::RasterDevice> device_;
    std::unique_ptr<ksdvi::gdi::CDC> dc_;
    KsDviDrawer drawer_;
};

}  // namespace ksdvi::test

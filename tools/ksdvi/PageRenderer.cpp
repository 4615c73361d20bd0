#include "PageRenderer.h"

#include <cmath>

#include "render/KsDviDrawer.h"

namespace gdi = ksdvi::gdi;

namespace {

constexpr double kSpPerInch = 4736286.72;

}  // namespace

int PixelsOf(int sp, int dpi, double zoom) {
    // Whole pixels of paper, as dvipng counts them.
    return static_cast<int>(std::floor(sp / kSpPerInch * dpi * zoom + 1e-6));
}

RenderedPage RenderPage(KsDvi& dvi, int page, RenderSettings const& settings) {
    RenderedPage out;
    gdi::RasterDeviceSpec spec;
    spec.width = PixelsOf(settings.paper.width, settings.dpi, settings.zoom);
    spec.height = PixelsOf(settings.paper.height, settings.dpi, settings.zoom);
    spec.dpiX = spec.dpiY = settings.dpi;
    out.device = gdi::RasterDevice::Create(spec);
    if (!out.device) {
        out.error = "page " + std::to_string(page + 1) + " is too large to render";
        return out;
    }
    gdi::CDC dc(*out.device);
    fpreal4 zoom = fpreal4::FromDouble(settings.zoom);
    int origin = static_cast<int>(std::lround(spec.dpiX * settings.zoom));  // one inch
    KsDviDrawer drawer;
    if (!drawer.Open(dc, dvi, page, zoom, origin, origin, gdi::RGB(0, 0, 255), String8())) {
        out.error = "page " + std::to_string(page + 1) + " cannot be opened";
        return out;
    }
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        out.error = "malformed instruction at offset " + std::to_string(drawer.GetInstOffset()) + " of page " +
                    std::to_string(page + 1) + "; the page is drawn up to it";
    }
    if (settings.markLinks) drawer.DrawHyperlinkMark(0);
    drawer.Close();
    return out;
}

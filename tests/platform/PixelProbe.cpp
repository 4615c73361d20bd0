#include "PixelProbe.h"

#include <algorithm>

namespace ksdvi::gdi::test {

std::unique_ptr<RasterDevice> WhiteDevice(int w, int h, int dpi) {
    RasterDeviceSpec spec;
    spec.width = w;
    spec.height = h;
    spec.dpiX = spec.dpiY = dpi;
    return RasterDevice::Create(spec);
}

RECT InkBox(const RasterDevice& device, const RECT* within) {
    const RECT area = within ? *within : RECT{0, 0, device.Width(), device.Height()};
    RECT box{area.right, area.bottom, area.left, area.top};
    bool any = false;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (device.GetPixel(x, y) == RGB(255, 255, 255)) continue;
            any = true;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    return any ? box : RECT{};
}

int CountPixels(const RasterDevice& device, const RECT& r, const std::function<bool(COLORREF)>& test) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (test(device.GetPixel(x, y))) ++n;
    return n;
}

int CountColor(const RasterDevice& device, const RECT& r, COLORREF color) {
    return CountPixels(device, r, [color](COLORREF c) { return c == color; });
}

}  // namespace ksdvi::gdi::test

// Helpers for reading what a test drew: ink boxes and pixel counts.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"

namespace ksdvi::gdi::test {

// A white window device of w x h pixels at `dpi`.
inline std::unique_ptr<RasterDevice> WhiteDevice(int w, int h, int dpi = 96) {
    return RasterDevice::Create({w, h, dpi, dpi});
}

// A memory context holding a bitmap compatible with `reference`.
struct MemoryCanvas {
    CDC dc;
    CBitmap bitmap;
    MemoryCanvas(CDC& reference, int w, int h) {
        dc.CreateCompatibleDC(&reference);
        bitmap.CreateCompatibleBitmap(&reference, w, h);
        dc.SelectObject(&bitmap);
    }
};

// The smallest rectangle holding every pixel that is not white (right and
// bottom excluded); empty (all zero) when there is none.
inline RECT InkBox(const RasterDevice& device, const RECT* within = nullptr) {
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

// A rectangle's edges, to compare in one expectation.
using Box = std::array<LONG, 4>;
inline Box Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// How many pixels of the rectangle satisfy `test`.
inline int CountPixels(const RasterDevice& device, const RECT& r, const std::function<bool(COLORREF)>& test) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (test(device.GetPixel(x, y))) ++n;
    return n;
}

// Pixels of the rectangle that are exactly `color`.
inline int CountColor(const RasterDevice& device, const RECT& r, COLORREF color) {
    return CountPixels(device, r, [color](COLORREF c) { return c == color; });
}

}  // namespace ksdvi::gdi::test

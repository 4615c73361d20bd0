// Helpers for reading what a test drew: ink boxes and pixel counts.
#pragma once

#include <array>
#include <functional>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"

namespace ksdvi::gdi::test {

// A white window device of w x h pixels at `dpi`.
std::unique_ptr<RasterDevice> WhiteDevice(int w, int h, int dpi = 96);

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
RECT InkBox(const RasterDevice& device, const RECT* within = nullptr);

// A rectangle's edges, to compare in one expectation.
using Box = std::array<LONG, 4>;
inline Box Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// How many pixels of the rectangle satisfy `test`.
int CountPixels(const RasterDevice& device, const RECT& r, const std::function<bool(COLORREF)>& test);

// Pixels of the rectangle that are exactly `color`.
int CountColor(const RasterDevice& device, const RECT& r, COLORREF color);

}  // namespace ksdvi::gdi::test

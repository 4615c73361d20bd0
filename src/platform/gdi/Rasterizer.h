// Turns device-space paths into coverage: 8-bit masks through Cairo for fills
// and wide strokes, and GDI's one-pixel walk for cosmetic lines.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gdi/Path.h"
#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

struct CoverageMask {
    int x0 = 0;  // device position of the mask's first pixel
    int y0 = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;  // width x height, rows top-down

    bool IsEmpty() const { return width <= 0 || height <= 0; }
    std::uint8_t At(int x, int y) const { return coverage[std::size_t(y) * width + x]; }
};

struct StrokeStyle {
    double width = 1;
    UINT endCap = PS_ENDCAP_ROUND;
    UINT join = PS_JOIN_ROUND;
    std::vector<double> dashes;  // device pixels, on/off alternating; empty for solid
};

// Coverage of the path's interior under ALTERNATE or WINDING, limited to the
// device rectangle `limit`.
CoverageMask RasterizeFill(const Path& path, int fillMode, bool antialias, const RECT& limit);
CoverageMask RasterizeStroke(const Path& path, const StrokeStyle& style, bool antialias, const RECT& limit);

// Visits the pixels of a one-pixel line along the flattened path. Each
// segment leaves out its last pixel, as LineTo does; `on` follows the style
// pattern (lengths in pixels, alternating on and off; empty for solid).
// Only pixels inside `limit` are visited.
void WalkCosmeticPath(const Path& path, const std::vector<int>& pattern, const RECT& limit,
                      const std::function<void(int x, int y, bool on)>& plot);

}  // namespace ksdvi::gdi

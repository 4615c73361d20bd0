#include "DviPixels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "stream/DeviceRounding.h"

DviPixels::DviPixels(KsDvi const& dvi, int dpi, double zoom)
    // pixels per DVI unit: num x mag x dpi / den / (0.0254 m x 10^7 x 10000), as the drawer has it
    : perDvi_(double(dvi.GetDviNum()) * dvi.GetAbsMag().GetRaw() * (dpi * zoom) * 3.9370078740157485e-10 /
              dvi.GetDviDen()),
      origin_(static_cast<int>(std::lround(dpi * zoom))) {}

int DviPixels::X(int h) const { return ksdvi::RoundHalfAway(h * perDvi_) + origin_; }
int DviPixels::Y(int v) const { return ksdvi::RoundHalfAway(v * perDvi_) + origin_; }

std::array<int, 4> DviPixels::Box(int left, int top, int width, int height) const {
    int x = X(left), y = Y(top);
    int right = X(static_cast<int>(std::clamp<int64_t>(int64_t(left) + width, INT32_MIN, INT32_MAX)));
    int bottom = Y(static_cast<int>(std::clamp<int64_t>(int64_t(top) + height, INT32_MIN, INT32_MAX)));
    return {x, y, std::max(1, right - x), std::max(1, bottom - y)};
}

#include "page/PixelMapping.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "dvi/KsDvi.h"
#include "stream/DeviceRounding.h"

namespace ksdvi {

double PixelsPerDviUnit(uint32_t num, uint32_t den, double absMag, double dpi) {
    return static_cast<double>(num) * absMag * dpi * 3.9370078740157485e-10 / den;
}

int RecordUnitsToPixels(double units, double dpi, double zoomRaw, unsigned resolution) {
    return Truncate(zoomRaw * dpi * units * 0.0001 / resolution);
}

PixelMapping::PixelMapping(KsDvi const& dvi, double dpiX, double dpiY, fpreal4 zoom, int originX, int originY)
    : dpiX_(dpiX * zoom.GetRaw() * 0.0001),
      dpiY_(dpiY * zoom.GetRaw() * 0.0001),
      perDviX_(PixelsPerDviUnit(dvi.GetDviNum(), dvi.GetDviDen(), dvi.GetAbsMag().GetRaw(), dpiX_)),
      perDviY_(PixelsPerDviUnit(dvi.GetDviNum(), dvi.GetDviDen(), dvi.GetAbsMag().GetRaw(), dpiY_)),
      dviPerPixelX_(1.0 / perDviX_),
      dviPerPixelY_(1.0 / perDviY_),
      originX_(originX),
      originY_(originY) {}

PixelMapping PixelMapping::OneInchIn(KsDvi const& dvi, double dpi, double zoom) {
    int const inch = static_cast<int>(std::lround(dpi * zoom));
    return PixelMapping(dvi, dpi, dpi, fpreal4::FromDouble(zoom), inch, inch);
}

int PixelMapping::X(double h) const { return RoundHalfAway(h * perDviX_) + originX_; }
int PixelMapping::Y(double v) const { return RoundHalfAway(v * perDviY_) + originY_; }
int PixelMapping::Width(double d) const { return Ceiling(d * perDviX_); }
int PixelMapping::Height(double d) const { return Ceiling(d * perDviY_); }
int PixelMapping::DviX(int x) const { return RoundHalfAway((x - originX_) * dviPerPixelX_); }
int PixelMapping::DviY(int y) const { return RoundHalfAway((y - originY_) * dviPerPixelY_); }

std::array<int, 4> PixelMapping::Box(int32_t left, int32_t top, int32_t width, int32_t height) const {
    int x = X(left), y = Y(top);
    int right = X(static_cast<double>(left) + width), bottom = Y(static_cast<double>(top) + height);
    return {x, y, std::max(1, right - x), std::max(1, bottom - y)};
}

}  // namespace ksdvi

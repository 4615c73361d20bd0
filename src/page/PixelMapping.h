#pragma once
// DVI units as device pixels, and back: the one formula every part of ksdvi
// uses, magnification and zoom included. A DVI unit is num/den x 10^-7 m
// (a scaled point for TeX's files); a device has its dots per inch.

#include <array>
#include <cstdint>

#include "stream/fpreal4.h"

class KsDvi;

namespace ksdvi {

// TeX's units in scaled points: 72.27 points to the inch.
inline constexpr double kSpPerPoint = 65536.0;
inline constexpr double kSpPerInch = 4736286.72;
inline constexpr double kSpPerBigPoint = 65781.76;  // PostScript's point, an inch / 72
inline constexpr double kSpPerMetre = 186467981.1023622;

// Pixels per DVI unit at `dpi` dots per inch, magnified by absMag / 10000
// (the preamble's mag x 10): num x absMag x dpi / den / (0.0254 m x 10^7 x 10^4).
double PixelsPerDviUnit(uint32_t num, uint32_t den, double absMag, double dpi);

// Record units (the binary drawing records' and Windows-font text's) as
// pixels of a device of `dpi` dots per inch at `zoomRaw` (10000 is 100%),
// `resolution` record units to the inch; truncated.
int RecordUnitsToPixels(double units, double dpi, double zoomRaw, unsigned resolution);

class PixelMapping {
public:
    PixelMapping() = default;
    // A device of `dpiX` by `dpiY` dots per inch at `zoom`, the DVI origin
    // at device pixel (originX, originY).
    PixelMapping(KsDvi const& dvi, double dpiX, double dpiY, fpreal4 zoom, int originX, int originY);
    // As ksdvi draws pages by default: the DVI origin an inch from the top
    // and left edges of the paper.
    static PixelMapping OneInchIn(KsDvi const& dvi, double dpi, double zoom = 1.0);

    // Dots per inch, zoom included.
    double DpiX() const { return dpiX_; }
    double DpiY() const { return dpiY_; }
    double PerDviX() const { return perDviX_; }
    double PerDviY() const { return perDviY_; }
    int OriginX() const { return originX_; }
    int OriginY() const { return originY_; }

    // A position, rounded half away from zero.
    int X(double h) const;
    int Y(double v) const;
    // A length, rounded up to whole pixels.
    int Width(double d) const;
    int Height(double d) const;
    // A device position in DVI units.
    int DviX(int x) const;
    int DviY(int y) const;
    // x, y, width and height of a box at (left, top); at least a pixel each way.
    std::array<int, 4> Box(int32_t left, int32_t top, int32_t width, int32_t height) const;

private:
    double dpiX_ = 0, dpiY_ = 0;
    double perDviX_ = 0, perDviY_ = 0;
    double dviPerPixelX_ = 0, dviPerPixelY_ = 0;
    int originX_ = 0, originY_ = 0;
};

}  // namespace ksdvi

#pragma once
// Positions and boxes of a page in DVI units as device pixels, the way
// `ksdvi render` places them: the DVI origin one inch from the top and left
// edges, positions rounded half away from zero.

#include <array>

#include "dvi/KsDvi.h"

class DviPixels {
public:
    DviPixels(KsDvi const& dvi, int dpi, double zoom = 1.0);
    int X(int h) const;
    int Y(int v) const;
    // x, y, width and height of a box; at least one pixel each way.
    std::array<int, 4> Box(int left, int top, int width, int height) const;

private:
    double perDvi_;
    int origin_;
};

#include "device/TransformedRule.h"

#include <algorithm>
#include <cmath>

#include "stream/DeviceRounding.h"

namespace ksdvi {

namespace {

using Corner = DeviceRule::Corner;

// Whole pixels from `from` to `to`, at least one.
std::pair<double, double> OnWholePixels(double from, double to) {
    int const start = RoundHalfAway(from);
    return {start, std::max(start + 1, RoundHalfAway(to))};
}

}  // namespace

double ThicknessOnDevice(Affine const& world, double thickness, bool lengthAlongX) {
    double const length = lengthAlongX ? std::hypot(world.a, world.b) : std::hypot(world.c, world.d);
    return length > 0 ? thickness * std::abs(world.a * world.d - world.b * world.c) / length : 0;
}

DeviceRule TransformedRule(Affine const& world, double left, double top, double right, double bottom, double originX,
                           double originY) {
    DeviceRule rule;
    bool const keepsAxes = (world.b == 0 && world.c == 0) || (world.a == 0 && world.d == 0);
    if (keepsAxes) {
        auto const box = world.BoundsOf(left, top, right, bottom);
        auto const [x0, x1] = OnWholePixels(box[0] + originX, box[2] + originX);
        auto const [y0, y1] = OnWholePixels(box[1] + originY, box[3] + originY);
        rule.corners = {{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}};
        return rule;
    }
    rule.upright = false;
    Corner p[4];
    double const xs[4] = {left, right, right, left}, ys[4] = {top, top, bottom, bottom};
    for (int i = 0; i < 4; ++i) {
        world.Apply(xs[i], ys[i], p[i].x, p[i].y);
        p[i].x += originX;
        p[i].y += originY;
    }
    // Where a way's thickness is under a pixel, the two sides move apart about
    // the middle.
    double const thick = ThicknessOnDevice(world, bottom - top, true);
    double const wide = ThicknessOnDevice(world, right - left, false);
    if (!(thick > 1e-9 && wide > 1e-9)) {  // a transformation that flattens it: nothing shows
        rule.corners.fill(p[0]);
        return rule;
    }
    double const growDown = thick < 1 ? (1 / thick - 1) / 2 : 0, growAcross = wide < 1 ? (1 / wide - 1) / 2 : 0;
    Corner const shiftDown{(p[3].x - p[0].x) * growDown, (p[3].y - p[0].y) * growDown};
    Corner const shiftAcross{(p[1].x - p[0].x) * growAcross, (p[1].y - p[0].y) * growAcross};
    int const signAcross[4] = {-1, 1, 1, -1}, signDown[4] = {-1, -1, 1, 1};
    for (int i = 0; i < 4; ++i) {
        rule.corners[i].x = p[i].x + signAcross[i] * shiftAcross.x + signDown[i] * shiftDown.x;
        rule.corners[i].y = p[i].y + signAcross[i] * shiftAcross.y + signDown[i] * shiftDown.y;
    }
    return rule;
}

}  // namespace ksdvi

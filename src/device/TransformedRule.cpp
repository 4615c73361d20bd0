#include "device/TransformedRule.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "stream/DeviceRounding.h"

namespace ksdvi {

namespace {

using Corner = DeviceRule::Corner;

// Whole pixels as an untransformed rule has them: its left and bottom edges
// rounded, its width and height rounded up, at least one pixel each.
std::array<DeviceRule::Corner, 4> OnWholePixels(std::array<double, 4> const& box) {
    double const left = RoundHalfAway(box[0]), bottom = RoundHalfAway(box[3]);
    double const right = left + std::max(1, Ceiling(box[2] - box[0] - 1e-6));
    double const top = bottom - std::max(1, Ceiling(box[3] - box[1] - 1e-6));
    return {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}};
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
        auto box = world.BoundsOf(left, top, right, bottom);
        box[0] += originX, box[2] += originX, box[1] += originY, box[3] += originY;
        rule.corners = OnWholePixels(box);
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

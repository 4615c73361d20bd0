#pragma once
// A TeX rule under a transformation (\rotatebox, \scalebox), as PDF readers
// show the thin rules dvipdfmx strokes.

#include "device/Affine.h"
#include "device/OutputDevice.h"

namespace ksdvi {

// The rule from (left, top) to (right, bottom), in pixels from the origin
// (originX, originY) about which `world` turns and scales. One that stays
// upright lands on whole pixels as an untransformed rule does; a turned one keeps its exact corners but is made at
// least a pixel thick each way, about its middle, so that it shows as a line rather than a grey sliver. No colour set.
// How thick on the device a rule `thickness` pixels thick is under `world`,
// its length running along x (`lengthAlongX`) or along y; 0 when `world`
// flattens it.
double ThicknessOnDevice(Affine const& world, double thickness, bool lengthAlongX);

DeviceRule TransformedRule(Affine const& world, double left, double top, double right, double bottom, double originX,
                           double originY);

}  // namespace ksdvi

#pragma once
// The dark reading mode: every pixel's lightness inverted, its hue and
// saturation kept, so that black text on white turns light on dark and
// coloured text keeps its colour.

#include <cairo.h>

namespace ksdvi::view {

// Changes an RGB24 or ARGB32 image surface in place.
void InvertLightness(cairo_surface_t* surface);

}  // namespace ksdvi::view

#pragma once
// The dark reading mode: every pixel's lightness inverted, its hue and
// saturation kept, so that black text on white turns light on dark and
// coloured text keeps its colour. Pictures stay as they are.

#include <cairo.h>

#include <vector>

#include <ksdvi/Document.h>

namespace ksdvi::view {

// Changes an RGB24 or ARGB32 image surface in place, but for the pixels
// whose centres lie in `keep` (rectangles in the surface's pixels).
void InvertLightness(cairo_surface_t* surface, std::vector<Rect> const& keep = {});

}  // namespace ksdvi::view

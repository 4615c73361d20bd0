#pragma once
// A raster picture of the painter (DeviceImage), or a bitmap font's glyph,
// painted with Cairo: the vector device embeds them so, and the raster device
// draws turned ones so.

#include <cairo.h>

#include "device/OutputDevice.h"
#include "platform/gdi/ScaledFont.h"

namespace ksdvi {

// The picture's part as an RGB24 surface, pixel for pixel; null when its DIB
// does not decode. The caller destroys it.
cairo_surface_t* ImageSurfaceOf(DeviceImage const& image);

// Where the picture's box (width by height, from its top-left corner) lies
// in device pixels: at (x, y), then through its transformation.
Affine ImagePlacement(DeviceImage const& image);

// Paints `pixels` (ImageSurfaceOf's) with `op` onto `cr`, whose space is the
// picture's box.
void PaintImageInBox(cairo_t* cr, DeviceImage const& image, cairo_surface_t* pixels, cairo_operator_t op);

// A bitmap glyph's coverage as an image mask; null for an empty glyph. The
// caller destroys it.
cairo_surface_t* GlyphMask(gdi::Glyph const& glyph);

}  // namespace ksdvi

#pragma once
// ksdvi's colours (0x00BBGGRR) as a Cairo source.

#include <cairo.h>

#include <cstdint>

namespace ksdvi {

inline void SetCairoSource(cairo_t* cr, std::uint32_t colour, double opacity = 1) {
    double const r = (colour & 0xFF) / 255.0, g = (colour >> 8 & 0xFF) / 255.0, b = (colour >> 16 & 0xFF) / 255.0;
    if (opacity < 1)
        cairo_set_source_rgba(cr, r, g, b, opacity);
    else
        cairo_set_source_rgb(cr, r, g, b);
}

}  // namespace ksdvi

#include "DarkMode.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ksdvi::view {

// Inverting lightness in HSL keeps hue and saturation: L' = 1 - L moves
// every channel by the same amount, (max + min) of the new pixel being
// 2 - (max + min) of the old. Per channel: c' = c + (255 - max - min).
void InvertLightness(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int const width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    int const stride = cairo_image_surface_get_stride(surface);
    if (!data) return;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            std::uint32_t const p = row[x];
            std::array<int, 3> c{int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
            int const shift = 255 - *std::max_element(c.begin(), c.end()) - *std::min_element(c.begin(), c.end());
            for (int& v : c) v = std::clamp(v + shift, 0, 255);
            row[x] = (p & 0xFF000000u) | std::uint32_t(c[0]) << 16 | std::uint32_t(c[1]) << 8 | std::uint32_t(c[2]);
        }
    }
    cairo_surface_mark_dirty(surface);
}

}  // namespace ksdvi::view

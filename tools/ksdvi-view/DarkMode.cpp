#include "DarkMode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace ksdvi::view {

// Inverting lightness in HSL keeps hue and saturation: L' = 1 - L moves
// every channel by the same amount, (max + min) of the new pixel being
// 2 - (max + min) of the old. Per channel: c' = c + (255 - max - min).
void InvertLightness(cairo_surface_t* surface, std::vector<Rect> const& keep) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int const width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    int const stride = cairo_image_surface_get_stride(surface);
    if (!data) return;
    // The columns kept in a row: [first, end) spans.
    std::vector<std::pair<int, int>> kept;
    auto pixel = [](double v, int most) { return static_cast<int>(std::clamp(std::round(v), 0.0, double(most))); };
    for (int y = 0; y < height; ++y) {
        kept.clear();
        for (Rect const& r : keep)
            if (y + 0.5 >= r.y && y + 0.5 < r.y + r.height)
                kept.emplace_back(pixel(r.x, width), pixel(r.x + r.width, width));
        auto* row = reinterpret_cast<std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            if (std::any_of(kept.begin(), kept.end(),
                            [x](auto const& span) { return x >= span.first && x < span.second; }))
                continue;
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

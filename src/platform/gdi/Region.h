// A set of device pixels as y-x banded rectangles (pixman's region), the
// representation behind CRgn, clip regions and clip paths.
#pragma once

#include <cstdint>
#include <span>

#include <pixman.h>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class Region {
public:
    Region();
    explicit Region(const RECT& r);
    Region(const Region& other);
    Region(Region&& other) noexcept;
    Region& operator=(const Region& other);
    Region& operator=(Region&& other) noexcept;
    ~Region();

    // Pixels whose 8-bit coverage in a mask (w x h at x0, y0) reaches 128.
    static Region FromMask(const std::uint8_t* mask, int stride, int x0, int y0, int w, int h);

    // RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF or RGN_COPY of a and b.
    static Region Combine(const Region& a, const Region& b, int mode);

    bool IsEmpty() const;
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Kind() const;
    RECT Box() const;
    bool Contains(int x, int y) const;
    bool Equals(const Region& other) const;
    void Offset(int dx, int dy);
    Region Intersected(const RECT& r) const;
    std::span<const pixman_box32_t> Rects() const;

private:
    pixman_region32_t region_;
};

}  // namespace ksdvi::gdi

#include "platform/gdi/Region.h"

#include <algorithm>
#include <vector>

namespace ksdvi::gdi {

namespace {

pixman_box32_t ToBox(const RECT& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

}  // namespace

Region::Region() { pixman_region32_init(&region_); }

Region::Region(const RECT& r) {
    const pixman_box32_t b = ToBox(r);
    pixman_region32_init_rect(&region_, b.x1, b.y1, unsigned(b.x2 - b.x1), unsigned(b.y2 - b.y1));
}

Region::Region(const Region& other) {
    pixman_region32_init(&region_);
    pixman_region32_copy(&region_, &other.region_);
}

Region::Region(Region&& other) noexcept : Region() { pixman_region32_copy(&region_, &other.region_); }

Region& Region::operator=(const Region& other) {
    if (this != &other) pixman_region32_copy(&region_, &other.region_);
    return *this;
}

Region& Region::operator=(Region&& other) noexcept { return *this = static_cast<const Region&>(other); }

Region::~Region() { pixman_region32_fini(&region_); }

Region Region::FromMask(const std::uint8_t* mask, int stride, int x0, int y0, int w, int h) {
    std::vector<pixman_box32_t> boxes;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = mask + std::ptrdiff_t(y) * stride;
        for (int x = 0; x < w;) {
            while (x < w && row[x] < 128) ++x;
            const int start = x;
            while (x < w && row[x] >= 128) ++x;
            if (x > start) boxes.push_back({x0 + start, y0 + y, x0 + x, y0 + y + 1});
        }
    }
    Region r;
    pixman_region32_fini(&r.region_);
    pixman_region32_init_rects(&r.region_, boxes.data(), int(boxes.size()));
    return r;
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
    Region r;
    switch (mode) {
    case RGN_AND: pixman_region32_intersect(&r.region_, &a.region_, &b.region_); break;
    case RGN_OR: pixman_region32_union(&r.region_, &a.region_, &b.region_); break;
    case RGN_DIFF: pixman_region32_subtract(&r.region_, &a.region_, &b.region_); break;
    case RGN_XOR: {
        Region ab, ba;
        pixman_region32_subtract(&ab.region_, &a.region_, &b.region_);
        pixman_region32_subtract(&ba.region_, &b.region_, &a.region_);
        pixman_region32_union(&r.region_, &ab.region_, &ba.region_);
        break;
    }
    default: r = a; break;
    }
    return r;
}

bool Region::IsEmpty() const { return !pixman_region32_not_empty(&region_); }

int Region::Kind() const {
    const int n = pixman_region32_n_rects(&region_);
    return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT Region::Box() const {
    if (IsEmpty()) return {};
    const pixman_box32_t* e = pixman_region32_extents(&region_);
    return {e->x1, e->y1, e->x2, e->y2};
}

bool Region::Contains(int x, int y) const { return pixman_region32_contains_point(&region_, x, y, nullptr); }

bool Region::Equals(const Region& other) const { return pixman_region32_equal(&region_, &other.region_); }

void Region::Offset(int dx, int dy) { pixman_region32_translate(&region_, dx, dy); }

Region Region::Intersected(const RECT& rect) const {
    Region r;
    const pixman_box32_t b = ToBox(rect);
    pixman_region32_intersect_rect(&r.region_, &region_, b.x1, b.y1, unsigned(b.x2 - b.x1), unsigned(b.y2 - b.y1));
    return r;
}

std::span<const pixman_box32_t> Region::Rects() const {
    int n = 0;
    const pixman_box32_t* rects = pixman_region32_rectangles(&region_, &n);
    return {rects, std::size_t(n)};
}

}  // namespace ksdvi::gdi

#include "device/Affine.h"

#include <algorithm>
#include <cmath>

namespace ksdvi {

Affine Affine::Then(Affine const& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,       c * t.a + d * t.c,
            c * t.b + d * t.d, e * t.a + f * t.c + t.e, e * t.b + f * t.d + t.f};
}

std::array<double, 4> Affine::BoundsOf(double x0, double y0, double x1, double y1) const {
    std::array<double, 4> box{};
    bool first = true;
    for (auto [u, v] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}) {
        double x, y;
        Apply(u, v, x, y);
        box = first ? std::array{x, y, x, y}
                    : std::array{std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
        first = false;
    }
    return box;
}

Affine Affine::Inverse() const {
    double det = a * d - b * c;
    if (!(std::fabs(det) > 1e-12)) return {};
    Affine r{d / det, -b / det, -c / det, a / det, 0, 0};
    r.e = -(e * r.a + f * r.c);
    r.f = -(e * r.b + f * r.d);
    return r;
}

}  // namespace ksdvi

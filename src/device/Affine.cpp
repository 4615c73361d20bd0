#include "device/Affine.h"

#include <cmath>

namespace ksdvi {

Affine Affine::Then(Affine const& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,       c * t.a + d * t.c,
            c * t.b + d * t.d, e * t.a + f * t.c + t.e, e * t.b + f * t.d + t.f};
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

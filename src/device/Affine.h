#pragma once
// A transformation of the plane, as PostScript's matrices are.

#include <array>
#include <cmath>

namespace ksdvi {

// x' = a x + c y + e, y' = b x + d y + f, as PostScript writes [a b c d e f].
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    bool IsIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1 && e == 0 && f == 0; }
    // How many times it enlarges lengths, on average: the square root of the
    // factor by which it scales areas.
    double Enlargement() const { return std::sqrt(std::abs(a * d - b * c)); }
    // The same transformation about the point (x, y) instead of the origin.
    Affine About(double x, double y) const { return {a, b, c, d, e + x - a * x - c * y, f + y - b * x - d * y}; }
    void Apply(double x, double y, double& outX, double& outY) const {
        outX = a * x + c * y + e;
        outY = b * x + d * y + f;
    }
    // The box (left, top, right, bottom) around the image of the rectangle
    // from (x0, y0) to (x1, y1).
    std::array<double, 4> BoundsOf(double x0, double y0, double x1, double y1) const;
    // This transformation followed by `then`.
    Affine Then(Affine const& then) const;
    // Identity when the transformation cannot be undone.
    Affine Inverse() const;
    bool operator==(Affine const&) const = default;
};

// A PDF matrix (y up, offsets in points) in device dots with y down, at
// `dpiX` by `dpiY` dots per inch.
inline Affine FromPdfMatrix(double const (&m)[6], double dpiX, double dpiY) {
    return {m[0], -m[1], -m[2], m[3], m[4] * dpiX / 72, -m[5] * dpiY / 72};
}

}  // namespace ksdvi

#include "platform/gdi/Path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ksdvi::gdi {

namespace {

constexpr double kKappa = 0.5522847498307936;  // circle quadrant as a cubic

PointD Lerp(PointD a, PointD b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

void FlattenCubic(PointD p0, PointD c1, PointD c2, PointD p3, std::vector<PointD>& out) {
    const double len = std::hypot(c1.x - p0.x, c1.y - p0.y) + std::hypot(c2.x - c1.x, c2.y - c1.y) +
                       std::hypot(p3.x - c2.x, p3.y - c2.y);
    const int steps = std::clamp(int(std::sqrt(len) * 2), 4, 256);
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        const PointD a = Lerp(p0, c1, t), b = Lerp(c1, c2, t), c = Lerp(c2, p3, t);
        const PointD d = Lerp(a, b, t), e = Lerp(b, c, t);
        out.push_back(Lerp(d, e, t));
    }
}

// Screen angle of a point seen from the centre, measured counter-clockwise
// (y grows downwards on screen) and corrected for the ellipse's aspect.
double RadialAngle(PointD c, double rx, double ry, PointD p) {
    return std::atan2(-(p.y - c.y) / std::max(ry, 1e-9), (p.x - c.x) / std::max(rx, 1e-9));
}

}  // namespace

void Path::MoveTo(PointD p) { nodes_.push_back({p, PT_MOVETO}); }

void Path::LineTo(PointD p) {
    if (nodes_.empty()) MoveTo(p);
    nodes_.push_back({p, PT_LINETO});
}

void Path::BezierTo(PointD c1, PointD c2, PointD p) {
    if (nodes_.empty()) MoveTo(c1);
    nodes_.push_back({c1, PT_BEZIERTO});
    nodes_.push_back({c2, PT_BEZIERTO});
    nodes_.push_back({p, PT_BEZIERTO});
}

void Path::CloseFigure() {
    if (!nodes_.empty() && nodes_.back().type != PT_MOVETO) nodes_.back().type |= PT_CLOSEFIGURE;
}

void Path::Append(const Path& other, std::size_t from) {
    if (from < other.nodes_.size())
        nodes_.insert(nodes_.end(), other.nodes_.begin() + std::ptrdiff_t(from), other.nodes_.end());
}

bool Path::LastPoint(PointD& out) const {
    if (nodes_.empty()) return false;
    out = nodes_.back().p;
    return true;
}

std::vector<Path::Polyline> Path::Flatten() const {
    std::vector<Polyline> figures;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        const Node& n = nodes_[i];
        const BYTE kind = n.type & ~PT_CLOSEFIGURE;
        if (kind == PT_MOVETO || figures.empty() || figures.back().closed) {
            figures.push_back({});
            if (kind != PT_MOVETO && i > 0) figures.back().points.push_back(nodes_[i - 1].p);
        }
        Polyline& fig = figures.back();
        if (kind == PT_BEZIERTO && i + 2 < nodes_.size() && !fig.points.empty()) {
            FlattenCubic(fig.points.back(), n.p, nodes_[i + 1].p, nodes_[i + 2].p, fig.points);
            i += 2;
        } else {
            fig.points.push_back(n.p);
        }
        if (nodes_[i].type & PT_CLOSEFIGURE) fig.closed = true;
    }
    return figures;
}

void Path::Bounds(double& x0, double& y0, double& x1, double& y1) const {
    x0 = y0 = 0;
    x1 = y1 = -1;
    if (nodes_.empty()) return;
    x0 = x1 = nodes_[0].p.x;
    y0 = y1 = nodes_[0].p.y;
    for (const Node& n : nodes_) {
        x0 = std::min(x0, n.p.x);
        x1 = std::max(x1, n.p.x);
        y0 = std::min(y0, n.p.y);
        y1 = std::max(y1, n.p.y);
    }
}

Path Path::Rectangle(double l, double t, double r, double b) {
    Path p;
    p.MoveTo({l, t});
    p.LineTo({r - 1, t});
    p.LineTo({r - 1, b - 1});
    p.LineTo({l, b - 1});
    p.CloseFigure();
    return p;
}

Path Path::Ellipse(double l, double t, double r, double b) {
    const double cx = (l + r - 1) / 2, cy = (t + b - 1) / 2;
    const double rx = (r - 1 - l) / 2, ry = (b - 1 - t) / 2;
    const double kx = rx * kKappa, ky = ry * kKappa;
    Path p;
    p.MoveTo({cx + rx, cy});
    p.BezierTo({cx + rx, cy - ky}, {cx + kx, cy - ry}, {cx, cy - ry});
    p.BezierTo({cx - kx, cy - ry}, {cx - rx, cy - ky}, {cx - rx, cy});
    p.BezierTo({cx - rx, cy + ky}, {cx - kx, cy + ry}, {cx, cy + ry});
    p.BezierTo({cx + kx, cy + ry}, {cx + rx, cy + ky}, {cx + rx, cy});
    p.CloseFigure();
    return p;
}

Path Path::RoundRect(double l, double t, double r, double b, double w, double h) {
    const double R = r - 1, B = b - 1;
    const double rx = std::min(std::abs(w) / 2, (R - l) / 2), ry = std::min(std::abs(h) / 2, (B - t) / 2);
    if (rx <= 0 || ry <= 0) return Rectangle(l, t, r, b);
    const double kx = rx * kKappa, ky = ry * kKappa;
    Path p;
    p.MoveTo({R - rx, t});
    p.BezierTo({R - rx + kx, t}, {R, t + ry - ky}, {R, t + ry});
    p.LineTo({R, B - ry});
    p.BezierTo({R, B - ry + ky}, {R - rx + kx, B}, {R - rx, B});
    p.LineTo({l + rx, B});
    p.BezierTo({l + rx - kx, B}, {l, B - ry + ky}, {l, B - ry});
    p.LineTo({l, t + ry});
    p.BezierTo({l, t + ry - ky}, {l + rx - kx, t}, {l + rx, t});
    p.CloseFigure();
    return p;
}

void Path::AppendArc(double l, double t, double r, double b, PointD start, PointD end, bool clockwise, bool connect) {
    const PointD c{(l + r - 1) / 2, (t + b - 1) / 2};
    const double rx = std::abs(r - 1 - l) / 2, ry = std::abs(b - 1 - t) / 2;
    double a0 = RadialAngle(c, rx, ry, start);
    double a1 = RadialAngle(c, rx, ry, end);
    // Counter-clockwise on screen is increasing angle here; equal radials make
    // a full turn, as in GDI.
    double sweep = clockwise ? a0 - a1 : a1 - a0;
    while (sweep <= 1e-12) sweep += 2 * std::numbers::pi;
    if (clockwise) sweep = -sweep;
    const auto at = [&](double a) { return PointD{c.x + rx * std::cos(a), c.y - ry * std::sin(a)}; };
    const int pieces = std::max(1, int(std::ceil(std::abs(sweep) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    if (connect && !nodes_.empty())
        LineTo(at(a0));
    else
        MoveTo(at(a0));
    for (int i = 0; i < pieces; ++i) {
        const double s = a0 + step * i, e = s + step;
        const PointD p0 = at(s), p3 = at(e);
        // Derivatives of the parametrisation, scaled for the cubic's handles.
        const PointD d0{-rx * std::sin(s), -ry * std::cos(s)}, d3{-rx * std::sin(e), -ry * std::cos(e)};
        BezierTo({p0.x + k * d0.x, p0.y + k * d0.y}, {p3.x - k * d3.x, p3.y - k * d3.y}, p3);
    }
}

Path Path::Arc(double l, double t, double r, double b, PointD start, PointD end, bool clockwise, ArcKind kind) {
    Path p;
    if (kind == ArcKind::Pie) p.MoveTo({(l + r - 1) / 2, (t + b - 1) / 2});
    p.AppendArc(l, t, r, b, start, end, clockwise, kind == ArcKind::Pie);
    if (kind != ArcKind::Open) p.CloseFigure();
    return p;
}

}  // namespace ksdvi::gdi

#include "platform/gdi/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <cairo.h>

namespace ksdvi::gdi {

namespace {

// Cairo's fixed-point coordinates overflow far out; clamp well inside.
constexpr double kCoordLimit = 1 << 22;

double Clamp(double v) { return std::isfinite(v) ? std::clamp(v, -kCoordLimit, kCoordLimit) : 0; }

struct CairoDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

void AddPath(cairo_t* cr, const Path& path) {
    const auto& nodes = path.Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Path::Node& n = nodes[i];
        // Pixel (x, y) has its centre at (x + 0.5, y + 0.5).
        const double x = Clamp(n.p.x) + 0.5, y = Clamp(n.p.y) + 0.5;
        switch (n.type & ~PT_CLOSEFIGURE) {
        case PT_MOVETO: cairo_move_to(cr, x, y); break;
        case PT_BEZIERTO:
            if (i + 2 < nodes.size()) {
                cairo_curve_to(cr, x, y, Clamp(nodes[i + 1].p.x) + 0.5, Clamp(nodes[i + 1].p.y) + 0.5,
                               Clamp(nodes[i + 2].p.x) + 0.5, Clamp(nodes[i + 2].p.y) + 0.5);
                i += 2;
            }
            break;
        default: cairo_line_to(cr, x, y); break;
        }
        if (nodes[i].type & PT_CLOSEFIGURE) cairo_close_path(cr);
    }
}

// Runs `draw` on an A8 surface covering the path's box (grown by `margin`)
// inside `limit`, and returns its pixels.
template <typename Draw>
CoverageMask Rasterize(const Path& path, double margin, bool antialias, const RECT& limit, Draw draw) {
    CoverageMask mask;
    if (path.IsEmpty()) return mask;
    double bx0, by0, bx1, by1;
    path.Bounds(bx0, by0, bx1, by1);
    const int x0 = std::max<double>(limit.left, std::floor(Clamp(bx0) - margin));
    const int y0 = std::max<double>(limit.top, std::floor(Clamp(by0) - margin));
    const int x1 = std::min<double>(limit.right, std::ceil(Clamp(bx1) + margin) + 2);
    const int y1 = std::min<double>(limit.bottom, std::ceil(Clamp(by1) + margin) + 2);
    // Masks are bounded: a quarter of a gigabyte is no mask anyone draws.
    if (x1 <= x0 || y1 <= y0 || std::int64_t(x1 - x0) * (y1 - y0) > (std::int64_t(1) << 28)) return mask;
    std::unique_ptr<cairo_surface_t, CairoDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_A8, x1 - x0, y1 - y0));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return mask;
    {
        std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
        cairo_translate(cr.get(), -x0, -y0);
        cairo_set_antialias(cr.get(), antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
        AddPath(cr.get(), path);
        draw(cr.get());
    }
    cairo_surface_flush(surface.get());
    mask.x0 = x0;
    mask.y0 = y0;
    mask.width = x1 - x0;
    mask.height = y1 - y0;
    mask.coverage.resize(std::size_t(mask.width) * mask.height);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < mask.height; ++y)
        std::memcpy(&mask.coverage[std::size_t(y) * mask.width], data + std::ptrdiff_t(y) * stride,
                    std::size_t(mask.width));
    return mask;
}

cairo_line_cap_t Cap(UINT cap) {
    switch (cap) {
    case PS_ENDCAP_FLAT: return CAIRO_LINE_CAP_BUTT;
    case PS_ENDCAP_SQUARE: return CAIRO_LINE_CAP_SQUARE;
    default: return CAIRO_LINE_CAP_ROUND;
    }
}

cairo_line_join_t Join(UINT join) {
    switch (join) {
    case PS_JOIN_BEVEL: return CAIRO_LINE_JOIN_BEVEL;
    case PS_JOIN_MITER: return CAIRO_LINE_JOIN_MITER;
    default: return CAIRO_LINE_JOIN_ROUND;
    }
}

}  // namespace

CoverageMask RasterizeFill(const Path& path, int fillMode, bool antialias, const RECT& limit) {
    return Rasterize(path, 1, antialias, limit, [&](cairo_t* cr) {
        cairo_set_fill_rule(cr, fillMode == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
    });
}

CoverageMask RasterizeStroke(const Path& path, const StrokeStyle& style, bool antialias, const RECT& limit) {
    const double width = std::clamp(style.width, 1.0, kCoordLimit / 4);
    // Miter joins may reach far beyond the half width.
    const double margin = width * (style.join == PS_JOIN_MITER ? 10 : 1) + 2;
    return Rasterize(path, margin, antialias, limit, [&](cairo_t* cr) {
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, Cap(style.endCap));
        cairo_set_line_join(cr, Join(style.join));
        if (!style.dashes.empty()) cairo_set_dash(cr, style.dashes.data(), int(style.dashes.size()), 0);
        cairo_stroke(cr);
    });
}

namespace {

// Cuts the segment a-b to the box (Liang-Barsky); false when it misses.
bool ClipSegment(PointD& a, PointD& b, double x0, double y0, double x1, double y1) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy}, q[4] = {a.x - x0, x1 - a.x, a.y - y0, y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const PointD start{a.x + t0 * dx, a.y + t0 * dy};
    b = {a.x + t1 * dx, a.y + t1 * dy};
    a = start;
    return true;
}

}  // namespace

void WalkCosmeticPath(const Path& path, const std::vector<int>& pattern, const RECT& limit,
                      const std::function<void(int, int, bool)>& plot) {
    int total = 0;
    for (int len : pattern) total += std::max(len, 0);
    long step = 0;
    const auto style = [&]() {
        if (total == 0) return true;
        long pos = step++ % total;
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            if (pos < pattern[i]) return i % 2 == 0;
            pos -= pattern[i];
        }
        return true;
    };
    // Segments reaching far outside are cut to a margin round the limit, the
    // style pattern advanced over what was cut.
    const double x0 = limit.left - 2, y0 = limit.top - 2, x1 = limit.right + 2, y1 = limit.bottom + 2;
    const auto outside = [&](PointD p) { return p.x < x0 || p.x > x1 || p.y < y0 || p.y > y1; };
    const auto segment = [&](PointD a, PointD b) {
        if (outside(a) || outside(b)) {
            const PointD from = a;
            if (!ClipSegment(a, b, x0, y0, x1, y1)) {
                step += long(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)));
                return;
            }
            step += long(std::max(std::abs(a.x - from.x), std::abs(a.y - from.y)));
        }
        // Bresenham from a to b, b itself left out.
        long x = std::lround(Clamp(a.x)), y = std::lround(Clamp(a.y));
        const long xe = std::lround(Clamp(b.x)), ye = std::lround(Clamp(b.y));
        const long dx = std::abs(xe - x), dy = -std::abs(ye - y);
        const int sx = x < xe ? 1 : -1, sy = y < ye ? 1 : -1;
        long err = dx + dy;
        while (x != xe || y != ye) {
            plot(int(x), int(y), style());
            const long e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    };
    for (const Path::Polyline& fig : path.Flatten()) {
        for (std::size_t i = 1; i < fig.points.size(); ++i) segment(fig.points[i - 1], fig.points[i]);
        if (fig.closed && fig.points.size() > 1) segment(fig.points.back(), fig.points.front());
    }
}

}  // namespace ksdvi::gdi

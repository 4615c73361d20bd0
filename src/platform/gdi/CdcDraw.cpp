// CDC: lines, shapes, paths, rectangle fills and pixels.
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/CdcPaint.h"
#include "platform/gdi/Compositor.h"
#include "platform/gdi/Rasterizer.h"

namespace ksdvi::gdi {

namespace {

// Cosmetic pen styles, in pixels on and off.
std::vector<int> CosmeticPattern(const PenData& pen) {
    switch (pen.BaseStyle()) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE: return {1, 1};
    case PS_USERSTYLE: return {pen.userStyle.begin(), pen.userStyle.end()};
    default: return {};
    }
}

// Geometric pen styles scale with the width.
std::vector<double> GeometricDashes(const PenData& pen, double width) {
    std::vector<double> d;
    switch (pen.BaseStyle()) {
    case PS_DASH: d = {3, 1}; break;
    case PS_DOT: d = {1, 1}; break;
    case PS_DASHDOT: d = {3, 1, 1, 1}; break;
    case PS_DASHDOTDOT: d = {3, 1, 1, 1, 1, 1}; break;
    case PS_USERSTYLE:
        for (DWORD v : pen.userStyle) d.push_back(std::max<double>(v, 0.01) / width);
        break;
    default: return d;
    }
    for (double& v : d) v *= width;
    return d;
}

const BrushData& SolidBrush() {
    static const BrushData solid;
    return solid;
}

RECT Grow(const RECT& r, int by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

RECT BoxOf(const Path& path, int margin) {
    double x0, y0, x1, y1;
    path.Bounds(x0, y0, x1, y1);
    const auto clamp = [](double v) { return LONG(std::clamp(v, -double(1 << 22), double(1 << 22))); };
    return Grow(RECT{clamp(std::floor(x0)), clamp(std::floor(y0)), clamp(std::ceil(x1)) + 1, clamp(std::ceil(y1)) + 1},
                margin);
}

}  // namespace

bool CDC::Record(const Path& figure) {
    if (!s_.pathOpen) return false;
    const auto& nodes = figure.Nodes();
    std::size_t first = 0;
    PointD last;
    // A figure that starts where the open one ends continues it.
    if (!nodes.empty() && nodes[0].type == PT_MOVETO && s_.path.LastPoint(last) &&
        !(s_.path.Nodes().back().type & PT_CLOSEFIGURE) && last.x == nodes[0].p.x && last.y == nodes[0].p.y)
        first = 1;
    s_.path.Append(figure, first);
    return true;
}

void CDC::FillFigure(const Path& figure, int fillMode) {
    if (!s_.brushData || s_.brushData->IsNull() || figure.IsEmpty()) return;
    const bool copy = s_.rop2 == R2_COPYPEN;
    const CoverageMask mask = RasterizeFill(figure, fillMode, copy, Limit());
    const BrushPaint brush = PaintOf(*s_.brushData);
    Paint(RECT{mask.x0, mask.y0, mask.x0 + mask.width, mask.y0 + mask.height},
          [&](const PaintTarget& t) { PaintCoverage(t, mask, brush, s_.rop2); });
}

void CDC::StrokeFigure(const Path& figure) {
    if (!s_.penData || s_.penData->IsNull() || figure.IsEmpty()) return;
    const PenData& pen = *s_.penData;
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    const double width = pen.width == 0 ? 1 : pen.width * std::abs(sx);
    const Pixel color = Resolve(pen.color);
    if (width < 1.5 && !pen.IsGeometric()) {
        // One-pixel pens walk the pixels, exact in every mode.
        const std::vector<int> pattern = CosmeticPattern(pen);
        const bool gaps = !pattern.empty() && s_.bkMode == OPAQUE;
        const Pixel bk = Resolve(s_.bkColor);
        Paint(BoxOf(figure, 1), [&](const PaintTarget& t) {
            WalkCosmeticPath(figure, pattern, Limit(), [&](int x, int y, bool on) {
                if (on)
                    PlotPixel(t, x, y, color, s_.rop2);
                else if (gaps)
                    PlotPixel(t, x, y, bk, s_.rop2);
            });
        });
        return;
    }
    StrokeStyle style;
    style.width = width;
    if (pen.IsGeometric()) {
        style.endCap = pen.style & PS_ENDCAP_MASK;
        style.join = pen.style & PS_JOIN_MASK;
        style.dashes = GeometricDashes(pen, width);
    }
    const CoverageMask mask = RasterizeStroke(figure, style, s_.rop2 == R2_COPYPEN, Limit());
    const BrushPaint brush(SolidBrush(), color, color, color, false, {});
    Paint(RECT{mask.x0, mask.y0, mask.x0 + mask.width, mask.y0 + mask.height},
          [&](const PaintTarget& t) { PaintCoverage(t, mask, brush, s_.rop2); });
}

BOOL CDC::DrawShape(const Path& figure, bool fill) {
    if (!created_) return FALSE;
    if (Record(figure)) return TRUE;
    if (fill) FillFigure(figure, s_.fillMode);
    StrokeFigure(figure);
    return TRUE;
}

// ---- current position and lines

POINT CDC::MoveTo(int x, int y) { return std::exchange(s_.currentPos, POINT{x, y}); }

BOOL CDC::LineTo(int x, int y) {
    Path line;
    line.MoveTo(ToDevice(s_.currentPos.x, s_.currentPos.y));
    line.LineTo(ToDevice(x, y));
    s_.currentPos = {x, y};
    return DrawShape(line, false);
}

BOOL CDC::DrawPolyline(const POINT* points, int count, bool fromCurrent) {
    if (!points || count < (fromCurrent ? 1 : 2)) return FALSE;
    Path line;
    if (fromCurrent) line.MoveTo(ToDevice(s_.currentPos.x, s_.currentPos.y));
    for (int i = 0; i < count; ++i) {
        const PointD p = ToDevice(points[i].x, points[i].y);
        if (i == 0 && !fromCurrent)
            line.MoveTo(p);
        else
            line.LineTo(p);
    }
    if (fromCurrent) s_.currentPos = points[count - 1];
    return DrawShape(line, false);
}

BOOL CDC::Polyline(const POINT* points, int count) { return DrawPolyline(points, count, false); }

BOOL CDC::Polygon(const POINT* points, int count) { return PolyPolygon(points, &count, 1); }

BOOL CDC::PolyPolygon(const POINT* points, const int* counts, int polygons) {
    if (!points || !counts || polygons <= 0) return FALSE;
    Path figure;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) return FALSE;
        figure.MoveTo(ToDevice(points[0].x, points[0].y));
        for (int j = 1; j < counts[i]; ++j) figure.LineTo(ToDevice(points[j].x, points[j].y));
        figure.CloseFigure();
        points += counts[i];
    }
    return DrawShape(figure, true);
}

BOOL CDC::PolyBezier(const POINT* points, int count) {
    if (!points || count < 4 || (count - 1) % 3) return FALSE;
    Path curve;
    curve.MoveTo(ToDevice(points[0].x, points[0].y));
    for (int i = 1; i + 2 < count; i += 3)
        curve.BezierTo(ToDevice(points[i].x, points[i].y), ToDevice(points[i + 1].x, points[i + 1].y),
                       ToDevice(points[i + 2].x, points[i + 2].y));
    return DrawShape(curve, false);
}

BOOL CDC::PolyDraw(const POINT* points, const BYTE* types, int count) {
    if (!points || !types || count <= 0) return FALSE;
    // Check the whole list first: a bad type draws nothing.
    for (int i = 0; i < count; ++i) {
        const BYTE kind = types[i] & ~PT_CLOSEFIGURE;
        if (kind == PT_BEZIERTO) {
            if (i + 2 >= count || (types[i + 1] & ~PT_CLOSEFIGURE) != PT_BEZIERTO ||
                (types[i + 2] & ~PT_CLOSEFIGURE) != PT_BEZIERTO)
                return FALSE;
            i += 2;
        } else if (kind != PT_MOVETO && kind != PT_LINETO) {
            return FALSE;
        }
    }
    Path figure;
    PointD start = ToDevice(s_.currentPos.x, s_.currentPos.y);
    figure.MoveTo(start);
    for (int i = 0; i < count; ++i) {
        const BYTE kind = types[i] & ~PT_CLOSEFIGURE;
        const PointD p = ToDevice(points[i].x, points[i].y);
        if (kind == PT_MOVETO) {
            figure.MoveTo(p);
            start = p;
        } else if (kind == PT_LINETO) {
            figure.LineTo(p);
        } else {
            figure.BezierTo(p, ToDevice(points[i + 1].x, points[i + 1].y), ToDevice(points[i + 2].x, points[i + 2].y));
            i += 2;
        }
        if (types[i] & PT_CLOSEFIGURE) {
            figure.CloseFigure();
            figure.MoveTo(start);
        }
    }
    s_.currentPos = points[count - 1];
    return DrawShape(figure, false);
}

// ---- shapes in a bounding box

BOOL CDC::Rectangle(int l, int t, int r, int b) {
    const RECT d = ToDeviceRect(l, t, r, b);
    const Path outline = Path::Rectangle(d.left, d.top, d.right, d.bottom);
    if (!created_) return FALSE;
    if (Record(outline)) return TRUE;
    // The interior is exact: right and bottom edges excluded, one more pixel
    // on each when the pen draws there.
    if (s_.brushData && !s_.brushData->IsNull()) {
        const BrushPaint brush = PaintOf(*s_.brushData);
        const RECT inside{d.left, d.top, d.right - 1, d.bottom - 1};
        Paint(inside, [&](const PaintTarget& target) { gdi::FillRect(target, inside, brush, s_.rop2); });
    }
    StrokeFigure(outline);
    return TRUE;
}

BOOL CDC::Ellipse(int l, int t, int r, int b) {
    const RECT d = ToDeviceRect(l, t, r, b);
    return DrawShape(Path::Ellipse(d.left, d.top, d.right, d.bottom), true);
}

BOOL CDC::RoundRect(int l, int t, int r, int b, int w, int h) {
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    const RECT d = ToDeviceRect(l, t, r, b);
    return DrawShape(Path::RoundRect(d.left, d.top, d.right, d.bottom, w * std::abs(sx), h * std::abs(sy)), true);
}

bool CDC::ArcClockwise() const {
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    // The direction is a logical one: a mirrored mapping turns it round.
    return (s_.arcDirection == AD_CLOCKWISE) != (sx * sy < 0);
}

BOOL CDC::DrawArc(Path::ArcKind kind, int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
    const RECT d = ToDeviceRect(l, t, r, b);
    return DrawShape(
        Path::Arc(d.left, d.top, d.right, d.bottom, ToDevice(x1, y1), ToDevice(x2, y2), ArcClockwise(), kind),
        kind != Path::ArcKind::Open);
}

BOOL CDC::Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
    return DrawArc(Path::ArcKind::Open, l, t, r, b, x1, y1, x2, y2);
}

BOOL CDC::Chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
    return DrawArc(Path::ArcKind::Chord, l, t, r, b, x1, y1, x2, y2);
}

BOOL CDC::Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
    return DrawArc(Path::ArcKind::Pie, l, t, r, b, x1, y1, x2, y2);
}

// ---- paths

BOOL CDC::BeginPath() {
    if (!created_) return FALSE;
    s_.path.Clear();
    s_.pathOpen = true;
    s_.pathDone = false;
    return TRUE;
}

BOOL CDC::EndPath() {
    if (!s_.pathOpen) return FALSE;
    s_.pathOpen = false;
    s_.pathDone = true;
    return TRUE;
}

BOOL CDC::AbortPath() {
    s_.path.Clear();
    s_.pathOpen = s_.pathDone = false;
    return TRUE;
}

BOOL CDC::CloseFigure() {
    if (!s_.pathOpen || s_.path.IsEmpty()) return FALSE;
    s_.path.CloseFigure();
    return TRUE;
}

BOOL CDC::PaintPath(bool fill, bool stroke) {
    if (!s_.pathDone) return FALSE;
    const Path path = std::move(s_.path);
    AbortPath();
    if (fill) FillFigure(path, s_.fillMode);
    if (stroke) StrokeFigure(path);
    return TRUE;
}

BOOL CDC::StrokePath() { return PaintPath(false, true); }
BOOL CDC::FillPath() { return PaintPath(true, false); }
BOOL CDC::StrokeAndFillPath() { return PaintPath(true, true); }

int CDC::GetPath(POINT* points, BYTE* types, int count) const {
    if (!s_.pathDone) return -1;
    const auto& nodes = s_.path.Nodes();
    if (count == 0) return int(nodes.size());
    if (!points || !types || count < int(nodes.size())) return -1;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        points[i] = {LONG(std::lround(nodes[i].p.x)), LONG(std::lround(nodes[i].p.y))};
        types[i] = nodes[i].type;
    }
    DPtoLP(points, int(nodes.size()));
    return int(nodes.size());
}

// ---- rectangles and pixels

void CDC::FillRect(const RECT* r, CBrush* brush) {
    if (!r || !brush || !brush->Data()) return;
    const RECT d = ToDeviceRect(r->left, r->top, r->right, r->bottom);
    if (printer_ && !memory_) {
        if (brush->Data()->style == BS_SOLID)
            printer_->FillRect(d, Resolve(brush->Data()->color), s_.clip ? &*s_.clip : nullptr);
        return;
    }
    const BrushPaint paint = PaintOf(*brush->Data());
    Paint(d, [&](const PaintTarget& t) { gdi::FillRect(t, d, paint); });
}

void CDC::FillSolidRect(const RECT* r, COLORREF c) {
    CBrush brush(c);
    FillRect(r, &brush);
}

BOOL CDC::PatBlt(int x, int y, int w, int h, DWORD rop) {
    if (Rop3UsesSource(rop)) return FALSE;
    return TransferFrom(ToDeviceRect(x, y, x + w, y + h), nullptr, RECT{}, rop, SourceConversion{});
}

COLORREF CDC::SetPixel(int x, int y, COLORREF c) {
    const PointD d = ToDevice(x, y);
    const int dx = int(std::lround(d.x)), dy = int(std::lround(d.y));
    const Surface* surface = GetSurface();
    if (!surface || !surface->Contains(dx, dy) || (s_.clip && !s_.clip->Contains(dx, dy))) return CLR_INVALID;
    const Pixel p = Resolve(c);
    Paint(RECT{dx, dy, dx + 1, dy + 1}, [&](const PaintTarget& t) { PlotPixel(t, dx, dy, p, R2_COPYPEN); });
    return ColorFromPixel(surface->At(dx, dy));
}

COLORREF CDC::GetPixel(int x, int y) const {
    const PointD d = ToDevice(x, y);
    const int dx = int(std::lround(d.x)), dy = int(std::lround(d.y));
    const Surface* surface = GetSurface();
    if (!surface || !surface->Contains(dx, dy)) return CLR_INVALID;
    return ColorFromPixel(surface->At(dx, dy));
}

}  // namespace ksdvi::gdi

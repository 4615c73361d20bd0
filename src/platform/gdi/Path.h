// Figures in device space, as GDI's path bracket records them: points with
// PolyDraw types. Coordinates are pixel indices: (x, y) names the pixel whose
// centre lies at (x + 0.5, y + 0.5).
#pragma once

#include <vector>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

struct PointD {
    double x = 0;
    double y = 0;
};

class Path {
public:
    struct Node {
        PointD p;
        BYTE type;  // PT_MOVETO, PT_LINETO or PT_BEZIERTO, possibly | PT_CLOSEFIGURE
    };

    void MoveTo(PointD p);
    void LineTo(PointD p);
    void BezierTo(PointD c1, PointD c2, PointD p);
    void CloseFigure();
    // The other path's nodes from `from` on, as they are.
    void Append(const Path& other, std::size_t from = 0);
    void Clear() { nodes_.clear(); }

    bool IsEmpty() const { return nodes_.empty(); }
    const std::vector<Node>& Nodes() const { return nodes_; }
    // The last point, where a following segment would start.
    bool LastPoint(PointD& out) const;

    // The figures as polylines with curves flattened, each with its closed flag.
    struct Polyline {
        std::vector<PointD> points;
        bool closed = false;
    };
    std::vector<Polyline> Flatten() const;
    // Bounding box of the nodes (curve control points included).
    void Bounds(double& x0, double& y0, double& x1, double& y1) const;

    // Shapes as GDI draws them in the box (l, t, r, b), right and bottom excluded.
    static Path Rectangle(double l, double t, double r, double b);
    static Path Ellipse(double l, double t, double r, double b);
    static Path RoundRect(double l, double t, double r, double b, double w, double h);
    enum class ArcKind { Open, Chord, Pie };
    // An elliptic arc from the radial through `start` to the radial through
    // `end`, counter-clockwise on screen unless `clockwise`.
    static Path Arc(double l, double t, double r, double b, PointD start, PointD end, bool clockwise, ArcKind kind);
    // Appends the arc's points to this path, continuing the current figure.
    void AppendArc(double l, double t, double r, double b, PointD start, PointD end, bool clockwise, bool connect);

private:
    std::vector<Node> nodes_;
};

}  // namespace ksdvi::gdi

// Where a turned page shows its points: a quarter turn clockwise puts the
// page's left edge at the top, as a PDF reader shows /Rotate 90.

#include <algorithm>
#include <cmath>

#include "ksdvi/Document.h"

namespace ksdvi {

Point PageTurn::Shown() const { return degrees == 90 || degrees == 270 ? Point{paper.y, paper.x} : paper; }

Point PageTurn::Show(Point p) const {
    switch (degrees) {
    case 90: return {paper.y - p.y, p.x};
    case 180: return {paper.x - p.x, paper.y - p.y};
    case 270: return {p.y, paper.x - p.x};
    default: return p;
    }
}

Rect PageTurn::Show(Rect r) const {
    Point const a = Show(Point{r.x, r.y}), b = Show(Point{r.x + r.width, r.y + r.height});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x), std::abs(a.y - b.y)};
}

Point PageTurn::Unshow(Point s) const {
    switch (degrees) {
    case 90: return {s.y, paper.y - s.x};
    case 180: return {paper.x - s.x, paper.y - s.y};
    case 270: return {paper.x - s.y, s.x};
    default: return s;
    }
}

}  // namespace ksdvi

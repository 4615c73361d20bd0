#include "platform/gdi/Rgn.h"

#include <algorithm>
#include <limits>

#include "platform/gdi/Path.h"
#include "platform/gdi/Rasterizer.h"

namespace ksdvi::gdi {

namespace {

constexpr RECT kEverywhere{-(1 << 22), -(1 << 22), 1 << 22, 1 << 22};

Region RegionOfPath(const Path& path, int fillMode) {
    const CoverageMask m = RasterizeFill(path, fillMode, false, kEverywhere);
    if (m.IsEmpty()) return Region();
    return Region::FromMask(m.coverage.data(), m.width, m.x0, m.y0, m.width, m.height);
}

}  // namespace

BOOL CRgn::DeleteObject() {
    if (!created_) return FALSE;
    created_ = false;
    region_ = Region();
    return TRUE;
}

void CRgn::Assign(Region region) {
    region_ = std::move(region);
    created_ = true;
}

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) {
    if (created_) return FALSE;
    Assign(Region(RECT{l, t, r, b}));
    return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(const RECT* r) {
    return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : FALSE;
}

BOOL CRgn::CreateEllipticRgn(int l, int t, int r, int b) {
    if (created_) return FALSE;
    Assign(RegionOfPath(Path::Ellipse(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)), ALTERNATE));
    return TRUE;
}

BOOL CRgn::CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode) {
    if (created_ || !points || !counts || polygons <= 0) return FALSE;
    // Polygon regions hold the pixels whose centres lie inside: move the
    // outline by half a pixel so that the rasterizer samples at the centres.
    Path path;
    const POINT* p = points;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) return FALSE;
        path.MoveTo({p[0].x - 0.5, p[0].y - 0.5});
        for (int j = 1; j < counts[i]; ++j) path.LineTo({p[j].x - 0.5, p[j].y - 0.5});
        path.CloseFigure();
        p += counts[i];
    }
    Assign(RegionOfPath(path, fillMode));
    return TRUE;
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    if (!created_ || !a || !a->created_ || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (mode != RGN_COPY && (!b || !b->created_)) return ERROR;
    region_ = Region::Combine(a->region_, mode == RGN_COPY ? a->region_ : b->region_, mode);
    return region_.Kind();
}

}  // namespace ksdvi::gdi

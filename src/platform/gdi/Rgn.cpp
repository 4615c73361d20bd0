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

BOOL CRgn::CreateEllipticRgnIndirect(const RECT* r) {
    return r ? CreateEllipticRgn(r->left, r->top, r->right, r->bottom) : FALSE;
}

BOOL CRgn::CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
    if (created_) return FALSE;
    Assign(
        RegionOfPath(Path::RoundRect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b), w, h), ALTERNATE));
    return TRUE;
}

BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    return CreatePolyPolygonRgn(points, &count, 1, fillMode);
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

int CRgn::CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }

void CRgn::SetRectRgn(int l, int t, int r, int b) { Assign(Region(RECT{l, t, r, b})); }

int CRgn::OffsetRgn(int dx, int dy) {
    if (!created_) return ERROR;
    region_.Offset(dx, dy);
    return region_.Kind();
}

BOOL CRgn::PtInRegion(int x, int y) const { return created_ && region_.Contains(x, y); }

BOOL CRgn::RectInRegion(const RECT* r) const { return created_ && r && !region_.Intersected(*r).IsEmpty(); }

int CRgn::GetRgnBox(RECT* box) const {
    if (!created_ || !box) return ERROR;
    *box = region_.Box();
    return region_.Kind();
}

BOOL CRgn::EqualRgn(const CRgn* other) const {
    return created_ && other && other->created_ && region_.Equals(other->region_);
}

}  // namespace ksdvi::gdi

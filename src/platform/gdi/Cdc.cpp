// CDC: creation, state stack, modes, mapping, object selection and clipping.
#include "platform/gdi/Cdc.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gdi/CdcPaint.h"
#include "platform/gdi/Rasterizer.h"

namespace ksdvi::gdi {

namespace {

constexpr double kCoordLimit = 1 << 22;

LONG RoundToLong(double v) {
    if (!std::isfinite(v)) return 0;
    return LONG(std::lround(std::clamp(v, -kCoordLimit, kCoordLimit)));
}

bool ScalableMode(int mode) { return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC; }

}  // namespace

CDC::CDC() = default;

CDC::CDC(RasterDevice& device) { CreateDC(device); }

CDC::~CDC() = default;

BOOL CDC::CreateDC(RasterDevice& device) {
    if (created_) return FALSE;
    caps_ = device.Caps();
    deviceSurface_ = device.GetSurface();
    memory_ = false;
    created_ = true;
    ResetState();
    return TRUE;
}

CDC::CDC(PrintDevice& printer) { CreateDC(printer); }

BOOL CDC::CreateDC(PrintDevice& printer) {
    if (created_) return FALSE;
    caps_ = printer.Caps();
    printer_ = printer.shared_from_this();
    memory_ = false;
    created_ = true;
    ResetState();
    return TRUE;
}

int CDC::StartPage() { return printer_ && !memory_ && printer_->StartPage() ? 1 : -1; }
int CDC::EndPage() { return printer_ && !memory_ && printer_->EndPage() ? 1 : -1; }

BOOL CDC::CreateCompatibleDC(CDC* reference) {
    if (created_) return FALSE;
    caps_ = reference ? reference->caps_ : DeviceCaps{};
    caps_.rasterCaps = DeviceCaps{}.rasterCaps;  // bitmaps take every transfer
    memory_ = true;
    created_ = true;
    ResetState();
    s_.bitmapSurface = Surface::Create(1, 1, true, kBlackPixel);
    return s_.bitmapSurface != nullptr;
}

BOOL CDC::DeleteDC() {
    if (!created_) return FALSE;
    created_ = false;
    memory_ = false;
    deviceSurface_.reset();
    printer_.reset();
    saved_.clear();
    s_ = State();
    realized_.reset();
    realizedFor_.reset();
    return TRUE;
}

void CDC::ResetState() {
    s_ = State();
    saved_.clear();
    SelectStockObject(BLACK_PEN);
    SelectStockObject(WHITE_BRUSH);
    SelectStockObject(SYSTEM_FONT);
    SelectPalette(static_cast<CPalette*>(GetStockObject(DEFAULT_PALETTE)), FALSE);
}

Surface* CDC::GetSurface() const {
    if (!created_) return nullptr;
    return memory_ ? s_.bitmapSurface.get() : deviceSurface_.get();
}

int CDC::SaveDC() {
    if (!created_) return 0;
    saved_.push_back(s_);
    return int(saved_.size());
}

BOOL CDC::RestoreDC(int saved) {
    const int levels = int(saved_.size());
    const int target = saved < 0 ? levels + saved + 1 : saved;  // -1 is the last one saved
    if (target < 1 || target > levels) return FALSE;
    s_ = std::move(saved_[std::size_t(target - 1)]);
    saved_.resize(std::size_t(target - 1));
    return TRUE;
}

COLORREF CDC::SetTextColor(COLORREF c) { return std::exchange(s_.textColor, c); }
COLORREF CDC::SetBkColor(COLORREF c) { return std::exchange(s_.bkColor, c); }

int CDC::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return std::exchange(s_.bkMode, mode);
}

int CDC::SetROP2(int mode) {
    if (mode < R2_BLACK || mode > R2_WHITE) return 0;
    return std::exchange(s_.rop2, mode);
}

int CDC::SetStretchBltMode(int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return std::exchange(s_.stretchMode, mode);
}

int CDC::SetPolyFillMode(int mode) {
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return std::exchange(s_.fillMode, mode);
}

UINT CDC::SetTextAlign(UINT align) { return std::exchange(s_.textAlign, align & TA_MASK); }

POINT CDC::SetBrushOrg(int x, int y) { return std::exchange(s_.brushOrg, POINT{x, y}); }

// ---- mapping

int CDC::SetMapMode(int mode) {
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
    const int old = std::exchange(s_.mapMode, mode);
    if (mode == MM_ISOTROPIC && old != MM_ISOTROPIC && old != MM_ANISOTROPIC) {
        // Windows starts the isotropic mode as LOMETRIC-like 1:1 extents.
        s_.windowExt = {1, 1};
        s_.viewportExt = {1, 1};
    }
    return old;
}

void CDC::Mapping(double& sx, double& sy, double& ox, double& oy) const {
    sx = sy = 1;
    switch (s_.mapMode) {
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC: {
        const double wx = s_.windowExt.cx ? s_.windowExt.cx : 1, wy = s_.windowExt.cy ? s_.windowExt.cy : 1;
        sx = s_.viewportExt.cx / wx;
        sy = s_.viewportExt.cy / wy;
        if (s_.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    }
    case MM_LOMETRIC: sx = caps_.dpiX / 254.0, sy = -caps_.dpiY / 254.0; break;
    case MM_HIMETRIC: sx = caps_.dpiX / 2540.0, sy = -caps_.dpiY / 2540.0; break;
    case MM_LOENGLISH: sx = caps_.dpiX / 100.0, sy = -caps_.dpiY / 100.0; break;
    case MM_HIENGLISH: sx = caps_.dpiX / 1000.0, sy = -caps_.dpiY / 1000.0; break;
    case MM_TWIPS: sx = caps_.dpiX / 1440.0, sy = -caps_.dpiY / 1440.0; break;
    default: break;
    }
    ox = s_.viewportOrg.x - s_.windowOrg.x * sx;
    oy = s_.viewportOrg.y - s_.windowOrg.y * sy;
}

PointD CDC::ToDevice(double x, double y) const {
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    return {x * sx + ox, y * sy + oy};
}

RECT CDC::ToDeviceRect(int l, int t, int r, int b) const {
    const PointD a = ToDevice(l, t), c = ToDevice(r, b);
    RECT out{RoundToLong(a.x), RoundToLong(a.y), RoundToLong(c.x), RoundToLong(c.y)};
    if (out.left > out.right) std::swap(out.left, out.right);
    if (out.top > out.bottom) std::swap(out.top, out.bottom);
    return out;
}

BOOL CDC::SetWindowOrgEx(int x, int y, POINT* old) {
    if (old) *old = s_.windowOrg;
    s_.windowOrg = {x, y};
    return TRUE;
}

BOOL CDC::SetViewportOrgEx(int x, int y, POINT* old) {
    if (old) *old = s_.viewportOrg;
    s_.viewportOrg = {x, y};
    return TRUE;
}

BOOL CDC::SetExtent(SIZE& extent, int cx, int cy, SIZE* old) {
    if (old) *old = ScalableMode(s_.mapMode) ? extent : SIZE{1, 1};
    if (!ScalableMode(s_.mapMode)) return TRUE;
    if (cx == 0 || cy == 0) return FALSE;
    extent = {cx, cy};
    return TRUE;
}

BOOL CDC::SetWindowExtEx(int cx, int cy, SIZE* old) { return SetExtent(s_.windowExt, cx, cy, old); }
BOOL CDC::SetViewportExtEx(int cx, int cy, SIZE* old) { return SetExtent(s_.viewportExt, cx, cy, old); }

BOOL CDC::OffsetWindowOrgEx(int dx, int dy, POINT* old) {
    return SetWindowOrgEx(s_.windowOrg.x + dx, s_.windowOrg.y + dy, old);
}

BOOL CDC::OffsetViewportOrgEx(int dx, int dy, POINT* old) {
    return SetViewportOrgEx(s_.viewportOrg.x + dx, s_.viewportOrg.y + dy, old);
}

BOOL CDC::ScaleWindowExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old) {
    if (xDenom == 0 || yDenom == 0) return FALSE;
    return SetWindowExtEx(int(std::int64_t(s_.windowExt.cx) * xNum / xDenom),
                          int(std::int64_t(s_.windowExt.cy) * yNum / yDenom), old);
}

BOOL CDC::ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old) {
    if (xDenom == 0 || yDenom == 0) return FALSE;
    return SetViewportExtEx(int(std::int64_t(s_.viewportExt.cx) * xNum / xDenom),
                            int(std::int64_t(s_.viewportExt.cy) * yNum / yDenom), old);
}

POINT CDC::SetWindowOrg(int x, int y) {
    POINT old;
    SetWindowOrgEx(x, y, &old);
    return old;
}

POINT CDC::SetViewportOrg(int x, int y) {
    POINT old;
    SetViewportOrgEx(x, y, &old);
    return old;
}

SIZE CDC::SetWindowExt(int cx, int cy) {
    SIZE old;
    SetWindowExtEx(cx, cy, &old);
    return old;
}

SIZE CDC::SetViewportExt(int cx, int cy) {
    SIZE old;
    SetViewportExtEx(cx, cy, &old);
    return old;
}

SIZE CDC::GetWindowExt() const { return ScalableMode(s_.mapMode) ? s_.windowExt : SIZE{1, 1}; }
SIZE CDC::GetViewportExt() const { return ScalableMode(s_.mapMode) ? s_.viewportExt : SIZE{1, 1}; }

BOOL CDC::LPtoDP(POINT* points, int count) const {
    if (!points || count < 0) return FALSE;
    for (int i = 0; i < count; ++i) {
        const PointD d = ToDevice(points[i].x, points[i].y);
        points[i] = {RoundToLong(d.x), RoundToLong(d.y)};
    }
    return TRUE;
}

BOOL CDC::LPtoDP(RECT* rect) const { return rect && LPtoDP(reinterpret_cast<POINT*>(rect), 2); }

BOOL CDC::DPtoLP(POINT* points, int count) const {
    if (!points || count < 0) return FALSE;
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    for (int i = 0; i < count; ++i)
        points[i] = {RoundToLong((points[i].x - ox) / sx), RoundToLong((points[i].y - oy) / sy)};
    return TRUE;
}

BOOL CDC::DPtoLP(RECT* rect) const { return rect && DPtoLP(reinterpret_cast<POINT*>(rect), 2); }

// ---- objects

CPen* CDC::SelectObject(CPen* pen) {
    if (!created_ || !pen || !pen->Data()) return nullptr;
    s_.penData = pen->Data();
    return std::exchange(s_.pen, pen);
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (!created_ || !brush || !brush->Data()) return nullptr;
    s_.brushData = brush->Data();
    return std::exchange(s_.brush, brush);
}

CFont* CDC::SelectObject(CFont* font) {
    if (!created_ || !font || !font->Data()) return nullptr;
    s_.fontData = font->Data();
    return std::exchange(s_.font, font);
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    // Only memory contexts hold bitmaps.
    if (!created_ || !memory_ || !bitmap || !bitmap->GetSurface()) return nullptr;
    s_.bitmapSurface = bitmap->GetSurface();
    return std::exchange(s_.bitmap, bitmap);
}

int CDC::SelectObject(CRgn* region) { return SelectClipRgn(region); }

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    if (!object) return nullptr;
    switch (object->Kind()) {
    case GdiObjectKind::Pen: return SelectObject(static_cast<CPen*>(object));
    case GdiObjectKind::Brush: return SelectObject(static_cast<CBrush*>(object));
    case GdiObjectKind::Font: return SelectObject(static_cast<CFont*>(object));
    case GdiObjectKind::Bitmap: return SelectObject(static_cast<CBitmap*>(object));
    case GdiObjectKind::Region: {
        const int kind = SelectClipRgn(static_cast<CRgn*>(object));
        return kind == ERROR ? nullptr : object;
    }
    case GdiObjectKind::Palette: return SelectPalette(static_cast<CPalette*>(object), FALSE);
    }
    return nullptr;
}

CGdiObject* CDC::SelectStockObject(int index) { return SelectObject(GetStockObject(index)); }

CPalette* CDC::SelectPalette(CPalette* palette, BOOL) {
    if (!created_ || !palette || !palette->Data()) return nullptr;
    s_.paletteData = palette->Data();
    return std::exchange(s_.palette, palette);
}

UINT CDC::RealizePalette() { return s_.paletteData ? UINT(s_.paletteData->entries.size()) : 0; }

COLORREF CDC::GetNearestColor(COLORREF c) const { return ColorFromPixel(Resolve(c)); }

Pixel CDC::Resolve(COLORREF c) const {
    if ((c >> 24) == 1) {
        const std::size_t i = c & 0xFFFF;
        if (s_.paletteData && i < s_.paletteData->entries.size()) {
            const PALETTEENTRY& e = s_.paletteData->entries[i];
            return Pixel(e.peRed) << 16 | Pixel(e.peGreen) << 8 | e.peBlue;
        }
        return kBlackPixel;
    }
    return PixelFromColor(c & 0xFFFFFF);
}

BrushPaint CDC::PaintOf(const BrushData& brush) const {
    return BrushPaint(brush, Resolve(brush.color), Resolve(s_.textColor), Resolve(s_.bkColor), s_.bkMode == OPAQUE,
                      s_.brushOrg);
}

// ---- clipping

int CDC::SelectClipRgn(CRgn* region) {
    if (!created_) return ERROR;
    if (!region) {
        s_.clip.reset();
        return SIMPLEREGION;
    }
    if (!region->HasContents()) return ERROR;
    s_.clip = region->GetRegion();
    return s_.clip->Kind();
}

int CDC::SelectClipRgn(CRgn* region, int mode) {
    if (!created_ || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (mode == RGN_COPY) return SelectClipRgn(region);
    if (!region || !region->HasContents()) return ERROR;
    const Surface* surface = GetSurface();
    const Region everything(RECT{0, 0, surface ? surface->Width() : 0, surface ? surface->Height() : 0});
    s_.clip = Region::Combine(s_.clip ? *s_.clip : everything, region->GetRegion(), mode);
    return s_.clip->Kind();
}

int CDC::IntersectClipRect(int l, int t, int r, int b) {
    CRgn rect;
    rect.Assign(Region(ToDeviceRect(l, t, r, b)));
    return SelectClipRgn(&rect, RGN_AND);
}

int CDC::ExcludeClipRect(int l, int t, int r, int b) {
    CRgn rect;
    rect.Assign(Region(ToDeviceRect(l, t, r, b)));
    return SelectClipRgn(&rect, RGN_DIFF);
}

int CDC::OffsetClipRgn(int dx, int dy) {
    if (!s_.clip) return SIMPLEREGION;
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    s_.clip->Offset(RoundToLong(dx * sx), RoundToLong(dy * sy));
    return s_.clip->Kind();
}

RECT CDC::Bounds() const {
    if (const Surface* surface = GetSurface()) return {0, 0, surface->Width(), surface->Height()};
    if (created_ && printer_) return {0, 0, caps_.width, caps_.height};
    return {};
}

int CDC::GetClipBox(RECT* box) const {
    if (!box || !HasSurface()) return ERROR;
    RECT device = Bounds();
    int kind = SIMPLEREGION;
    if (s_.clip) {
        const Region visible = s_.clip->Intersected(device);
        kind = visible.Kind();
        device = visible.Box();
    }
    *box = device;
    DPtoLP(box);
    if (box->left > box->right) std::swap(box->left, box->right);
    if (box->top > box->bottom) std::swap(box->top, box->bottom);
    return kind;
}

BOOL CDC::SelectClipPath(int mode) {
    if (!s_.pathDone) return FALSE;
    // A clip path takes the pixels whose centres the path encloses; beyond
    // the surface nothing is drawn anyway.
    const Surface* surface = GetSurface();
    const RECT limit{0, 0, surface ? surface->Width() : 0, surface ? surface->Height() : 0};
    const CoverageMask m = RasterizeFill(s_.path, s_.fillMode, false, limit);
    CRgn region;
    region.Assign(m.IsEmpty() ? Region() : Region::FromMask(m.coverage.data(), m.width, m.x0, m.y0, m.width, m.height));
    s_.path.Clear();
    s_.pathDone = false;
    return SelectClipRgn(&region, mode) != ERROR;
}

// ---- painting

RECT CDC::Limit() const {
    const Surface* surface = GetSurface();
    if (!surface) return {};
    RECT r{0, 0, surface->Width(), surface->Height()};
    if (s_.clip) {
        const RECT box = s_.clip->Box();
        r = {std::max(r.left, box.left), std::max(r.top, box.top), std::min(r.right, box.right),
             std::min(r.bottom, box.bottom)};
    }
    return r;
}

}  // namespace ksdvi::gdi

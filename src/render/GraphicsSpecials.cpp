// Lines and shapes, drawn at once with the drawer's pen. Dimensions carry TeX
// units (10pt, 1in, ...); DX DY are offsets from the current point, and
// vertical values grow down the page:
//   width: W                         the pen's width
//   line: DX DY W H                  from (DX, DY) to (DX + W, DY + H)
//   arc: DX DY W H SX SY EX EY       the ellipse in the box (DX, DY, W, H),
//                                    counter-clockwise from the radial through
//                                    centre + (SX, SY) to that through centre + (EX, EY)
//   box: DX DY W H RX RY             an outline with RX by RY round corners
//   boxfill: DX DY W H RX RY R G B   the same filled with the colour R G B
//   ellipsefill: DX DY W H R G B     the ellipse in the box, filled
// Anything but blanks after the values ignores the special.

#include "dvi/SpecialParsing.h"
#include "render/KsDviDrawer.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

namespace {

// The context's state with the drawer's pen and a fill selected (none: the
// stock null brush), restored at the end.
class ShapeScope {
public:
    ShapeScope(CDC& dc, CPen* pen, CBrush* fill = nullptr) : dc_(dc) {
        dc_.SaveDC();
        if (pen) dc_.SelectObject(pen);
        if (fill)
            dc_.SelectObject(fill);
        else
            dc_.SelectStockObject(NULL_BRUSH);
    }
    ~ShapeScope() { dc_.RestoreDC(-1); }
    ShapeScope(ShapeScope const&) = delete;
    ShapeScope& operator=(ShapeScope const&) = delete;

private:
    CDC& dc_;
};

// `count` dimensions and then (when `color` is given) r g b, with nothing
// after them.
bool ReadShape(unsigned char* p, int* dimensions, int count, unsigned int* color = nullptr) {
    p = ReadDimensions(p, dimensions, count);
    if (p && color) p = ReadRgbColor(p, color);
    return p && OnlyBlanksLeft(p);
}

}  // namespace

RECT KsDviDrawer::BoxFromHere(int const* d) const {
    int left = hDotFromHere(d[0]), top = vDotFromHere(d[1]);
    return RECT{left, top, left + dhDot(d[2]), top + dvDot(d[3])};
}

void KsDviDrawer::WidthSpecial(unsigned char* p, unsigned char*) {
    int width = 0;
    if (!ReadShape(p, &width, 1)) return;
    lineWidth_ = width;
    RenewPen();
}

void KsDviDrawer::LineSpecial(unsigned char* p, unsigned char*) {
    int d[4];
    if (!ReadShape(p, d, 4)) return;
    RECT line = BoxFromHere(d);
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->MoveTo(line.left, line.top);
    pDC_->LineTo(line.right, line.bottom);
}

void KsDviDrawer::ArcSpecial(unsigned char* p, unsigned char*) {
    int d[8];
    if (!ReadShape(p, d, 8)) return;
    RECT box = BoxFromHere(d);
    int cx = box.left + (box.right - box.left) / 2, cy = box.top + (box.bottom - box.top) / 2;
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->Arc(box.left, box.top, box.right, box.bottom, cx + dhDot(d[4]), cy + dvDot(d[5]), cx + dhDot(d[6]),
              cy + dvDot(d[7]));
}

void KsDviDrawer::BoxSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    if (ReadShape(p, d, 6)) RoundBox(d, nullptr);
}

void KsDviDrawer::BoxFillSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    unsigned int color = 0;
    if (!ReadShape(p, d, 6, &color)) return;
    CBrush fill(color);
    RoundBox(d, &fill);
}

// The box d[0..3] with corners of d[4] by d[5], outlined with the pen.
void KsDviDrawer::RoundBox(int const* d, CBrush* fill) {
    RECT box = BoxFromHere(d);
    ShapeScope scope(*pDC_, pen_.get(), fill);
    pDC_->RoundRect(box.left, box.top, box.right, box.bottom, dhDot(d[4]), dvDot(d[5]));
}

void KsDviDrawer::EllipseFillSpecial(unsigned char* p, unsigned char*) {
    int d[4];
    unsigned int color = 0;
    if (!ReadShape(p, d, 4, &color)) return;
    RECT box = BoxFromHere(d);
    CBrush fill(color);
    ShapeScope scope(*pDC_, pen_.get(), &fill);
    pDC_->Ellipse(&box);
}

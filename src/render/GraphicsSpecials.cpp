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

using namespace ksdvi::gdi;

namespace {

// The context's state with the drawer's pen selected, restored at the end.
class ShapeScope {
public:
    ShapeScope(CDC& dc, CPen* pen) : dc_(dc) {
        dc_.SaveDC();
        if (pen) dc_.SelectObject(pen);
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

void KsDviDrawer::WidthSpecial(unsigned char* p, unsigned char*) {
    int width = 0;
    if (!ReadShape(p, &width, 1)) return;
    lineWidth_ = width;
    RenewPen();
}

void KsDviDrawer::LineSpecial(unsigned char* p, unsigned char*) {
    int d[4];
    if (!ReadShape(p, d, 4)) return;
    int x = hDotFromHere(d[0]), y = vDotFromHere(d[1]);
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->MoveTo(x, y);
    pDC_->LineTo(x + dhDot(d[2]), y + dvDot(d[3]));
}

void KsDviDrawer::ArcSpecial(unsigned char* p, unsigned char*) {
    int d[8];
    if (!ReadShape(p, d, 8)) return;
    int left = hDotFromHere(d[0]), top = vDotFromHere(d[1]);
    int width = dhDot(d[2]), height = dvDot(d[3]);
    int cx = left + width / 2, cy = top + height / 2;
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->Arc(left, top, left + width, top + height, cx + dhDot(d[4]), cy + dvDot(d[5]), cx + dhDot(d[6]),
              cy + dvDot(d[7]));
}

void KsDviDrawer::BoxSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    if (!ReadShape(p, d, 6)) return;
    int left = hDotFromHere(d[0]), top = vDotFromHere(d[1]);
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->SelectStockObject(NULL_BRUSH);
    pDC_->RoundRect(left, top, left + dhDot(d[2]), top + dvDot(d[3]), dhDot(d[4]), dvDot(d[5]));
}

void KsDviDrawer::BoxFillSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    unsigned int color = 0;
    if (!ReadShape(p, d, 6, &color)) return;
    int left = hDotFromHere(d[0]), top = vDotFromHere(d[1]);
    CBrush fill(color);
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->SelectObject(&fill);
    pDC_->RoundRect(left, top, left + dhDot(d[2]), top + dvDot(d[3]), dhDot(d[4]), dvDot(d[5]));
}

void KsDviDrawer::EllipseFillSpecial(unsigned char* p, unsigned char*) {
    int d[4];
    unsigned int color = 0;
    if (!ReadShape(p, d, 4, &color)) return;
    int left = hDotFromHere(d[0]), top = vDotFromHere(d[1]);
    CBrush fill(color);
    ShapeScope scope(*pDC_, pen_.get());
    pDC_->SelectObject(&fill);
    pDC_->Ellipse(left, top, left + dhDot(d[2]), top + dvDot(d[3]));
}

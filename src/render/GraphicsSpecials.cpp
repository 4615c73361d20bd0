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
    DeviceShape shape;
    shape.from = {line.left, line.top};
    shape.to = {line.right, line.bottom};
    DrawShape(shape);
}

void KsDviDrawer::ArcSpecial(unsigned char* p, unsigned char*) {
    int d[8];
    if (!ReadShape(p, d, 8)) return;
    DeviceShape shape = ShapeFromHere(DeviceShape::Kind::Arc, d);
    int cx = shape.left + (shape.right - shape.left) / 2, cy = shape.top + (shape.bottom - shape.top) / 2;
    shape.from = {cx + dhDot(d[4]), cy + dvDot(d[5])};
    shape.to = {cx + dhDot(d[6]), cy + dvDot(d[7])};
    DrawShape(shape);
}

void KsDviDrawer::BoxSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    if (!ReadShape(p, d, 6)) return;
    DeviceShape shape = ShapeFromHere(DeviceShape::Kind::RoundBox, d);
    shape.corner = {dhDot(d[4]), dvDot(d[5])};
    DrawShape(shape);
}

void KsDviDrawer::BoxFillSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    unsigned int color = 0;
    if (!ReadShape(p, d, 6, &color)) return;
    DeviceShape shape = ShapeFromHere(DeviceShape::Kind::RoundBox, d);
    shape.corner = {dhDot(d[4]), dvDot(d[5])};
    shape.fill = color;
    DrawShape(shape);
}

void KsDviDrawer::EllipseFillSpecial(unsigned char* p, unsigned char*) {
    int d[4];
    unsigned int color = 0;
    if (!ReadShape(p, d, 4, &color)) return;
    DeviceShape shape = ShapeFromHere(DeviceShape::Kind::Ellipse, d);
    shape.fill = color;
    DrawShape(shape);
}

// A shape in the box d[0..3].
DeviceShape KsDviDrawer::ShapeFromHere(DeviceShape::Kind kind, int const* d) const {
    RECT box = BoxFromHere(d);
    DeviceShape shape;
    shape.kind = kind;
    shape.left = box.left;
    shape.top = box.top;
    shape.right = box.right;
    shape.bottom = box.bottom;
    return shape;
}

void KsDviDrawer::DrawShape(DeviceShape& shape) {
    shape.pen = pen_;
    if (device_) device_->DrawShape(shape);
}

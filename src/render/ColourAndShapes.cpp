// What the handlers of specials ask of the page (specials/SpecialPage.h):
// colour, the pen, and lines and shapes, in device pixels from DVI units.

#include "render/KsDviDrawer.h"
#include "specials/SpecialPage.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

void KsDviDrawer::SetColour(std::uint32_t colour) {
    curColor_ = specialColour_ = colour;
    pdfState_.ColourSpecial();
    RenewPenBrush();
}

void KsDviDrawer::SetPenWidth(int width) {
    lineWidth_ = width;
    RenewPen();
}

RECT KsDviDrawer::BoxFromHere(int const* d) const {
    int left = hDotFromHere(d[0]), top = vDotFromHere(d[1]);
    return RECT{left, top, left + dhDot(d[2]), top + dvDot(d[3])};
}

void KsDviDrawer::DrawShape(SpecialShape const& special) {
    using Kind = SpecialShape::Kind;
    auto const& d = special.d;
    RECT box = BoxFromHere(d.data());
    DeviceShape shape;
    if (special.kind == Kind::Line) {
        shape.from = {box.left, box.top};
        shape.to = {box.right, box.bottom};
    } else {
        shape.left = box.left;
        shape.top = box.top;
        shape.right = box.right;
        shape.bottom = box.bottom;
    }
    switch (special.kind) {
    case Kind::Line: break;
    case Kind::Arc: {
        shape.kind = DeviceShape::Kind::Arc;
        int cx = box.left + (box.right - box.left) / 2, cy = box.top + (box.bottom - box.top) / 2;
        shape.from = {cx + dhDot(d[4]), cy + dvDot(d[5])};
        shape.to = {cx + dhDot(d[6]), cy + dvDot(d[7])};
        break;
    }
    case Kind::RoundBox:
        shape.kind = DeviceShape::Kind::RoundBox;
        shape.corner = {dhDot(d[4]), dvDot(d[5])};
        break;
    case Kind::Ellipse: shape.kind = DeviceShape::Kind::Ellipse; break;
    }
    shape.fill = special.fill;
    shape.pen = pen_;
    if (device_) device_->DrawShape(shape);
}

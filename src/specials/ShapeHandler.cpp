#include "specials/ShapeHandler.h"

#include "specials/SpecialPage.h"
#include "specials/SpecialParsing.h"

namespace ksdvi {

namespace {

// `count` dimensions and then (when `colour` is given) r g b, with nothing
// after them.
bool ReadShape(unsigned char* p, int* dimensions, int count, unsigned int* colour = nullptr) {
    p = ReadDimensions(p, dimensions, count);
    if (p && colour) p = ReadRgbColor(p, colour);
    return p && OnlyBlanksLeft(p);
}

}  // namespace

bool ShapeHandler::Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char*) {
    using F = SpecialFamily;
    using Kind = SpecialShape::Kind;
    if (family == F::Width) {
        int width = 0;
        if (ReadShape(args, &width, 1)) page.SetPenWidth(width);
        return true;
    }
    SpecialShape shape;
    unsigned int colour = 0;
    bool read = false;
    switch (family) {
    case F::Line: read = ReadShape(args, shape.d.data(), 4); break;
    case F::Arc:
        shape.kind = Kind::Arc;
        read = ReadShape(args, shape.d.data(), 8);
        break;
    case F::Box:
        shape.kind = Kind::RoundBox;
        read = ReadShape(args, shape.d.data(), 6);
        break;
    case F::BoxFill:
        shape.kind = Kind::RoundBox;
        read = ReadShape(args, shape.d.data(), 6, &colour);
        shape.fill = colour;
        break;
    case F::EllipseFill:
        shape.kind = Kind::Ellipse;
        read = ReadShape(args, shape.d.data(), 4, &colour);
        shape.fill = colour;
        break;
    default: return false;
    }
    if (read) page.DrawShape(shape);
    return true;
}

}  // namespace ksdvi

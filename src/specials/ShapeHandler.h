#pragma once
// Lines and shapes, drawn at once with the page's pen. Dimensions carry TeX
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

#include "specials/SpecialHandler.h"

namespace ksdvi {

class ShapeHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Width,   SpecialFamily::Line,
                                                  SpecialFamily::Arc,     SpecialFamily::Box,
                                                  SpecialFamily::BoxFill, SpecialFamily::EllipseFill};

    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;
};

}  // namespace ksdvi

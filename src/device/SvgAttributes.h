#pragma once
// Shorter forms of what Cairo writes in SVG attributes: path data relative and
// to hundredths of a point (a thousandth of a 10 pt em, the precision of
// dvisvgm's glyphs), numbers without trailing zeros, colours in hex.

#include <string>
#include <string_view>

namespace ksdvi {

// Moves a path's points: x' = sx x + dx, y' = sy y + dy.
struct SvgPathScaling {
    double sx = 1, sy = 1, dx = 0, dy = 0;
};

// The path data `d` of Cairo's M, L, C and Z commands relative, to
// hundredths, after `scaling`; `d` itself when it holds anything else.
std::string CompactPathData(std::string_view d, SvgPathScaling const& scaling = {});

// `value` rounded to `decimals` decimals (at most 6), shortest as SVG allows:
// "1.5", ".05", "-2".
std::string ShortNumber(double value, int decimals);

// Cairo's "rgb(100%,50%,0%)" as "#ff8000" ("#f80" where it can); anything
// else unchanged.
std::string ShortColour(std::string_view value);

}  // namespace ksdvi

#include "text/SelectionSpacing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "text/CharacterClasses.h"

namespace ksdvi {

namespace {

using Wide = int64_t;  // sums of page coordinates, which may reach the ends of int

// Narrow letters after which Windows-font text leaves little room before a space.
bool IsNarrow(unsigned code) { return code < 0x80 && code && std::strchr("fijlIJ,.!()/tr", int(code)); }

bool OrdinarySpace(SpacedChar const& p, SpacedChar const& c) {
    if (IsHangulSyllable(c.code)) return c.left >= p.left + 1.25 * p.width;
    // A third of the character before, as wide as TeX's narrowest spaces
    // after most letters; after a wide one (m, an em dash) a sixth of an em.
    Wide least = p.width / 3;
    if (p.size > 0) least = std::min<Wide>(least, p.size / 6);
    // Japanese text has no spaces of its own, but one typed before it (or
    // pTeX's xkanjiskip) after a Latin word reads as one, as in PDF readers.
    // Between two characters of JFM fonts the gap is the font's glue, also
    // before a JIS quote or sign that spaces as a Latin letter.
    bool const spaceable = (c.code < 0x80 && !(c.japanese && p.japanese)) || (c.japanese && !p.japanese);
    return spaceable && c.left >= Wide(p.left) + p.width + least;
}

bool WinFontSpace(SpacedChar const& p, SpacedChar const& c) {
    if (IsHangulSyllable(c.code)) return c.left > p.left + 2.5 * p.width;
    if (c.code >= 0x80 || c.code == 0x20) return false;
    if (p.code == 'W') return c.left > p.left + 3.0 * p.width;
    if (c.left > p.left + 2.0 * p.width) return true;
    return IsNarrow(p.code) && Wide(p.left) + p.width < c.left && c.left <= p.left + 2.0 * p.width;
}

}  // namespace

char const* SelectionSeparator(SpacedChar const& p, SpacedChar const& c, int winFont) {
    if (c.baseline != p.baseline && p.baseline != 0) return c.baseline > Wide(p.baseline) + p.height ? "\r\n" : "";
    if (p.width == 0) return "";
    return (winFont ? WinFontSpace(p, c) : OrdinarySpace(p, c)) ? " " : "";
}

}  // namespace ksdvi

// Binary (ROP2) and ternary (ROP3) raster operations. Both act bit by bit on
// the colour bits of a pixel: a ROP3 code's third byte is the truth table of
// f(P, S, D) indexed by P<<2 | S<<1 | D, a ROP2 mode minus one is the truth
// table of f(P, D) indexed by P<<1 | D.
#pragma once

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

// The named ternary codes. GDI executes only the truth-table byte; the low
// word is the historical parse string and is kept for the named ones.
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Any of the 256 ternary operations by its truth-table byte.
constexpr DWORD Rop3FromIndex(BYTE index) { return DWORD(index) << 16; }
constexpr BYTE Rop3Index(DWORD rop) { return BYTE(rop >> 16); }

// Whether the operation's result depends on the source or the pattern.
constexpr bool Rop3UsesSource(DWORD rop) {
    const BYTE t = Rop3Index(rop);
    return ((t >> 2) & 0x33) != (t & 0x33);
}
constexpr bool Rop3UsesPattern(DWORD rop) {
    const BYTE t = Rop3Index(rop);
    return ((t >> 4) & 0x0F) != (t & 0x0F);
}
constexpr bool Rop3UsesDestination(DWORD rop) {
    const BYTE t = Rop3Index(rop);
    return ((t >> 1) & 0x55) != (t & 0x55);
}

// Values are pixels of any width; every bit is combined independently.
std::uint32_t ApplyRop3(BYTE index, std::uint32_t pattern, std::uint32_t source, std::uint32_t destination);
std::uint32_t ApplyRop2(int mode, std::uint32_t pen, std::uint32_t destination);

}  // namespace ksdvi::gdi

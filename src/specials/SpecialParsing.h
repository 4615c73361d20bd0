#pragma once
// Readers for the values that special texts carry, shared by the document's
// scan and the renderer. Every reader stops at a NUL, so a NUL-terminated
// special can never be read past its end.

#include <string_view>

// A decimal number: blanks, any run of '+' and '-' (each '-' flips the sign),
// digits, and an optional '.' with more digits; no exponent. Returns the first
// byte not consumed, or null when there is no digit (out is then not written).
unsigned char* getnumber(unsigned char* p, double* out);

// A number followed at once by a two-letter TeX unit (sp cc dd cm mm bp in pc
// pt, case-sensitive), stored in scaled points rounded as TeX rounds (half up,
// then toward zero; sp is only truncated). Returns the byte after the unit, or
// null on failure (out is then not written).
unsigned char* getdimen(unsigned char* p, int* out);

// The COLORREF (0x00BBGGRR) of components in 0..1; values outside are clamped.
unsigned int rgbcolor(double r, double g, double b);

namespace ksdvi {

// A decimal integer: blanks, an optional sign, at least one digit; held at the
// int range. Returns the byte after the digits, or null when there is none.
unsigned char* ReadInteger(unsigned char* p, int* out);

// Three numbers r g b made a colour by rgbcolor. Returns the byte after them,
// or null when one is missing (out is then not written).
unsigned char* ReadRgbColor(unsigned char* p, unsigned int* out);

// `count` dimensions one after another. Returns the byte after the last, or
// null when one does not parse.
unsigned char* ReadDimensions(unsigned char* p, int* out, int count);

// Blanks are the bytes up to 0x20 other than NUL, which ends every skip.
inline bool IsBlank(unsigned char c) { return c != 0 && c <= 0x20; }

inline unsigned char* SkipBlanks(unsigned char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

// Whether nothing but blanks is left before the NUL.
inline bool OnlyBlanksLeft(unsigned char* p) { return *SkipBlanks(p) == 0; }

// The bytes from `p` up to the next blank or NUL.
std::string_view Token(unsigned char const* p);

// `s` without one pair of enclosing double quotes, when it has them.
std::string_view WithoutEnclosingQuotes(std::string_view s);

// A value as dvips reads one: from a double quote up to the next, blanks and
// all (graphicx's PSfile="my figure.eps"), or else a Token. An unclosed
// quote runs to the NUL.
std::string_view QuotedOrToken(unsigned char const* p);

enum class LetterCase { Ignored, Matters };

// Whether `p` begins with `word`. Compared byte by byte, so a NUL in the text
// ends the comparison as a mismatch.
bool StartsWith(unsigned char const* p, std::string_view word, LetterCase letterCase = LetterCase::Ignored);

}  // namespace ksdvi

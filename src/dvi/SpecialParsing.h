#pragma once
// Readers for the values that special texts carry, shared by the document's
// scan and the renderer. Every reader stops at a NUL, so a NUL-terminated
// special can never be read past its end.

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

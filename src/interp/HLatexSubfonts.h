#pragma once
// HLaTeX's Korean subfonts: each font of a family holds 256 characters of
// KS X 1001, chosen by the number in the font's name (0 to 9 Hangul, 10 to 29
// Hanja, 04 to 07 symbols).

// The EUC-KR bytes of `code` in the subfont named `name`; 0 on success, 1 when
// the name or the code belongs to no subfont.
int HLatexSubfontToEucKr(const char* name, unsigned char code, unsigned char& lead, unsigned char& trail);

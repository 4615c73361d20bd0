#pragma once
// Korean two-byte codes (KS X 1001 as EUC-KR, with the Unified Hangul Code
// extension of code page 949) converted to Unicode explicitly, whatever the
// process locale: a Linux process has no ANSI code page to rely on.

namespace ksdvi {

// True for the bytes that start a two-byte character in code page 949.
inline bool IsEucKrLeadByte(unsigned int byte) { return byte >= 0x81 && byte <= 0xFE; }

// The Unicode character of the two bytes; 0 when they form none.
int EucKrToUnicode(unsigned char lead, unsigned char trail, unsigned short& out);

}  // namespace ksdvi

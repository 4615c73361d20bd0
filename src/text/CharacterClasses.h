#pragma once
// The ranges of Unicode the text layer tells apart: private codes (which
// say nothing of a glyph), Hangul, ideographs and CJK marks (spaced as their
// scripts space words).

namespace ksdvi {

constexpr bool IsPrivateUse(long c) { return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000; }
constexpr bool IsHangulSyllable(long c) { return c >= 0xAC00 && c <= 0xD7AF; }
// Hangul's compatibility letters (ㄱ, ㅏ) and CJK brackets and marks (「, 〈, 。).
constexpr bool IsHangulLetter(long c) { return c >= 0x3131 && c <= 0x318E; }
constexpr bool IsCjkMark(long c) { return c >= 0x3001 && c <= 0x303F; }
constexpr bool IsIdeograph(long c) {
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

}  // namespace ksdvi

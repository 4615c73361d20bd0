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
// The scripts of East Asia (CJK radicals to Yi, Hangul, compatibility and
// fullwidth forms, kana and ideographs beyond the first plane), whose words
// are not parted as alphabetic ones are; mathematical letters (𝑥) are
// alphabetic.
constexpr bool IsEastAsian(long c) {
    return (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xA960 && c <= 0xA97F) || (c >= 0xAC00 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x1B000 && c <= 0x1B16F) || (c >= 0x20000 && c <= 0x3FFFF);
}

}  // namespace ksdvi

#include "text/NativeGlyphText.h"

#include "font/ItrnFont.h"
#include "render/NativeFontFace.h"
#include "stream/Utf16.h"
#include "text/CharacterClasses.h"
#include "text/GlyphList.h"

namespace ksdvi {

namespace {

// The Latin ligatures of Unicode's presentation forms, which faces map their
// ligature glyphs to, as their letters: readers search for "office".
std::u32string Letters(std::u32string text) {
    static constexpr char32_t const* kLigatures[] = {U"ff", U"fi", U"fl", U"ffi", U"ffl", U"\u017Ft", U"st"};
    std::u32string out;
    for (char32_t c : text)
        if (c >= 0xFB00 && c <= 0xFB06)
            out += kLigatures[c - 0xFB00];
        else
            out.push_back(c);
    return out;
}

}  // namespace

std::vector<std::u32string> GlyphTexts(KsDvi const& dvi, KsDvi::ItrnFont const& font,
                                       std::vector<NativeGlyph> const& glyphs, std::u16string const& text) {
    std::vector<std::u32string> out(glyphs.size());
    std::vector<char32_t> own(glyphs.size(), 0);
    std::shared_ptr<gdi::FontFile const> face;
    if (NativeFont const* native = font.GetNative()) face = FindNativeFace(dvi, *native).face;
    if (face)
        for (size_t i = 0; i < glyphs.size(); ++i) own[i] = face->CharacterOfGlyph(glyphs[i].index);
    if (text.empty()) {
        // Ligatures and variants are in no cmap, or at private codes (Latin
        // Modern's old-style figures at U+F730…): their names say what they
        // are ("f_f_i", "a.sc", "zero.oldstyle").
        for (size_t i = 0; i < glyphs.size(); ++i) {
            std::u32string named;
            if (face && (!own[i] || IsPrivateUse(own[i])))
                named = GlyphList::Default().ToUnicode(face->GlyphName(glyphs[i].index));
            out[i] = Letters(!named.empty() ? named : own[i] ? std::u32string(1, own[i]) : std::u32string());
        }
        return out;
    }
    std::u32string chars = Letters(FromUtf16(text));
    size_t j = 0;
    for (size_t i = 0; i < glyphs.size() && j < chars.size(); ++i) {
        if (own[i] == chars[j]) {
            out[i] = chars.substr(j++, 1);
            continue;
        }
        // Up to the next glyph's own character, at least one.
        size_t k = chars.size();
        if (i + 1 < glyphs.size() && own[i + 1]) {
            size_t next = chars.find(own[i + 1], j + 1);
            if (next != std::u32string::npos) k = next;
        } else if (i + 1 < glyphs.size()) {
            k = j + 1;
        }
        out[i] = chars.substr(j, k - j);
        j = k;
    }
    // What no glyph took belongs to the last.
    if (j < chars.size() && !out.empty()) out.back() += chars.substr(j);
    return out;
}

}  // namespace ksdvi

#pragma once
// What each glyph of a run of XeTeX's native glyphs stands for. A run may
// carry the text it sets: the glyphs share it out in order, a glyph taking
// its own character where the face's cmap has one, a ligature the letters up
// to the next glyph's. Without text, each glyph is the character the face's
// cmap maps to it.

#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "interp/KsDviDrawerBase.h"

namespace ksdvi {

std::vector<std::u32string> GlyphTexts(KsDvi const& dvi, KsDvi::ItrnFont const& font,
                                       std::vector<NativeGlyph> const& glyphs, std::u16string const& text);

// Each character the glyphs stand for, in a share of its glyph's box, for
// readers that take a character at a time: `put(position, h, v, code, width,
// height, depth)` with the glyph's position, codes past U+FFFF as U+FFFD.
template <class Put>
void PutGlyphCharacters(KsDvi const& dvi, KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                        std::u16string const& text, Put put) {
    std::vector<std::u32string> texts = GlyphTexts(dvi, font, glyphs, text);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        NativeGlyph const& g = glyphs[i];
        int n = static_cast<int>(texts[i].size());
        for (int k = 0; k < n; ++k) {
            char32_t c = texts[i][static_cast<size_t>(k)];
            int left = static_cast<int>(int64_t(g.width) * k / n);
            int right = static_cast<int>(int64_t(g.width) * (k + 1) / n);
            put(g.position, g.h + left, g.v, static_cast<unsigned short>(c > 0xFFFF ? 0xFFFD : c), right - left,
                g.height, g.depth);
        }
    }
}

}  // namespace ksdvi

#pragma once
// The glyph name behind each code of a TeX font: from the encoding vector its
// map entry re-encodes it with, else from the built-in encoding of the font
// program that paints it (read with FreeType). Font programs are read once
// per process.

#include <array>
#include <memory>
#include <string>

#include "dvi/KsDvi.h"

namespace ksdvi {

using GlyphNames = std::array<std::string, 256>;

// Null when the font has neither an encoding vector nor a font program that
// names its glyphs (bitmap fonts, fonts without a map entry).
std::shared_ptr<GlyphNames const> FindGlyphNames(KsDvi const& dvi, KsDvi::ItrnFont const& font);

// The same from what a map entry names: its encoding vector's file, else its
// font program.
std::shared_ptr<GlyphNames const> FindGlyphNames(KsDvi const& dvi, String8 const& encFile, String8 const& fontFile);

// The names of a font program's built-in encoding; null when the file cannot
// be read or names no glyphs.
std::shared_ptr<GlyphNames const> ReadBuiltinGlyphNames(std::string const& path);

}  // namespace ksdvi

#pragma once
// A Type 1 font's glyphs as a bare CFF font program, for the outputs that
// embed font programs. Cairo embeds a Type 1 face as Type 1, whose
// encrypted charstrings do not compress; handed the same glyphs as CFF it
// embeds CFF subsets, several times smaller (as dvipdfmx embeds TeX's Type 1
// fonts). The program keeps the face's glyph order, names and widths and
// its outlines as FreeType reads them, without hints: glyph indices found
// through the Type 1 face stay valid, and text extraction still reads the
// glyph names.

#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace ksdvi {

// The CFF program of a Type 1 `face` (the caller holds its lock); empty when
// the face is not Type 1, has no glyph names, or is too large for CFF.
std::string CompactFontProgram(FT_Face face);

}  // namespace ksdvi

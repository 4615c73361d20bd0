// One face of an outline font file, loaded once per process: its bytes and
// the design metrics that font realization needs. FreeType faces made from
// it are opened and closed under one lock, as FreeType requires when faces
// share a library.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace ksdvi::gdi {

// How character codes reach glyphs.
enum class CodeMapping {
    Unicode,   // the face's Unicode cmap
    MsSymbol,  // a TrueType symbol cmap: codes 0x00-0xFF as 0xF000-0xF0FF
    BuiltIn,   // a Type 1 or CFF font's own encoding, codes 0x00-0xFF
};

class FontFile {
public:
    // Null when the file cannot be read or holds no scalable face `index`.
    static std::shared_ptr<const FontFile> Load(const std::string& path, int index);

    const std::string& Path() const { return path_; }
    int Index() const { return index_; }
    const std::string& FamilyName() const { return family_; }

    int UnitsPerEm() const { return unitsPerEm_; }
    int Ascent() const { return ascent_; }    // font units above the baseline
    int Descent() const { return descent_; }  // font units below it, positive
    int MaxAdvance() const { return maxAdvance_; }
    int AverageWidth() const { return averageWidth_; }
    int Weight() const { return weight_; }  // 100 to 900
    bool IsItalic() const { return italic_; }
    CodeMapping Mapping() const { return mapping_; }
    // The glyph of a PostScript glyph name, 0 when the face has none. The
    // names are read once per file, so lookups cost a hash each.
    unsigned GlyphIndexByName(std::string_view name) const;

    // A new FreeType face on the file's bytes; the caller owns it and closes it
    // with CloseFace. Null on failure.
    FT_Face OpenFace() const;
    static void CloseFace(FT_Face face);

private:
    FontFile() = default;

    std::string path_;
    int index_ = 0;
    std::string family_;
    std::shared_ptr<const std::vector<FT_Byte>> bytes_;
    int unitsPerEm_ = 1000;
    int ascent_ = 800;
    int descent_ = 200;
    int maxAdvance_ = 1000;
    int averageWidth_ = 500;
    int weight_ = 400;
    bool italic_ = false;
    CodeMapping mapping_ = CodeMapping::Unicode;
    mutable std::once_flag namesRead_;
    mutable std::unordered_map<std::string, unsigned> glyphByName_;
};

}  // namespace ksdvi::gdi

// One face of an outline font file, loaded once per process: its bytes, the
// design metrics that font realization needs, and one FreeType face parsed
// once, which every size of the font shares under the file's face lock (a
// Type 1 font costs more to parse than a page costs to draw). FreeType faces
// are opened and closed under one lock, as FreeType requires when faces
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

// Where vertical writing puts a glyph's origin, from its horizontal one, in
// ems: half its advance across, and its vertical origin up.
struct VerticalOrigin {
    double across = 0.5, up = 0.88;
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
    int AverageWidth() const;
    int Weight() const { return weight_; }  // 100 to 900
    bool IsItalic() const { return italic_; }
    CodeMapping Mapping() const { return mapping_; }
    // The glyph of a PostScript glyph name, 0 when the face has none. The
    // names are read once per file, so lookups cost a hash each.
    unsigned GlyphIndexByName(std::string_view name) const;
    int GlyphCount() const { return glyphCount_; }
    // The PostScript name of `glyph`, "" when the face names none.
    std::string GlyphName(unsigned glyph) const;
    // The character the Unicode cmap maps to `glyph` (the lowest of several,
    // an ideograph before its radical or compatibility form), 0 for none;
    // the map is reversed once per file.
    char32_t CharacterOfGlyph(unsigned glyph) const;
    // The glyph of a character through the Unicode cmap, 0 for none.
    unsigned GlyphOfCharacter(char32_t character) const;
    // The glyph of a CID (a code of the Identity CMaps): through the charset
    // of a CID-keyed CFF face, reversed once per file; the glyph index itself
    // in other faces, as dvipdfmx takes it. 0 for none.
    unsigned GlyphOfCid(unsigned cid) const;
    // The character collection of a CID-keyed face (Japan1, Korea1 ...),
    // "" for other faces.
    std::string CidOrdering() const;
    // The vertical origin of `glyph`: its top side bearing (vmtx) above its
    // top, or the ascender in a face without vertical metrics.
    VerticalOrigin VerticalOriginOf(unsigned glyph) const;

    // The shared face. Every use holds FaceLock(); one that depends on the
    // size activates its own FT_Size first.
    FT_Face SharedFace() const { return shared_.get(); }
    std::mutex& FaceLock() const { return faceLock_; }

    // A new FreeType face on the file's bytes; the caller owns it and closes it
    // with CloseFace. Null on failure.
    FT_Face OpenFace() const;
    // A FreeType face on a font program made from a file's face; the caller
    // keeps `program` alive while the face is open.
    static FT_Face OpenFace(std::string const& program);
    static void CloseFace(FT_Face face);

private:
    FontFile() = default;

    struct FaceCloser {
        void operator()(FT_Face face) const { CloseFace(face); }
    };

    std::string path_;
    int index_ = 0;
    std::string family_;
    std::shared_ptr<const std::vector<FT_Byte>> bytes_;
    int unitsPerEm_ = 1000;
    int ascent_ = 800;
    int descent_ = 200;
    int maxAdvance_ = 1000;
    int glyphCount_ = 0;
    mutable int averageWidth_ = 0;  // 0 until measured
    mutable std::once_flag averageMeasured_;
    int weight_ = 400;
    bool italic_ = false;
    CodeMapping mapping_ = CodeMapping::Unicode;
    std::unique_ptr<FT_FaceRec_, FaceCloser> shared_;
    mutable std::mutex faceLock_;
    mutable std::once_flag namesRead_;
    mutable std::unordered_map<std::string, unsigned> glyphByName_;
    mutable std::once_flag charactersRead_;
    mutable std::unordered_map<unsigned, char32_t> characterOfGlyph_;
    mutable std::once_flag cidsRead_;
    mutable std::vector<unsigned> glyphOfCid_;  // empty: the face is not CID-keyed
    mutable std::unordered_map<unsigned, VerticalOrigin> verticalOrigins_;  // under faceLock_
};

}  // namespace ksdvi::gdi

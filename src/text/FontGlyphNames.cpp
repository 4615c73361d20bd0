#include "text/FontGlyphNames.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <mutex>

#include "font/EncodingVector.h"
#include "font/ItrnFont.h"
#include "platform/kpathsea/KPathSea.h"
#include "render/FontPainting.h"

namespace ksdvi {

namespace {

struct FreeType {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeType() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

bool SelectCharmap(FT_Face face, int platform) {
    for (int i = 0; i < face->num_charmaps; ++i)
        if (face->charmaps[i]->platform_id == platform) return FT_Set_Charmap(face, face->charmaps[i]) == 0;
    return false;
}

// The glyph a code selects: through the font's own encoding (Type 1), else as
// a symbol font's code or a Unicode character.
FT_UInt GlyphOf(FT_Face face, bool ownEncoding, unsigned code) {
    if (ownEncoding) return FT_Get_Char_Index(face, code);
    FT_UInt glyph = 0;
    if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) glyph = FT_Get_Char_Index(face, 0xF000 + code);
    if (!glyph && FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) glyph = FT_Get_Char_Index(face, code);
    return glyph;
}

std::string FontProgramPath(KsDvi const& dvi, std::string const& file) {
    if (file.find('/') != std::string::npos) return file;
    auto endsWith = [&](char const* tail) {
        size_t n = std::char_traits<char>::length(tail);
        return file.size() >= n && file.compare(file.size() - n, n, tail) == 0;
    };
    KPathSea::Format format = endsWith(".otf")                       ? KPathSea::Format::OpenType
                              : endsWith(".ttf") || endsWith(".ttc") ? KPathSea::Format::TrueType
                                                                     : KPathSea::Format::Type1;
    return FinderOf(dvi).Find(file, format);
}

template <class Value>
class FileCache {
public:
    template <class Make>
    Value Get(std::string const& key, Make make) {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = values_.find(key);
        if (it == values_.end()) it = values_.emplace(key, make()).first;
        return it->second;
    }

private:
    std::mutex lock_;
    std::map<std::string, Value> values_;
};

FileCache<std::shared_ptr<GlyphNames const>>& ProgramNames() {
    static FileCache<std::shared_ptr<GlyphNames const>> cache;
    return cache;
}

std::shared_ptr<GlyphNames const> FromVector(EncodingVector const& vector) {
    auto names = std::make_shared<GlyphNames>();
    for (unsigned code = 0; code < names->size(); ++code) (*names)[code] = vector.GetGlyphName(code);
    return names;
}

}  // namespace

std::shared_ptr<GlyphNames const> ReadBuiltinGlyphNames(std::string const& path) {
    FreeType ft;
    if (FT_Init_FreeType(&ft.library) || FT_New_Face(ft.library, path.c_str(), 0, &ft.face)) return nullptr;
    if (!FT_HAS_GLYPH_NAMES(ft.face)) return nullptr;
    bool ownEncoding = SelectCharmap(ft.face, 7);  // Adobe's platform: a Type 1 font's encoding
    auto names = std::make_shared<GlyphNames>();
    bool any = false;
    char name[128];
    for (unsigned code = 0; code < names->size(); ++code) {
        FT_UInt glyph = GlyphOf(ft.face, ownEncoding, code);
        if (!glyph || FT_Get_Glyph_Name(ft.face, glyph, name, sizeof name)) continue;
        (*names)[code] = name;
        any = true;
    }
    return any ? names : nullptr;
}

std::shared_ptr<GlyphNames const> FindGlyphNames(KsDvi const& dvi, KsDvi::ItrnFont const& font) {
    if (EncodingVector const* vector = font.GetGlyphNames()) return FromVector(*vector);
    KsDvi::ItrnFont::TTFInfo const& info = font.GetSBCTTFInfo();
    return FindGlyphNames(dvi, info.encFile, info.fontFile);
}

std::shared_ptr<GlyphNames const> FindGlyphNames(KsDvi const& dvi, String8 const& encFile, String8 const& fontFile) {
    if (!encFile.IsNull()) {
        std::string path = FinderOf(dvi).Find(encFile.c_str(), KPathSea::Format::Enc);
        static FileCache<std::shared_ptr<GlyphNames const>> vectors;
        auto names = vectors.Get(path, [&]() -> std::shared_ptr<GlyphNames const> {
            auto vector = path.empty() ? nullptr : EncodingVector::Read(path);
            return vector ? FromVector(*vector) : nullptr;
        });
        if (names) return names;
    }
    if (fontFile.IsNull()) return nullptr;
    std::string path = FontProgramPath(dvi, fontFile.c_str());
    if (path.empty()) return nullptr;
    return ProgramNames().Get(path, [&] { return ReadBuiltinGlyphNames(path); });
}

}  // namespace ksdvi

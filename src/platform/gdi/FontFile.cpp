#include "platform/gdi/FontFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>

#include FT_ADVANCES_H
#include FT_CID_H
#include FT_FONT_FORMATS_H
#include FT_TRUETYPE_TABLES_H

namespace ksdvi::gdi {

namespace {

// One FreeType library for the process; creating and destroying faces on it
// is serialized here. It is never destroyed: fonts held by other statics
// close their faces on it while the process exits.
struct FreeTypeLibrary {
    std::mutex lock;
    FT_Library library = nullptr;

    FreeTypeLibrary() {
        if (FT_Init_FreeType(&library)) library = nullptr;
    }
    static FreeTypeLibrary& Instance() {
        static FreeTypeLibrary* instance = new FreeTypeLibrary;
        return *instance;
    }
};

bool HasCharmap(FT_Face face, FT_Encoding encoding) {
    for (int i = 0; i < face->num_charmaps; ++i)
        if (face->charmaps[i]->encoding == encoding) return true;
    return false;
}

// CJK fonts draw a radical and its ideograph (U+2F47 and U+65E5), or a
// compatibility ideograph and its unified one, with one glyph: its text is
// the ideograph.
bool IsRadicalOrCompatibilityIdeograph(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x2F800 && c <= 0x2FA1F);
}

CodeMapping MappingOf(FT_Face face) {
    if (HasCharmap(face, FT_ENCODING_MS_SYMBOL)) return CodeMapping::MsSymbol;
    const char* format = FT_Get_Font_Format(face);
    const bool postscript = format && (std::string_view(format) == "Type 1" || std::string_view(format) == "CFF" ||
                                       std::string_view(format) == "CID Type 1");
    // A Type 1 or bare CFF font whose encoding vector is its own is a symbol
    // face; one in the standard encodings reads Unicode like any text face.
    if (postscript && !FT_IS_SFNT(face) &&
        (HasCharmap(face, FT_ENCODING_ADOBE_CUSTOM) || !HasCharmap(face, FT_ENCODING_UNICODE)))
        return CodeMapping::BuiltIn;
    return CodeMapping::Unicode;
}

}  // namespace

namespace {

FT_Face OpenMemoryFace(FT_Byte const* bytes, size_t size, int index) {
    FreeTypeLibrary& ft = FreeTypeLibrary::Instance();
    std::lock_guard guard(ft.lock);
    FT_Face face = nullptr;
    if (!ft.library || FT_New_Memory_Face(ft.library, bytes, FT_Long(size), index, &face)) return nullptr;
    return face;
}

}  // namespace

FT_Face FontFile::OpenFace() const { return bytes_ ? OpenMemoryFace(bytes_->data(), bytes_->size(), index_) : nullptr; }

FT_Face FontFile::OpenFace(std::string const& program) {
    return OpenMemoryFace(reinterpret_cast<FT_Byte const*>(program.data()), program.size(), 0);
}

void FontFile::CloseFace(FT_Face face) {
    if (!face) return;
    FreeTypeLibrary& ft = FreeTypeLibrary::Instance();
    std::lock_guard guard(ft.lock);
    FT_Done_Face(face);
}

unsigned FontFile::GlyphIndexByName(std::string_view name) const {
    std::call_once(namesRead_, [this] {
        std::lock_guard guard(faceLock_);
        FT_Face face = SharedFace();
        if (FT_HAS_GLYPH_NAMES(face)) {
            char buffer[128];
            for (FT_Long g = 1; g < face->num_glyphs; ++g) {
                if (FT_Get_Glyph_Name(face, FT_UInt(g), buffer, sizeof buffer) || !buffer[0]) continue;
                glyphByName_.emplace(buffer, unsigned(g));  // the first glyph of a name counts
            }
        }
    });
    auto it = glyphByName_.find(std::string(name));
    return it == glyphByName_.end() ? 0 : it->second;
}

std::string FontFile::GlyphName(unsigned glyph) const {
    std::lock_guard guard(faceLock_);
    FT_Face face = SharedFace();
    char buffer[128];
    if (!FT_HAS_GLYPH_NAMES(face) || FT_Get_Glyph_Name(face, FT_UInt(glyph), buffer, sizeof buffer)) return "";
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

char32_t FontFile::CharacterOfGlyph(unsigned glyph) const {
    std::call_once(charactersRead_, [this] {
        std::lock_guard guard(faceLock_);
        FT_Face face = SharedFace();
        FT_CharMap before = face->charmap;
        if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) {
            FT_UInt index = 0;
            for (FT_ULong c = FT_Get_First_Char(face, &index); index != 0; c = FT_Get_Next_Char(face, c, &index)) {
                auto [it, added] = characterOfGlyph_.try_emplace(index, char32_t(c));
                if (!added && IsRadicalOrCompatibilityIdeograph(it->second) &&
                    !IsRadicalOrCompatibilityIdeograph(char32_t(c)))
                    it->second = char32_t(c);
            }
        }
        if (before) FT_Set_Charmap(face, before);
    });
    auto it = characterOfGlyph_.find(glyph);
    return it == characterOfGlyph_.end() ? 0 : it->second;
}

unsigned FontFile::GlyphOfCharacter(char32_t character) const {
    std::lock_guard guard(faceLock_);
    FT_Face face = SharedFace();
    FT_CharMap before = face->charmap;
    FT_UInt index = 0;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) index = FT_Get_Char_Index(face, FT_ULong(character));
    if (before) FT_Set_Charmap(face, before);
    return index;
}

VerticalOrigin FontFile::VerticalOriginOf(unsigned glyph) const {
    std::lock_guard guard(faceLock_);
    // Glyphs repeat: each is loaded once.
    auto [it, added] = verticalOrigins_.try_emplace(glyph);
    VerticalOrigin& origin = it->second;
    FT_Face face = SharedFace();
    if (!added || !face || face->units_per_EM == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE)) return origin;
    double const em = face->units_per_EM;
    FT_Glyph_Metrics const& metrics = face->glyph->metrics;
    origin.across = metrics.horiAdvance / em / 2;
    origin.up = FT_HAS_VERTICAL(face) ? (metrics.horiBearingY + metrics.vertBearingY) / em : face->ascender / em;
    return origin;
}

unsigned FontFile::GlyphOfCid(unsigned cid) const {
    std::call_once(cidsRead_, [this] {
        std::lock_guard guard(faceLock_);
        FT_Face face = SharedFace();
        FT_Bool keyed = 0;
        if (FT_Get_CID_Is_Internally_CID_Keyed(face, &keyed) != 0 || !keyed) return;
        for (FT_UInt glyph = 1; glyph < FT_UInt(face->num_glyphs); ++glyph) {
            FT_UInt id = 0;
            // Adobe-Japan1 and its kin stop below 65536: a larger CID is not one.
            if (FT_Get_CID_From_Glyph_Index(face, glyph, &id) != 0 || id == 0 || id > 0xFFFF) continue;
            if (glyphOfCid_.size() <= id) glyphOfCid_.resize(id + 1, 0);
            if (!glyphOfCid_[id]) glyphOfCid_[id] = glyph;
        }
        if (glyphOfCid_.empty()) glyphOfCid_.push_back(0);
    });
    if (!glyphOfCid_.empty()) return cid < glyphOfCid_.size() ? glyphOfCid_[cid] : 0;
    return cid < unsigned(glyphCount_) ? cid : 0;
}

std::string FontFile::CidOrdering() const {
    std::lock_guard guard(faceLock_);
    FT_Face face = SharedFace();
    FT_Bool keyed = 0;
    char const *registry = nullptr, *ordering = nullptr;
    FT_Int supplement = 0;
    if (!face || FT_Get_CID_Is_Internally_CID_Keyed(face, &keyed) != 0 || !keyed ||
        FT_Get_CID_Registry_Ordering_Supplement(face, &registry, &ordering, &supplement) != 0 || !ordering)
        return {};
    return ordering;
}

int FontFile::AverageWidth() const {
    // Without a stated average, the mean advance of the glyphs. Type 1 fonts
    // state none, and measuring means decoding every glyph: done when asked.
    std::call_once(averageMeasured_, [this] {
        if (averageWidth_ > 0) return;
        std::lock_guard guard(faceLock_);
        FT_Face face = SharedFace();
        const FT_Long n = std::min<FT_Long>(face->num_glyphs, 4096);
        long long sum = 0, count = 0;
        for (FT_Long g = 0; g < n; ++g) {
            FT_Fixed advance = 0;
            if (!FT_Get_Advance(face, FT_UInt(g), FT_LOAD_NO_SCALE, &advance) && advance > 0) {
                sum += advance;
                ++count;
            }
        }
        averageWidth_ = std::max(count ? int(sum / count) : unitsPerEm_ / 2, 1);
    });
    return averageWidth_;
}

std::shared_ptr<const FontFile> FontFile::Load(const std::string& path, int index) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || index < 0) return nullptr;
    const std::streamoff size = in.tellg();
    if (size <= 0) return nullptr;
    auto bytes = std::make_shared<std::vector<FT_Byte>>(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes->data()), size)) return nullptr;
    std::shared_ptr<FontFile> file(new FontFile());
    file->path_ = path;
    file->index_ = index;
    file->bytes_ = bytes;
    FT_Face face = file->OpenFace();
    if (!face) return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        CloseFace(face);
        return nullptr;
    }
    file->family_ = face->family_name ? face->family_name : "";
    file->unitsPerEm_ = face->units_per_EM;
    file->ascent_ = face->ascender;
    file->descent_ = -face->descender;
    file->maxAdvance_ = std::max<int>(face->max_advance_width, 1);
    file->glyphCount_ = static_cast<int>(std::min<FT_Long>(face->num_glyphs, 0x10000));
    file->italic_ = face->style_flags & FT_STYLE_FLAG_ITALIC;
    file->weight_ = face->style_flags & FT_STYLE_FLAG_BOLD ? 700 : 400;
    file->mapping_ = MappingOf(face);
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        // Windows measures cells by the win metrics.
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            file->ascent_ = os2->usWinAscent;
            file->descent_ = os2->usWinDescent;
        }
        if (os2->usWeightClass >= 1 && os2->usWeightClass <= 1000) file->weight_ = os2->usWeightClass;
        file->averageWidth_ = os2->xAvgCharWidth;
    }
    if (file->ascent_ + file->descent_ <= 0) {
        file->ascent_ = file->unitsPerEm_ * 8 / 10;
        file->descent_ = file->unitsPerEm_ - file->ascent_;
    }
    file->shared_.reset(face);
    return file;
}

}  // namespace ksdvi::gdi

#include "render/FontPainting.h"

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "font/ItrnFont.h"
#include "font/TeXFonts.h"
#include "platform/gdi/Font.h"
#include "platform/kpathsea/KPathSea.h"
#include "render/BuiltinFaceTable.h"

namespace ksdvi {

namespace {

void CopyFaceName(gdi::LOGFONTA& lf, char const* face) {
    std::strncpy(lf.lfFaceName, face, 31);
    lf.lfFaceName[31] = '\0';
}

bool EndsWith(std::string const& s, char const* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// The PK font at the device's resolution times the shrink factor, magnified
// as the document and the font's size ask.
void FindBitmap(KsDvi const& dvi, KsDvi::ItrnFont const& font, double deviceDpi, FontPainting& out) {
    int shrink = BitmapShrinkFor(deviceDpi);
    double mag = dvi.GetAbsMag().GetRaw() / 10000.0;
    double size = font.GetDesignSize() ? double(font.GetScaleSize()) / font.GetDesignSize() : 1.0;
    double dpi = deviceDpi * shrink * mag * size;
    if (!(dpi >= 1 && dpi <= 60000)) {
        out.problem = "no bitmap font at " + std::to_string(dpi) + " dpi";
        return;
    }
    unsigned found = 0;
    std::string path = FinderOf(dvi).FindGlyphFont(font.GetName().c_str(), unsigned(std::lround(dpi)), &found);
    if (path.empty()) {
        out.problem = "no outline font, and no bitmap font can be made";
        return;
    }
    std::string error;
    auto bitmap = BitmapFont::Load(path, shrink, &error);
    if (!bitmap) {
        out.problem = path + ": " + error;
        return;
    }
    out.kind = FontPainting::Kind::Bitmap;
    out.bitmap = std::move(bitmap);
    out.pkFile = path;
    out.dpi = found;
}

}  // namespace

KPathSea& FinderOf(KsDvi const& dvi) {
    // A document told to use no finder still finds the programs of its map.
    return dvi.GetKPathSea() ? *dvi.GetKPathSea() : TeXFonts::Default().GetKPathSea();
}

std::string RegisterFontProgram(KPathSea& finder, std::string const& file) {
    static std::mutex lock;
    static std::map<std::string, std::string> registered;
    std::lock_guard<std::mutex> guard(lock);
    auto it = registered.find(file);
    if (it != registered.end()) return it->second;
    KPathSea::Format format = EndsWith(file, ".otf")                             ? KPathSea::Format::OpenType
                              : EndsWith(file, ".ttf") || EndsWith(file, ".ttc") ? KPathSea::Format::TrueType
                                                                                 : KPathSea::Format::Type1;
    std::string path = file.find('/') == std::string::npos ? finder.Find(file, format) : file;
    if (!path.empty() && gdi::AddFontResourceExA(path.c_str(), gdi::FR_PRIVATE, nullptr) <= 0) path.clear();
    registered.emplace(file, path);
    return path;
}

FontPainting ChooseFontPainting(KsDvi const& dvi, KsDvi::ItrnFont const& font, double deviceDpi, gdi::CDC* dc) {
    FontPainting out;
    if (font.IsVirtual()) {
        out.kind = FontPainting::Kind::Virtual;
        return out;
    }
    KsDvi::ItrnFont::TTFInfo const& info = font.GetSBCTTFInfo();
    if (!info.fontFile.IsNull()) out.fontFile = RegisterFontProgram(FinderOf(dvi), info.fontFile.c_str());
    char const* name = info.faceName.IsNull() ? font.GetName().c_str() : info.faceName.c_str();
    if (gdi::FindTrueTypeFace(dc, name, &out.logFont)) {
        out.kind = FontPainting::Kind::Outline;
        out.height = info.height;
        out.width = info.averagewidth;
        out.weight = info.weight;
        out.italic = info.italic;
        return out;
    }
    BuiltinFace const* row = FindBuiltinFace(name);
    if (row && gdi::FindTrueTypeFace(dc, row->face, &out.logFont)) out.kind = FontPainting::Kind::Outline;
    // TeX's own bitmaps beat a face that merely looks similar.
    if (out.kind != FontPainting::Kind::Outline) {
        FindBitmap(dvi, font, deviceDpi, out);
        if (out.kind == FontPainting::Kind::Bitmap) return out;
    }
    if (row) {
        if (out.kind != FontPainting::Kind::Outline) CopyFaceName(out.logFont, row->face);
        out.height = static_cast<int>(font.GetScaleSize() * row->heightFactor);
        out.width = static_cast<int>(font.GetScaleSize() * row->widthFactor);
        out.weight = row->weight;
        out.italic = row->italic;
    }
    // Otherwise the description stays empty and the system's mapper chooses a face.
    return out;
}

char const* FontPaintingKindName(FontPainting::Kind kind) {
    switch (kind) {
    case FontPainting::Kind::Outline: return "outline";
    case FontPainting::Kind::Bitmap: return "bitmap";
    case FontPainting::Kind::Substitute: return "missing";
    case FontPainting::Kind::Virtual: return "virtual";
    }
    return "missing";
}

}  // namespace ksdvi

#include "render/FontPainting.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "font/ItrnFont.h"
#include "font/TeXFonts.h"
#include "platform/gdi/Font.h"
#include "platform/kpathsea/KPathSea.h"
#include "render/BuiltinFaceTable.h"
#include "render/JapaneseFontFace.h"
#include "render/NativeFontFace.h"
#include "stream/DeviceRounding.h"

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

std::string FindFontProgram(KPathSea& finder, std::string const& file) {
    static std::mutex lock;
    static std::map<std::string, std::string> found;
    std::lock_guard<std::mutex> guard(lock);
    auto it = found.find(file);
    if (it != found.end()) return it->second;
    KPathSea::Format format = EndsWith(file, ".otf")                             ? KPathSea::Format::OpenType
                              : EndsWith(file, ".ttf") || EndsWith(file, ".ttc") ? KPathSea::Format::TrueType
                                                                                 : KPathSea::Format::Type1;
    std::string path = file.find('/') == std::string::npos ? finder.Find(file, format) : file;
    found.emplace(file, path);
    return path;
}

FontPainting ChooseFontPainting(KsDvi const& dvi, KsDvi::ItrnFont const& font, double deviceDpi) {
    FontPainting out;
    if (font.IsVirtual()) {
        out.kind = FontPainting::Kind::Virtual;
        return out;
    }
    // XeTeX's fonts and pTeX's JFM fonts name their face files themselves.
    NativeFont const* native = font.GetNative();
    JapaneseFont const* japanese = native ? nullptr : font.GetJapanese();
    if (native || japanese) {
        NativeFace found = native ? FindNativeFace(dvi, *native) : FindJapaneseFace(dvi, *japanese);
        out.kind = found.face ? FontPainting::Kind::Outline : FontPainting::Kind::Substitute;
        out.face = std::move(found.face);
        out.fontFile = std::move(found.file);
        out.problem = std::move(found.problem);
        out.height = font.GetScaleSize();
        return out;
    }
    KsDvi::ItrnFont::TTFInfo const& info = font.GetSBCTTFInfo();
    auto asTheMapSays = [&] {
        out.kind = FontPainting::Kind::Outline;
        out.height = info.height;
        out.width = info.averagewidth;
        out.weight = info.weight;
        out.italic = info.italic;
    };
    // The font program the map names is drawn whatever its face calls itself.
    if (!info.fontFile.IsNull()) {
        out.fontFile = FindFontProgram(FinderOf(dvi), info.fontFile.c_str());
        if (!out.fontFile.empty()) out.face = gdi::OpenFontProgram(out.fontFile);
        if (out.face) {
            asTheMapSays();
            return out;
        }
    }
    char const* name = info.faceName.IsNull() ? font.GetName().c_str() : info.faceName.c_str();
    gdi::LOGFONTA lf{};
    if (gdi::FindTrueTypeFace(nullptr, name, &lf)) {
        asTheMapSays();
    } else {
        BuiltinFace const* row = FindBuiltinFace(name);
        if (row && gdi::FindTrueTypeFace(nullptr, row->face, &lf)) out.kind = FontPainting::Kind::Outline;
        // TeX's own bitmaps beat a face that merely looks similar.
        if (out.kind != FontPainting::Kind::Outline) {
            FindBitmap(dvi, font, deviceDpi, out);
            if (out.kind == FontPainting::Kind::Bitmap) return out;
        }
        if (row) {
            if (out.kind != FontPainting::Kind::Outline) CopyFaceName(lf, row->face);
            out.height = static_cast<int>(font.GetScaleSize() * row->heightFactor);
            out.width = static_cast<int>(font.GetScaleSize() * row->widthFactor);
            out.weight = row->weight;
            out.italic = row->italic;
        }
        // Otherwise the description stays empty and fontconfig chooses a face.
    }
    lf.lfWeight = out.weight;
    lf.lfItalic = static_cast<gdi::BYTE>(out.italic);
    out.face = gdi::ResolveFontFace(lf);
    return out;
}

std::shared_ptr<gdi::FontFile const> DoubleByteFace(KsDvi::ItrnFont const& font) {
    KsDvi::ItrnFont::TTFInfo const& info = font.GetDBCTTFInfo();
    gdi::LOGFONTA lf{};
    if (!gdi::FindTrueTypeFace(nullptr, info.faceName.c_str(), &lf)) CopyFaceName(lf, info.faceName.c_str());
    lf.lfWeight = info.weight;
    lf.lfItalic = static_cast<gdi::BYTE>(info.italic);
    return gdi::ResolveFontFace(lf);
}

DeviceFont SingleByteDeviceFont(FontPainting const& painting, KsDvi::ItrnFont const& font, PixelMapping const& pixels) {
    DeviceFont out;
    out.bitmap = painting.bitmap;
    out.exactEm = (painting.height != 0 ? painting.height : font.GetScaleSize()) * pixels.PerDviY();
    out.em = Ceiling(out.exactEm);
    if (!painting.face) return out;
    KsDvi::ItrnFont::TTFInfo const& info = font.GetSBCTTFInfo();
    out.face = painting.face;
    out.width = Ceiling(painting.width * pixels.PerDviX());
    out.rotation = static_cast<int>(font.GetRotate());
    out.weight = painting.weight;
    out.italic = painting.italic != 0;
    out.slant = info.slantFont;
    out.extend = info.extendFont;
    out.slantedRows = info.slant != 0;
    out.glyphNames = font.GetGlyphNames();
    return out;
}

DeviceFont DoubleByteDeviceFont(KsDvi::ItrnFont const& font, PixelMapping const& pixels) {
    KsDvi::ItrnFont::TTFInfo const& info = font.GetDBCTTFInfo();
    DeviceFont out;
    out.face = DoubleByteFace(font);
    out.exactEm = (info.height != 0 ? info.height : font.GetScaleSize()) * pixels.PerDviY();
    out.em = Ceiling(out.exactEm);
    out.width = Ceiling(info.averagewidth * pixels.PerDviX());
    out.rotation = static_cast<int>(font.GetRotate());
    out.weight = info.weight;
    out.italic = info.italic != 0;
    out.slantedRows = font.GetSBCTTFInfo().slant != 0;
    return out;
}

DeviceFont NativeDeviceFont(FontPainting const& painting, KsDvi::ItrnFont const& font, PixelMapping const& pixels) {
    DeviceFont out;
    NativeFont const* native = font.GetNative();
    // Without its own face a native font draws nothing: its glyph indices
    // mean nothing in another face.
    if (!native || !painting.face) return out;
    out.face = painting.face;
    out.exactEm = font.GetScaleSize() * pixels.PerDviY();
    out.em = std::max(RoundHalfAway(out.exactEm), 1);
    out.hinted = false;
    out.slant = native->slant;
    out.extend = native->extend > 0 ? native->extend : 1;
    // XeTeX gives FakeBold as the width of the pen in bp, as xdvipdfmx
    // strokes with it; at most an em (fontspec's FakeBold=100).
    if (native->embolden > 0 && font.GetScaleSize() > 0)
        out.stroke = std::min(native->embolden * kSpPerBigPoint / font.GetScaleSize(), 1.0);
    return out;
}

DeviceFont JapaneseDeviceFont(FontPainting const& painting, KsDvi::ItrnFont const& font, PixelMapping const& pixels) {
    DeviceFont out;
    if (!font.GetJapanese() || !painting.face) return out;
    out.face = painting.face;
    out.hinted = false;
    out.exactEm = font.GetScaleSize() * pixels.PerDviY();
    out.em = std::max(RoundHalfAway(out.exactEm), 1);
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

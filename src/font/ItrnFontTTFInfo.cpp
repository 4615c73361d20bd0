// Copies a font's map entry, scaled to the font's size, into its record.

#include <cctype>
#include <limits>

#include "font/ItrnFont.h"

namespace {

// z x factor truncated toward zero, kept inside int for absurd factors.
int ScaledFactor(int z, double factor) {
    double v = static_cast<double>(z) * factor;
    if (!(v == v)) return 0;
    if (v >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// The subfont number of a Korean subfont family: the digits that end the name,
// never counting its first character (xhanja12 -> 12, 123 -> 23, xhan -> 0).
int TrailingNumber(String8 const& name) {
    int i = name.GetLength() - 1;
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i]))) --i;
    int value = 0;
    for (int j = i + 1; j < name.GetLength(); ++j) {
        if (!std::isdigit(static_cast<unsigned char>(name[j]))) break;
        if (value > 100000) break;  // a subfont number, not an arbitrary digit string
        value = value * 10 + (name[j] - '0');
    }
    return value;
}

}  // namespace

void ksdvi::ItrnFont::LoadTTFInfo(KsDviTTFMap const* map) {
    KsDviTTFMap::Entry const* entry = map ? map->GetEntry(name_) : nullptr;
    if (entry) {
        int z = scaleSize_;
        encoding_ = entry->encoding;
        sbcInfo_.faceName = entry->fontname;
        sbcInfo_.height = ScaledFactor(z, entry->height);
        sbcInfo_.averagewidth = ScaledFactor(z, entry->averagewidth);
        sbcInfo_.vadjustment = ScaledFactor(z, entry->vadjustment);
        sbcInfo_.italic = entry->italic;
        sbcInfo_.slant = entry->slant;
        sbcInfo_.weight = entry->weight;
        sbcInfo_.fontFile = entry->fontfile;
        sbcInfo_.encFile = entry->encfile;
        sbcInfo_.slantFont = entry->slantfont;
        sbcInfo_.extendFont = entry->extendfont;
        // Without its vector a re-encoded font falls back on the font program's own encoding.
        if (encoding_ == KsDviTTFMap::ENC_GLYPH_NAMES) {
            glyphNames_ = map->GetGlyphNames(entry->encfile);
            if (!glyphNames_) encoding_ = KsDviTTFMap::ENC_RAW;
        }
        if (entry->DBC) {
            dbcInfo_.faceName = entry->dbcfontname;
            dbcInfo_.height = ScaledFactor(z, entry->dbcheight);
            dbcInfo_.averagewidth = ScaledFactor(z, entry->dbcaveragewidth);
            dbcInfo_.vadjustment = ScaledFactor(z, entry->dbcvadjustment);
            dbcInfo_.italic = entry->dbcitalic;
            dbcInfo_.slant = entry->dbcslant;
            dbcInfo_.weight = entry->dbcweight;
        }
    }
    if (encoding_ == KsDviTTFMap::ENC_XHAN_UNICODE || encoding_ == KsDviTTFMap::ENC_XHANJA_UNICODE ||
        encoding_ == KsDviTTFMap::ENC_XSYMB_UNICODE)
        xSeriesIndex_ = TrailingNumber(name_);
    if (xSeriesIndex_ < 1) xSeriesIndex_ = 1;
}

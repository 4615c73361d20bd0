#include "FontReport.h"

#include "DocumentSession.h"
#include "dvi/ItrnFontItr.h"
#include "font/EncodingVector.h"
#include "font/ItrnFont.h"

std::vector<FontReport> ReportFonts(KsDvi& dvi, double dpi) {
    std::vector<FontReport> out(static_cast<size_t>(dvi.GetNItrnFont()));
    for (KsDvi::ItrnFontItr it(dvi); !it.IsFinished(); ++it) {
        KsDvi::ItrnFont const& font = *it();
        ksdvi::FontPainting painting = ksdvi::ChooseFontPainting(dvi, font, dpi);
        FontReport& r = out[static_cast<size_t>(font.GetID())];
        r.name = font.GetName().c_str();
        r.id = font.GetID();
        r.kind = painting.kind;
        r.problem = painting.problem;
        r.native = font.GetNative() != nullptr;
        if (painting.kind == ksdvi::FontPainting::Kind::Bitmap) {
            r.file = painting.pkFile;
            r.dpi = painting.dpi;
        } else if (painting.kind == ksdvi::FontPainting::Kind::Outline) {
            if (painting.face) {
                r.face = painting.face->FamilyName();
                r.file = painting.face->Path();
            }
            r.encoding = font.GetNative()       ? "native"
                         : font.GetGlyphNames() ? font.GetSBCTTFInfo().encFile.c_str()
                                                : KsDviTTFMap::EncodingKeyword(font.GetEncoding());
        }
    }
    return out;
}

std::string DescribePainting(FontReport const& font) {
    switch (font.kind) {
    case ksdvi::FontPainting::Kind::Outline: return "outline " + font.file + " (" + font.encoding + ")";
    case ksdvi::FontPainting::Kind::Bitmap: return "bitmap " + font.file + " at " + std::to_string(font.dpi) + " dpi";
    case ksdvi::FontPainting::Kind::Virtual: return "virtual";
    case ksdvi::FontPainting::Kind::Substitute: break;
    }
    return "missing: " + font.problem;
}

void NoteFonts(std::string const& file, std::vector<FontReport> const& fonts) {
    for (FontReport const& font : fonts)
        if (!font.name.empty()) ReportNote(file, "font " + font.name + ": " + DescribePainting(font));
}

void WarnMissingFonts(std::string const& file, KsDvi const& dvi) {
    for (std::string const& name : dvi.GetMissingFonts())
        ReportWarning(file, "font " + name + ": " + dvi.GetFontProblem(name) + "; its characters are left out");
    if (dvi.GetNItrnFont() >= KsDvi::MostFontRecords)
        ReportWarning(file, "more than " + std::to_string(KsDvi::MostFontRecords) +
                                " fonts at their sizes (virtual fonts' own included): the rest are left out");
}

void WarnUnpaintable(std::string const& file, std::vector<FontReport> const& fonts,
                     std::map<std::string, std::set<unsigned>> const& missingGlyphs) {
    std::set<std::string> named;
    for (FontReport const& font : fonts) {
        if (font.kind != ksdvi::FontPainting::Kind::Substitute || !named.insert(font.name).second) continue;
        ReportWarning(file, "font " + font.name + " cannot be painted (" + font.problem + "); " +
                                (font.native ? "its glyphs are left out" : "a similar face stands in"));
    }
    for (auto const& [name, codes] : missingGlyphs) {
        std::string list;
        for (unsigned code : codes) {
            if (!list.empty()) list += ' ';
            list += std::to_string(code);
        }
        ReportWarning(file, "font " + name + " has no glyph for codes " + list + "; they are left out");
    }
}

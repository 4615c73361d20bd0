#pragma once
// What the tool says about the fonts of a document: how each is painted at a
// resolution, and, after rendering, the fonts and characters that could not be.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "render/FontPainting.h"

struct FontReport {
    std::string name;
    int id = 0;
    ksdvi::FontPainting::Kind kind = ksdvi::FontPainting::Kind::Substitute;
    std::string file;      // the face's font file, or the PK file
    std::string face;      // outline: the face's name
    std::string encoding;  // outline: the encoding keyword, or the .enc file
    unsigned dpi = 0;      // bitmap: the PK file's resolution
    std::string problem;   // missing: why
    bool native = false;   // XeTeX's: glyphs by index, which no other face can stand in for
};

// Every font of the document, by internal number, as the renderer would paint
// it at `dpi` dots per inch.
std::vector<FontReport> ReportFonts(KsDvi& dvi, double dpi);
// "outline FILE (ENCODING)", "bitmap FILE at N dpi", "virtual", "missing: WHY".
std::string DescribePainting(FontReport const& font);
// With --verbose, a line for each font: how it is painted.
void NoteFonts(std::string const& file, std::vector<FontReport> const& fonts);
// A warning for each font the document names that could not be loaded (its
// characters are left out), and for fonts past the document's limit.
void WarnMissingFonts(std::string const& file, KsDvi const& dvi);
// One warning line on stderr for each font that cannot be painted, and for
// each font with codes its face has no glyph for.
void WarnUnpaintable(std::string const& file, std::vector<FontReport> const& fonts,
                     std::map<std::string, std::set<unsigned>> const& missingGlyphs);

#pragma once
// Map entries for the outline fonts of the TeX installation, made from its
// pdftex.map: the outline fonts that match TeX's metrics are its Type 1 fonts.
//   cmr10 CMR10 <cmr10.pfb                 -> cmr10 { fontname = 'CMR10', encoding = 'raw' }
//   ptmr8r Times "..ReEncodeFont" <8r.enc <utmr8a.pfb -> encoding = '8r-unicode'
// Fonts re-encoded with any other vector are left unmapped.

#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

class KPathSea;

struct PdftexMapLine {
    std::string tfm;
    std::string psName;
    std::string encodingFile;  // "" when the font keeps its own encoding
    std::string fontFile;      // the font program, e.g. cmr10.pfb
};

// One line of a pdfTeX map file, or nullopt for comments and lines without a font program.
std::optional<PdftexMapLine> ParsePdftexMapLine(std::string const& line);

class TeXFontMap {
public:
    // Reads every line of a pdfTeX map file.
    void Read(std::istream& in);
    // Finds the installation's pdftex.map with kpathsea and reads it; false when there is none.
    bool ReadInstalled(KPathSea& finder);

    // The entry for a TeX font in map-file syntax, "" when the font is not mapped.
    std::string EntryText(std::string const& tfm) const;
    // All mapped entries, one per line, in TeX name order.
    std::string AllEntriesText() const;
    // TeX fonts left unmapped, with the encoding file that kept them out.
    std::vector<std::pair<std::string, std::string>> Unmapped() const;
    PdftexMapLine const* Find(std::string const& tfm) const;

private:
    static bool Mapped(PdftexMapLine const& line);
    std::map<std::string, PdftexMapLine> lines_;
};

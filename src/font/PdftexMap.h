#pragma once
// The font map files of pdfTeX and dvips (pdftex.map, psfonts.map): one line per
// TeX font, naming the outline font program that paints it and how.
//   tfm [psname] [flags] ["ps code"] [<[encfile] [<fontfile]...
//   ec-lmr10 LMRoman10-Regular " enclmec ReEncodeFont " <lm-ec.enc <lmr10.pfb
//   cmr10-slanted CMR10 " .167 SlantFont " <cmr10.pfb
// Comment lines start with %, #, *, ; or a blank line.

#include <istream>
#include <optional>
#include <string>

namespace ksdvi {

struct PdftexMapLine {
    std::string tfm;
    std::string psName;        // the tfm name when the line gives none
    std::string encodingFile;  // "" when the font keeps its own encoding
    std::string fontFile;      // "" when the font is expected to be installed
    double slant = 0;          // x += slant * y, as SlantFont does
    double extend = 1;         // x *= extend, as ExtendFont does
};

// One line, or nullopt for comments and lines that name no font.
std::optional<PdftexMapLine> ParsePdftexMapLine(std::string const& line);

}  // namespace ksdvi

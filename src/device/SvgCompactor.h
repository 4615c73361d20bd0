#pragma once
// Shorter SVG files from Cairo. Cairo writes every path (each glyph outline
// of each size among them) in absolute coordinates with up to six decimals;
// rewritten relative, to hundredths of a point (a thousandth of a 10 pt em,
// the precision of dvisvgm's glyphs), a text page takes about 40% less. Only
// `d` attributes change: a path whose data holds anything but Cairo's M, L, C
// and Z passes unchanged. A gradient's stops, one a line, lose those that
// lie on the line between their neighbours (ColourStops.h).
//
// The file goes through in the pieces Cairo writes, an attribute may span
// several.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "device/ColourStops.h"

namespace ksdvi {

class SvgCompactor {
public:
    explicit SvgCompactor(std::FILE* out) : out_(out) {}

    // False when the file could not be written.
    bool Write(std::string_view piece);
    // Writes what an unfinished attribute holds (a file cut short); a
    // failure shows in the file's error indicator.
    void Finish();

    // The path data `d` rewritten, or `d` itself when it holds anything else.
    static std::string Compact(std::string_view d);

private:
    // Takes text whose path data is rewritten, a line at a time, into `ready`.
    void TakeLines(std::string_view text, std::string& ready);
    // Puts the stops held that the gradient needs into `ready`.
    void PutStops(std::string& ready);

    std::FILE* out_;
    std::string text_;                    // what has its path data rewritten
    std::string line_;                    // the line being read, after path data
    std::vector<std::string> stopLines_;  // a gradient's stops read so far
    std::vector<ColourStop> stops_;       // and what they say
    std::string path_;                    // the data of the attribute being read
    bool inPath_ = false;                 // between `d="` and its closing quote
    char last_[3] = {};                   // the three characters before, to find ` d="`
};

}  // namespace ksdvi

#pragma once
// Shorter path data for the SVG files Cairo writes. Cairo writes every path
// (each glyph outline of each size among them) in absolute coordinates with
// up to six decimals; rewritten relative, to hundredths of a point (a
// thousandth of a 10 pt em, the precision of dvisvgm's glyphs), a text page
// takes about 40% less. Only `d` attributes change: a path whose data holds
// anything but Cairo's M, L, C and Z passes unchanged.
//
// The file goes through in the pieces Cairo writes, an attribute may span
// several.

#include <cstdio>
#include <string>
#include <string_view>

namespace ksdvi {

class SvgPathCompactor {
public:
    explicit SvgPathCompactor(std::FILE* out) : out_(out) {}

    // False when the file could not be written.
    bool Write(std::string_view piece);
    // Writes what an unfinished attribute holds (a file cut short); a
    // failure shows in the file's error indicator.
    void Finish();

    // The path data `d` rewritten, or `d` itself when it holds anything else.
    static std::string Compact(std::string_view d);

private:
    std::FILE* out_;
    std::string text_;     // what is ready to be written
    std::string path_;     // the data of the attribute being read
    bool inPath_ = false;  // between `d="` and its closing quote
    char last_[3] = {};    // the three characters before, to find ` d="`
};

}  // namespace ksdvi

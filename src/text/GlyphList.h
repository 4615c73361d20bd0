#pragma once
// Glyph names to Unicode, as the Adobe Glyph List specifies: a name loses any
// suffix after its first period, its components joined by underscores are
// looked up one by one, and a component is a name of the lists, "uniXXXX..."
// (four hex digits per character) or "uXXXX" to "uXXXXXX". TeX's list of its
// own names (texglyphlist.txt) is consulted before Adobe's (glyphlist.txt).
// Lines of both: "name;XXXX" for one character, "XXXX XXXX" for a sequence,
// "XXXX,YYYY" for alternatives.

#include <string>
#include <string_view>
#include <unordered_map>

namespace ksdvi {

class GlyphList {
public:
    GlyphList() = default;

    // The lists of the TeX installation, found through kpathsea; read once
    // and shared by every thread.
    static GlyphList const& Default();

    // Adds the entries of a list file, after those read before; false when it
    // cannot be read.
    bool Read(std::string const& path);
    // The same for the file's text.
    void Parse(std::string_view text);

    // The characters a glyph name stands for; empty for names it cannot read.
    std::u32string ToUnicode(std::string_view name) const;
    size_t Size() const { return names_.size(); }

private:
    std::u32string Component(std::string_view name) const;
    std::u32string SizedSymbol(std::string_view name) const;
    std::unordered_map<std::string, std::u32string> names_;
};

}  // namespace ksdvi

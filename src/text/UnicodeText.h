#pragma once
// The text of pages in Unicode, as a reader would copy it. TeX fonts keep
// ligatures, dashes, quotes and accents at codes of their own; each character
// becomes Unicode through the glyph name that the font program painting it
// gives its code (Adobe Glyph List), ligatures become their letters, and an
// accent that TeX built from two characters joins its letter. Characters keep
// their boxes (DVI units), where graphicx's transformations draw them, and
// the instruction positions that KsDviSelect gives them.

#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "text/FontGlyphNames.h"

namespace ksdvi {

class GlyphList;

struct UnicodeChar {
    int left = 0, baseline = 0, width = 0, height = 0, depth = 0;
    int position = -1;    // offset of the page instruction that drew it
    std::u32string text;  // empty for a character that stands for nothing
    // Set in vertical text (pTeX's dir): the box above lies on the page, and
    // `axis` is the pen's line down the column.
    bool vertical = false;
    int axis = 0;
    // Set where a transformation (graphicx's \rotatebox, \scalebox) draws
    // the character elsewhere: the bounding box (DVI units) of its box as
    // drawn. The box above stays where TeX set it, for the reading order.
    bool transformed = false;
    int drawnLeft = 0, drawnTop = 0, drawnWidth = 0, drawnHeight = 0;
    int size = 0;           // its font's size (an em), DVI units; 0 when unknown
    bool japanese = false;  // from a JFM font: gaps between such characters are the font's glue
};

// The box a character is drawn in: left, top, width and height (DVI units).
inline std::array<int, 4> DrawnBox(UnicodeChar const& c) {
    if (c.transformed) return {c.drawnLeft, c.drawnTop, c.drawnWidth, c.drawnHeight};
    return {c.left, static_cast<int>(int64_t(c.baseline) - c.height), c.width,
            static_cast<int>(int64_t(c.height) + c.depth)};
}

struct TextWord {
    std::string text;  // UTF-8
    int left = 0, top = 0, right = 0, bottom = 0;
};
using TextLine = std::vector<TextWord>;

class UnicodeText {
public:
    // `dvi` must outlive this object; the glyph names of its fonts are kept.
    explicit UnicodeText(KsDvi& dvi);
    UnicodeText(KsDvi& dvi, GlyphList const& names);
    ~UnicodeText();

    // The characters of a page in drawing order; 1 when the page was read to
    // its end. A malformed page throws KsDviDrawerBase::MalformedDviError
    // with what was read so far in `chars`.
    int ReadPage(int page, std::vector<UnicodeChar>& chars);
    // Whether the page last read was cut at the instruction bound.
    bool LastPageCut() const;

    // The text of the characters from position `start` to `end` in UTF-8,
    // with spaces and line breaks where a selection's string has them, and
    // tabs where a line's gap is as wide as a column's.
    static std::string GetString(std::vector<UnicodeChar> const& chars, int winFont, int start = INT_MIN,
                                 int end = INT_MAX, char const* lineBreak = "\n");
    // The same cut into lines of words, each with its box.
    static std::vector<TextLine> GetLines(std::vector<UnicodeChar> const& chars, int winFont);
    // For each character, whether the text puts a gap before it (a space, a
    // tab, a line break): where a word begins.
    static std::vector<bool> GapsBefore(std::vector<UnicodeChar> const& chars, int winFont);

private:
    class Drawer;
    friend class Drawer;

    // What each code of a font stands for, found on first use.
    struct FontTexts {
        std::shared_ptr<GlyphNames const> names;
        std::array<std::u32string, 256> texts;
        std::array<bool, 256> known{};
    };

    std::shared_ptr<GlyphNames const> NamesOf(KsDvi::ItrnFont const& font);
    std::u32string const& TextOf(KsDvi::ItrnFont const* font, unsigned dviCode, unsigned short code);
    std::u32string CodeText(FontTexts const& font, KsDvi::ItrnFont const& record, unsigned dviCode,
                            unsigned short code) const;

    KsDvi& dvi_;
    GlyphList const& glyphList_;
    std::map<KsDvi::ItrnFont const*, FontTexts> fonts_;
    std::u32string reported_;  // the text of a code reported as Unicode
    std::unique_ptr<Drawer> drawer_;
};

// Reads a page's characters into `chars`: empty when the page was read
// whole, else the sentence that says why not (what could be read is kept).
std::string ReadPageText(UnicodeText& text, int page, std::vector<UnicodeChar>& chars);

// Code points as UTF-8.
std::string Utf8Of(std::u32string const& text);

}  // namespace ksdvi

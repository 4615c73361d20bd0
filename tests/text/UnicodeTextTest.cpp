// The Unicode layer: glyph names read as the Adobe Glyph List says, the
// names of a real font program's built-in encoding, and text.tex's pages
// read back in Unicode with accents composed and ligatures spelled out.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "font/TeXFonts.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"
#include "text/AccentComposition.h"
#include "text/FontGlyphNames.h"
#include "text/GlyphList.h"
#include "text/TextDocument.h"
#include "text/UnicodeSearch.h"
#include "text/UnicodeText.h"

namespace {

using ksdvi::GlyphList;

TEST(GlyphNames, NamesBecomeUnicodeAsTheGlyphListSays) {
    GlyphList const& list = GlyphList::Default();
    ASSERT_GT(list.Size(), 4000u);
    std::vector<std::pair<char const*, std::u32string>> const cases{
        {"fi", U"\uFB01"},
        {"quotedblright", U"\u201D"},
        {"endash", U"\u2013"},
        {"dotlessi", U"\u0131"},
        {"Delta", U"\u0394"},  // TeX's list offers the Greek letter among its choices
        {"a.sc", U"a"},
        {"f_f_i", U"ffi"},
        {"uni00E90301", U"\u00E9\u0301"},
        {"u1D400", U"\U0001D400"},
        {"uniD800", U""},  // a surrogate is no character
        {"uni00e9", U""},  // hex digits are upper case
        {"nosuchglyph", U""},
        {"integraldisplay", U"\u222B"},  // cmex's sizes of one symbol
        {"summationtext", U"\u2211"},
        {"parenleftBigg", U"("},
        {"display", U""},
    };
    for (auto const& [name, text] : cases) EXPECT_EQ(list.ToUnicode(name), text) << name;

    GlyphList own;
    own.Parse("# comment\nalpha;03B1\nbad;XYZ\npair;0041 0042\n;0041\nchoice;E000,0043\n");
    EXPECT_EQ(own.Size(), 3u);
    EXPECT_EQ(own.ToUnicode("pair_alpha"), U"AB\u03B1");
    EXPECT_EQ(own.ToUnicode("choice"), U"C");
}

// cmr10's program keeps TeX's OT1 layout: ligatures, dashes and accents at
// codes of their own.
TEST(GlyphNames, FontProgramsNameTheirBuiltinEncoding) {
    std::string path = Kpathsea()->Find("cmr10.pfb", KPathSea::Format::Type1);
    ASSERT_FALSE(path.empty());
    auto names = ksdvi::ReadBuiltinGlyphNames(path);
    ASSERT_TRUE(names);
    std::vector<std::pair<int, char const*>> const expected{
        {12, "fi"}, {16, "dotlessi"}, {19, "acute"}, {34, "quotedblright"}, {65, "A"}, {123, "endash"}};
    for (auto const& [code, name] : expected) EXPECT_EQ((*names)[code], name) << code;
    EXPECT_FALSE(ksdvi::ReadBuiltinGlyphNames(DataFile("text.tex")));
}

TEST(GlyphNames, ComposedFormsAndLigatures) {
    EXPECT_EQ(ksdvi::Composed(U"e\u0301"), U"\u00E9");
    EXPECT_EQ(ksdvi::Composed(U"\uFB03ce"), U"ffice");
    EXPECT_EQ(ksdvi::Composed(U"\u2126"), U"\u03A9");
}

std::string Source(std::string const& name) { return ReadFileText(DataFile(name)); }

size_t Count(std::string const& text, std::string const& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

// Every occurrence of a word of the source is found, ligature or not, and
// the accented words are found as typed.
TEST(UnicodeText, SearchFindsTheSourcesWords) {
    TextDocument doc("text.dvi");
    std::string source = Source("text.tex");
    source = source.substr(source.find("\\begin{document}"));
    std::string lower = source;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    ksdvi::UnicodeText text(doc.dvi);
    std::vector<std::vector<ksdvi::UnicodeChar>> pages(doc.dvi.GetNPage());
    for (int p = 0; p < doc.dvi.GetNPage(); ++p) ASSERT_EQ(text.ReadPage(p, pages[p]), 1);

    struct Case {
        char const* pattern;
        bool matchCase;
        size_t expected;
    };
    std::vector<Case> const cases{
        {"finite", false, Count(lower, "finite")},
        {"Finite", true, Count(source, "Finite")},
        {"office", false, Count(lower, "office")},
        {"fiancée", false, Count(source, "fiancée")},
        {"ŁÓDŹ", false, 1},
        {"crème brûlée", false, 1},
        {"crème \t brûlée", false, 1},  // white space matches the gap between words
        {"crèmebrûlée", false, 0},      // a gap between words needs white space in the pattern
        {"mebr", false, 0},
        {"pages 1–2", false, Count(source, "1–2")},
        {"“Quoted text”", false, 1},
    };
    for (Case const& c : cases) {
        ksdvi::UnicodeSearch search(c.pattern, c.matchCase);
        std::vector<ksdvi::TextMatch> matches;
        for (int p = 0; p < doc.dvi.GetNPage(); ++p) search.FindOnPage(p, pages[p], doc.dvi.GetWinFont(), matches);
        EXPECT_EQ(matches.size(), c.expected) << c.pattern;
        for (ksdvi::TextMatch const& m : matches) EXPECT_FALSE(m.rects.IsEmpty());
    }
    EXPECT_GE(Count(lower, "finite"), 6u);
}

// \'e is an accent over an e: one character, whose box holds both.
TEST(UnicodeText, AccentsJoinTheirLetters) {
    TextDocument doc("text.dvi");
    ksdvi::UnicodeText text(doc.dvi);
    std::vector<ksdvi::UnicodeChar> chars;
    ASSERT_EQ(text.ReadPage(0, chars), 1);
    std::vector<Call> raw = doc.Chars(0);
    auto e = std::find_if(chars.begin(), chars.end(), [](ksdvi::UnicodeChar const& c) { return c.text == U"é"; });
    ASSERT_NE(e, chars.end());
    auto letter = std::find_if(raw.begin(), raw.end(), [&](Call const& c) { return c.offset == e->position; });
    ASSERT_NE(letter, raw.begin());
    ASSERT_NE(letter, raw.end());
    Call const& accent = *(letter - 1);
    EXPECT_EQ(accent.a, 19);  // the acute accent, drawn first
    EXPECT_EQ(letter->a, 'e');
    EXPECT_LE(e->left, accent.h);
    EXPECT_GE(e->left + e->width, accent.h + accent.b);
    EXPECT_LE(e->baseline - e->height, accent.v - accent.height);
    EXPECT_LT(chars.size(), raw.size());
}

// A font no outline program paints names no glyphs; another size of its
// family that one paints does. ksbx1440 has ecbx1440's metrics under a name
// no installation has, and the map paints only ksbx1000 (with cm-super's
// sfbx1000, as ecbx1000 is): its T1 codes read as that program's names.
TEST(UnicodeText, BitmapFontsBorrowTheirFamilysNames) {
    TempDir dir;
    std::filesystem::copy_file(Kpathsea()->Find("ecbx1440.tfm", KPathSea::Format::Tfm), dir / "ksbx1440.tfm");
    std::ofstream(dir / "family.map")
        << "ksbx1000 { fontname = 'sfbx1000', encfile = 'cm-super-t1.enc', fontfile = 'sfbx1000.pfb' }\n";
    ksdvi::TeXFonts fonts;
    ASSERT_TRUE(fonts.AppendMapFile((dir / "family.map").c_str()));
    DviBuilder body;
    body.FntDef(0, "ksbx1440", 14 * 65536, 14 * 65536).Op(171);
    for (int code : {int('F'), int('r'), int('a'), int('n'), 0xE7, int('a'), int('i'), int('s')})
        body.Op(128).Op(code);  // set1: codes above 127 too
    TempFile file(OnePage(body));
    KsDvi dvi;
    dvi.UseFonts(fonts);
    dvi.Open(String8(file.Path().c_str()), Dirs({dir.Path()}), Dirs({dir.Path()}));
    dvi.NewPageWritten(0);
    ksdvi::UnicodeText text(dvi);
    std::vector<ksdvi::UnicodeChar> chars;
    ASSERT_EQ(text.ReadPage(0, chars), 1);
    EXPECT_EQ(ksdvi::UnicodeText::GetString(chars, 0), "Français");
}

// Characters not shown have no text: moved wholly off the paper (beamer's
// xetex and dvipdfmx drivers move covered overlays 2000 points away) or
// drawn on PostScript's null device (its dvips driver's, also after
// PostScript that only Ghostscript runs). Those moved a little stay.
TEST(UnicodeText, CharactersNotShownAreNotText) {
    DviBuilder body;
    body.FntDef(0, "cmr10").Op(171);
    auto set = [&](char const* word) {
        for (char const* c = word; *c; ++c) body.Op(*c);
    };
    set("Shown");
    body.Special("pdf:code 1 0 0 1 2000.02579 2000.02579 cm");
    set("Covered");
    body.Special("pdf:code 1 0 0 1 -2000.02579 -2000.02579 cm");
    set("Again");
    body.Special("pdf:code 1 0 0 1 30 -20 cm");
    set("Moved");
    body.Special("ps:SDict begin H.S end").Special("ps::[begin]").Special("ps:: gsave nulldevice");
    body.Special("ps::[end]");
    set("Hidden");
    body.Special("ps::[begin]").Special("ps:: grestore").Special("ps::[end]");
    set("Last");
    TempFile file(OnePage(body));
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    dvi.NewPageWritten(0);
    ksdvi::UnicodeText text(dvi);
    std::vector<ksdvi::UnicodeChar> chars;
    ASSERT_EQ(text.ReadPage(0, chars), 1);
    std::string words;
    for (ksdvi::UnicodeChar const& c : chars)
        for (char32_t u : c.text) words += char(u);
    EXPECT_EQ(words, "ShownAgainMovedLast");
}

}  // namespace

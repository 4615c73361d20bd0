// The scan of XeTeX's XDV files: native font definitions in pages and in the
// postamble, glyph runs of each identification byte's layout, and files made
// to mislead it (lengths past the end, font numbers past the table, sizes no
// font has).

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "support/ScratchDocument.h"

namespace {

using Problem = KsDvi::ScanProblem;

// The bytes of an XDV file of identification `id` whose one page holds
// `body`; its postamble defines `post` again, as XeTeX's do.
std::vector<uint8_t> XdvPage(int id, DviBuilder const& body, DviBuilder const& post = {}) {
    DviBuilder b;
    b.Pre(1000, id).Bop(1);
    b.bytes.insert(b.bytes.end(), body.bytes.begin(), body.bytes.end());
    b.Eop();
    DviBuilder tail;
    tail.Post();
    // The postamble's definitions go after its fixed part, before post_post.
    size_t postPost = tail.bytes.size() - 10;
    tail.bytes.insert(tail.bytes.begin() + static_cast<long>(postPost), post.bytes.begin(), post.bytes.end());
    tail.bytes[tail.bytes.size() - 5] = static_cast<uint8_t>(id);
    b.bytes.insert(b.bytes.end(), tail.bytes.begin(), tail.bytes.end());
    return b.bytes;
}

std::vector<KsDvi::ItrnFont const*> NativeFonts(KsDvi& dvi) {
    std::vector<KsDvi::ItrnFont const*> fonts;
    for (KsDvi::ItrnFontItr it(dvi); !it.IsFinished(); ++it)
        if (it()->GetNative()) fonts.push_back(it());
    return fonts;
}

// xelatex's own output: three looks of one OpenType font, defined in the page
// and again in the postamble, each once.
TEST(XdvScan, ReadsXeTeXsOutput) {
    KsDvi dvi;
    dvi.SetKPathSea(Kpathsea());
    dvi.Open(String8(KSDVI_TEST_DATA "/xetex.xdv"), {}, {});
    dvi.NewPageWritten(0);
    ASSERT_EQ(dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(dvi.GetDviVersion(), 7);
    EXPECT_EQ(dvi.GetNPage(), 1);
    EXPECT_TRUE(dvi.GetMissingFonts().empty());
    std::vector<KsDvi::ItrnFont const*> fonts = NativeFonts(dvi);
    ASSERT_EQ(fonts.size(), 3u);
    int coloured = 0, shaped = 0;
    for (KsDvi::ItrnFont const* font : fonts) {
        ksdvi::NativeFont const& native = *font->GetNative();
        SCOPED_TRACE(native.file);
        EXPECT_NE(native.file.find("lmroman10-regular.otf"), std::string::npos);
        if (native.coloured) {
            ++coloured;
            EXPECT_EQ(native.rgba, 0xFF0000FFu);
            EXPECT_EQ(font->GetScaleSize(), 12 * 65536);
        }
        if (native.extend != 1) {
            ++shaped;
            EXPECT_NEAR(native.extend, 1.5, 1e-4);
            EXPECT_NEAR(native.slant, 0.2, 1e-4);
            EXPECT_NEAR(native.embolden, 0.2, 1e-4);  // XeTeX writes embolden=N as N/10
        }
    }
    EXPECT_EQ(coloured, 1);
    EXPECT_EQ(shaped, 1);
}

TEST(XdvScan, EachLayoutAndEachMisleadingLength) {
    DviBuilder font;
    font.NativeFontDef(3, 655360, 0, "lmroman10-regular.otf");
    DviBuilder run = font;
    run.Op(171 + 3).Glyphs(1000, {{0, 0, 40}, {500, -20, 41}});
    std::u16string const text = u"ab";
    DviBuilder textRun = font;
    textRun.Op(171 + 3).Glyphs(1000, {{0, 0, 40}, {500, 0, 41}}, &text);

    // Identification 5: names, no index; 254 is a glyph string of x only.
    DviBuilder old;
    std::string const ps = "LMRoman10-Regular", family = "Latin Modern Roman", style = "Regular";
    old.Op(252).U(3, 4).U(655360, 4).U(0x1A00, 2).Op(int(ps.size())).Op(int(family.size())).Op(int(style.size()));
    old.bytes.insert(old.bytes.end(), ps.begin(), ps.end());
    old.bytes.insert(old.bytes.end(), family.begin(), family.end());
    old.bytes.insert(old.bytes.end(), style.begin(), style.end());
    // rgba, one axis and its value, then the extension
    old.U(0x0000FFFF, 4).U(1, 2).U(0x77676874, 4).U(700 << 16, 4).U(0x18000, 4);
    DviBuilder oldRun = old;
    oldRun.Op(171 + 3).Op(254).U(1000, 4).U(2, 2).U(0, 4).U(500, 4).U(40, 2).U(41, 2);

    DviBuilder longCount = font;  // a run of more glyphs than the file holds
    longCount.Op(171 + 3).Op(253).U(1000, 4).U(60000, 2);
    DviBuilder longName;  // a name longer than the file
    longName.Op(252).U(3, 4).U(655360, 4).U(0, 2).Op(200).U(0, 4);
    DviBuilder farNumber;  // past the font table
    farNumber.NativeFontDef(70000, 655360, 0, "lmroman10-regular.otf");
    DviBuilder noSize;
    noSize.NativeFontDef(3, 0, 0, "lmroman10-regular.otf");
    DviBuilder flagged;  // colour, extend, slant and embolden words after the index
    flagged.NativeFontDef(3, 655360, 0x7200, "lmroman10-regular.otf", 0, {0x00FF00FF, 0x18000, 0x3333, 0x20000});

    struct Case {
        char const* what;
        std::vector<uint8_t> bytes;
        Problem problem;
        size_t fonts;    // native font records
        size_t missing;  // fonts named missing
    } const cases[] = {
        {"glyph run, id 7", XdvPage(7, run, font), Problem::None, 1, 0},
        {"text and glyphs, id 7", XdvPage(7, textRun, font), Problem::None, 1, 0},
        {"glyph run, id 6", XdvPage(6, run, font), Problem::None, 1, 0},
        {"text and glyphs are not id 6's", XdvPage(6, textRun), Problem::BadOpcode, 1, 0},
        {"names and glyph string, id 5", XdvPage(5, oldRun, old), Problem::None, 1, 0},
        {"glyph runs are not DVI's", XdvPage(2, DviBuilder().Glyphs(0, {})), Problem::BadOpcode, 0, 0},
        {"glyphs past the end", XdvPage(7, longCount), Problem::UnexpectedEnd, 1, 0},
        {"name past the end", XdvPage(7, longName), Problem::UnexpectedEnd, 0, 0},
        {"font number past the table", XdvPage(7, farNumber, farNumber), Problem::None, 0, 0},
        {"size 0", XdvPage(7, noSize), Problem::None, 0, 1},
        {"every flag", XdvPage(7, flagged, flagged), Problem::None, 1, 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDocument doc(c.bytes);
        EXPECT_EQ(doc.dvi.GetScanProblem(), c.problem) << doc.dvi.GetScanProblemOffset();
        if (c.problem == Problem::None) {
            EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
        }
        EXPECT_EQ(NativeFonts(doc.dvi).size(), c.fonts);
        EXPECT_EQ(doc.dvi.GetMissingFonts().size(), c.missing);
    }
}

// xdvipdfmx's paper is the document's, as dvips' papersize is (the first of
// them counts); the pdf: specials ksdvi does not read are kept, a kind
// once, to be named.
TEST(XdvScan, TakesXdvipdfmxsPaperAndNamesItsOtherSpecials) {
    struct Case {
        char const* what;
        std::vector<std::string> specials;
        std::optional<ksdvi::Paper> paper;
        std::vector<std::string> kinds;
    } const cases[] = {
        {"page size", {"pdf:pagesize width 100pt height 200pt"}, ksdvi::Paper{100 * 65536, 200 * 65536}, {}},
        {"the default", {"pdf:pagesize default"}, std::nullopt, {}},
        {"dvips' first",
         {"papersize=10pt,20pt", "pdf:pagesize width 100pt height 200pt"},
         ksdvi::Paper{10 * 65536, 20 * 65536},
         {}},
        {"links and the document's information are read, what a page cannot show is named, what only shapes "
         "a PDF file is not",
         {"pdf:dest (a) [@thispage /XYZ @xpos @ypos null]", "pdf:bann<</Type/Annot>>", "pdf:eann", "pdf:docinfo<<>>",
          "pdf:majorversion 1", "pdf:docinfo<</Title(x)>>", "pdf:docview<</PageMode/UseOutlines>>",
          "pdf:bop pdf:code 1 0 0 RG", "pdf:eop"},
         std::nullopt,
         {"pdf:bop", "pdf:eop"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        DviBuilder body;
        for (std::string const& special : c.specials) body.Special(special);
        ScratchDocument doc(XdvPage(7, body));
        ASSERT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
        EXPECT_EQ(doc.dvi.GetPaperSpecial(), c.paper);
        EXPECT_EQ(doc.dvi.GetEngineSpecials(), c.kinds);
    }
}

}  // namespace

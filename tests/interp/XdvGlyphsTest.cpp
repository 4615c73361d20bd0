// XeTeX's glyph runs as the interpreter reports them: each glyph at its own
// offset from the pen, the pen moved by the run's width, the text a run sets,
// glyphs of fonts that are not native left out.

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"

namespace {

std::vector<Call> Glyphs(std::vector<Call> const& calls) {
    std::vector<Call> out;
    for (Call const& c : calls)
        if (c.kind == "glyph") out.push_back(c);
    return out;
}

// xetex.tex puts a rule 1sp wide where each of its lines begins: the line's
// first glyph stands right after it, on its baseline. Its second line sets
// glyph 36, a 5pt kern, and glyph 37: the second glyph is as far from the
// first as the face's advance of glyph 36 at 10pt and the kern.
TEST(XdvGlyphs, StandWhereXeTeXPutThem) {
    std::string path = RunCommand("kpsewhich lmroman10-regular.otf 2>/dev/null");
    path = path.substr(0, path.find('\n'));
    if (path.empty()) GTEST_SKIP() << "Latin Modern's OpenType fonts are not installed";
    ScratchDocument doc(ReadFileBytes(DataFile("xetex.xdv")));
    RecordingDrawer page(doc.dvi, 0);
    int lines = 0;
    for (size_t i = 0; i + 1 < page.calls.size(); ++i) {
        Call const& rule = page.calls[i];
        if (rule.kind != "rule") continue;
        ++lines;
        Call const& first = page.calls[i + 1];
        SCOPED_TRACE("line " + std::to_string(lines));
        ASSERT_EQ(first.kind, "glyph");
        EXPECT_EQ(first.h, rule.h + 1);
        EXPECT_EQ(first.v, rule.v);
        if (lines != 2) continue;
        ASSERT_LT(i + 2, page.calls.size());
        Call const& second = page.calls[i + 2];
        EXPECT_EQ(first.a, 36);
        EXPECT_EQ(second.a, 37);
        EXPECT_EQ(second.h - first.h, first.b + 5 * 65536);
        EXPECT_EQ(second.v, first.v);

        FT_Library library;
        FT_Face face;
        ASSERT_EQ(FT_Init_FreeType(&library), 0);
        ASSERT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0);
        FT_Fixed advance = 0;
        ASSERT_EQ(FT_Get_Advance(face, 36, FT_LOAD_NO_SCALE, &advance), 0);
        EXPECT_NEAR(first.b, double(advance) * 10 * 65536 / face->units_per_EM, 8);
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    EXPECT_EQ(lines, 4);
}

TEST(XdvGlyphs, RunsOfEachLayout) {
    std::u16string const text = u"a\xD835\xDC9C";  // a, and a character past the BMP
    DviBuilder nativeFont;
    nativeFont.NativeFontDef(3, 655360, 0, "lmroman10-regular.otf");

    struct Case {
        char const* what;
        int id;
        DviBuilder body;
        std::vector<Call> glyphs;
        int32_t h;  // where the pen ends
    };
    std::vector<Case> cases;
    {
        DviBuilder b = nativeFont;
        b.Op(171 + 3).Op(143).U(100, 1).Glyphs(1000, {{10, 20, 40}, {30, -40, 41}}).Glyphs(500, {{0, 0, 42}}, &text);
        cases.push_back({"set_glyphs, set_text_and_glyphs",
                         7,
                         b,
                         {{"glyph", 0, 110, 20, 40, 20, ""},
                          {"glyph", 0, 130, -40, 41, 970, ""},
                          {"glyph", 0, 1100, 0, 42, 500, "97 55349 56476"}},
                         1600});
    }
    {
        DviBuilder b = nativeFont;
        b.Op(171 + 3).Glyphs(1000, {{10, 20, 40}});
        cases.push_back({"set_glyphs, id 6", 6, b, {{"glyph", 0, 10, 20, 40, 990, ""}}, 1000});
    }
    {
        DviBuilder b;
        std::string const ps = "LMRoman10-Regular";
        b.Op(252).U(3, 4).U(655360, 4).U(0, 2).Op(int(ps.size())).Op(0).Op(0);
        b.bytes.insert(b.bytes.end(), ps.begin(), ps.end());
        b.Op(171 + 3).Op(254).U(800, 4).U(2, 2).U(0, 4).U(300, 4).U(40, 2).U(41, 2);
        cases.push_back(
            {"glyph string, id 5", 5, b, {{"glyph", 0, 0, 0, 40, 300, ""}, {"glyph", 0, 300, 0, 41, 500, ""}}, 800});
    }
    {
        DviBuilder b;  // no font selected, then a TeX font: the pen moves, nothing is set
        b.Glyphs(700, {{0, 0, 40}}).FntDef(4, "cmr10").Op(171 + 4).Glyphs(300, {{0, 0, 40}});
        cases.push_back({"not a native font", 7, b, {}, 1000});
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        DviBuilder page;
        page.Pre(1000, c.id).Bop(1);
        page.bytes.insert(page.bytes.end(), c.body.bytes.begin(), c.body.bytes.end());
        page.Rule(1, 1).Eop().Post();
        ScratchDocument doc(page.bytes);
        ASSERT_EQ(doc.dvi.GetMode(), KsDvi::Complete) << int(doc.dvi.GetScanProblem());
        RecordingDrawer drawer(doc.dvi, 0);
        std::vector<Call> glyphs = Glyphs(drawer.calls);
        for (Call& g : glyphs) g.offset = 0;
        EXPECT_EQ(glyphs, c.glyphs);
        ASSERT_FALSE(drawer.calls.empty());
        EXPECT_EQ(drawer.calls.back().kind, "rule");
        EXPECT_EQ(drawer.calls.back().h, c.h);
    }
}

}  // namespace

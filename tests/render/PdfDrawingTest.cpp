// The one-page PDF that pgf's xetex and dvipdfmx drivers' pdf: specials
// make: each special's operators where xdvipdfmx puts them, named objects
// and forms written with their references, what is malformed left out. How
// whole documents look beside xdvipdfmx and dvipdfmx is XdvRenderTest's and
// PtexRenderTest's.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dvi/DviOpcodes.h"
#include "render/PdfDrawingPage.h"
#include "render/RenderedPage.h"
#include "support/ScratchDocument.h"

namespace ksdvi {
namespace {

using test::Canvas, test::COLORREF, test::RGB;

struct WriterCase {
    char const* what;
    std::vector<PlacedPdfSpecial> specials;
    std::vector<char const*> holds;  // in this order
    std::vector<char const*> lacks = {};
};

void PrintTo(WriterCase const& c, std::ostream* os) { *os << c.what; }

class PdfDrawingWriter : public testing::TestWithParam<WriterCase> {};

TEST_P(PdfDrawingWriter, WritesWhatXdvipdfmxWrites) {
    WriterCase const& c = GetParam();
    std::string const pdf = PdfDrawingOfSpecials(c.specials, 200, 100);
    ASSERT_EQ(pdf.rfind("%PDF-1.5\n", 0), 0u) << c.what;
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n") << c.what;
    EXPECT_NE(pdf.find("/MediaBox [0 0 200 100]"), std::string::npos) << c.what;
    size_t at = 0;
    for (char const* part : c.holds) {
        size_t const found = pdf.find(part, at);
        ASSERT_NE(found, std::string::npos) << c.what << ": no " << part << " after offset " << at << "\n" << pdf;
        at = found + 1;
    }
    for (char const* part : c.lacks) EXPECT_EQ(pdf.find(part), std::string::npos) << c.what << ": " << part;
}

INSTANTIATE_TEST_SUITE_P(
    Specials, PdfDrawingWriter,
    testing::Values(
        WriterCase{"operators about the point bcontent sets, nested",
                   {{"bcontent", 10, 20},
                    {"code 0 0 m 5 0 l S", 10, 20},
                    {" bcontent", 15, 25},
                    {"code f", 15, 25},
                    {"econtent", 0, 0},
                    {"econtent", 0, 0}},
                   {"q\n1 0 0 1 10 20 cm\n", "0 0 m 5 0 l S", "q\n1 0 0 1 5 5 cm\n", "f", "Q\nQ\n"}},
        WriterCase{"literal about the current point, and direct",
                   {{"literal 1 0 0 RG", 30, 40}, {"literal direct 0 g", 30, 40}, {"content 2 w", 5, 6}},
                   {"1 0 0 1 30 40 cm\n1 0 0 RG\n1 0 0 1 -30 -40 cm\n", "0 g", "q\n1 0 0 1 5 6 cm\n 2 w\nQ"}},
        WriterCase{"a form made, then placed where uxobj stands",
                   {{"bxobj @sh width 10pt height 20bp depth 1bp", 0, 0},
                    {"put @resources << /Shading << /Sh << /ShadingType 2 >> >> >>", 0, 0},
                    {"code /Sh sh", 0, 0},
                    {"exobj << /Group << /S /Transparency >> >>", 0, 0},
                    {"uxobj @sh", 50, 60}},
                   {"/XObject << /KsdviForm5 5 0 R >>", "q\n1 0 0 1 50 60 cm\n/KsdviForm5 Do\nQ", "5 0 obj",
                    "/BBox [0 -1.000004 9.96264 19.999997 ]", "/Shading << /Sh << /ShadingType 2 >> >>", "/Group",
                    "stream\n /Sh sh"}},
        WriterCase{"lengths as two words, in true units, or a number alone at the end",
                   {{"bxobj @a width 72 truebp height 1 in", 0, 0},
                    {"code n", 0, 0},
                    {"exobj", 0, 0},
                    {"bxobj @b height 2", 0, 0},
                    {"code n", 0, 0},
                    {"exobj", 0, 0},
                    {"uxobj @a", 0, 0},
                    {"uxobj @b", 0, 0}},
                   {"/BBox [0 0 72.000004 72.000004 ]", "/BBox [0 0 0 2 ]"}},
        WriterCase{
            "named objects: put merges into dictionaries and appends to arrays; forward references",
            {{"obj @gs << /a 1 >>", 0, 0},
             {"put @gs << /b @later /a 2 >>", 0, 0},
             {"obj @list [1]", 0, 0},
             {"put @list [2 (x)]", 0, 0},
             {"obj @later << /CA 0.5 >>", 0, 0},
             {"put @resources << /ExtGState @gs >>", 0, 0},
             {"code /gs gs", 0, 0}},
            {"/ExtGState 5 0 R", "5 0 obj\n<< /a 2 /b 7 0 R >>", "6 0 obj\n[1 2 <78> ]", "7 0 obj\n<< /CA 0.5 >>"}},
        WriterCase{"a reference to an object never defined: numbered, null, and in the table",
                   {{"obj @gs << /a 1 >>", 0, 0},
                    {"put @gs << /b @never >>", 0, 0},
                    {"put @resources << /ExtGState @gs >>", 0, 0},
                    {"code /gs gs", 0, 0}},
                   {"5 0 obj\n<< /a 1 /b 6 0 R >>", "6 0 obj\nnull", "xref\n0 7\n", "/Size 7"}},
        WriterCase{"stream objects (both forms) and a rule",
                   {{"stream @data (abc) << /Type /Thing >>", 0, 0},
                    {"object @hex << /Filter /ASCIIHexDecode /Length 99 >> stream\n41 42>\nendstream", 0, 0},
                    {"close @hex", 0, 0},
                    {"code 1 1 m", 0, 0}},
                   {"1 1 m", "<< /Type /Thing /Length 3 >>\nstream\nabc",
                    "<< /Filter /ASCIIHexDecode /Length 7 >>\nstream\n41 42>\n\nendstream"}},
        WriterCase{"what reads as nothing: unnamed objects, references of another file, unknown keywords",
                   {{"obj << /a 1 >>", 0, 0},
                    {"put @nowhere << /a 1 >>", 0, 0},
                    {"obj @ref << /r 12 0 R /n /A#20B >>", 0, 0},
                    {"docinfo << /Title (x) >>", 0, 0},
                    {"bcolor [1 2]", 0, 0},
                    {"code S", 0, 0}},
                   {"<< /r null /n /A#20B >>", "S"},
                   {"Title", "nowhere"}}),
    [](auto const& info) { return "case" + std::to_string(info.index); });

// A form made on page 1 that places another form twice, 30 points apart,
// and once more through pdf:btrans: on page 2 it holds them where it did
// (beamer's block shadows are such forms, made on the first page that has one).
TEST(PdfDrawing, FormsOfAPageBeforeHoldWhatTheyHeldWhereTheyHeldIt) {
    auto right = [](DviBuilder& b, int points) { b.Op(dvi::kRight1 + 3).U(uint32_t(points * 65536), 4); };
    DviBuilder b;
    b.Pre().Bop(1);
    b.Op(dvi::kDown1 + 3).U(uint32_t(-36 * 65536), 4);
    b.Special("pdf:bxobj @inner width 10bp height 10bp").Special("pdf:content 1 0 0 rg 0 0 10 10 re f");
    b.Special("pdf:exobj").Special("pdf:bxobj @outer width 70bp height 12bp").Special("pdf:uxobj @inner");
    right(b, 30);
    b.Special("pdf:uxobj @inner").Special("pdf:btrans matrix 1 0 0 1 -15 0").Special("pdf:uxobj @inner");
    b.Special("pdf:etrans");
    right(b, -30);
    b.Special("pdf:exobj").Special("pdf:uxobj @outer").Eop();
    b.Bop(2).Op(dvi::kDown1 + 3).U(uint32_t(-36 * 65536), 4).Special("pdf:uxobj @outer").Eop().Post();
    ScratchDocument doc(b.bytes);
    std::vector<COLORREF> pages[2];
    for (int page = 0; page < 2; ++page) {
        Canvas canvas(144, 144, 72);
        ASSERT_EQ(canvas.Draw(doc.dvi, page, 36, 108), 1);
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x) pages[page].push_back(canvas.Pixel(x, y));
    }
    EXPECT_GT(std::count(pages[0].begin(), pages[0].end(), RGB(255, 0, 0)), 2 * 10 * 10);  // three squares
    EXPECT_EQ(pages[1], pages[0]);
}

// TeX's rules on a page the drawing paints are boxes of whole pixels, as on
// other pages (also where pdf:btrans moves them): \fbox's 0.4 pt hair rules, at any fraction of a pixel, are a
// pixel wide and black (as pdftoppm shows xdvipdfmx's), not grey slivers;
// also where the drawing moves what TeX sets by a fraction of a pixel
// (tcolorbox's content).
TEST(PdfDrawing, TeXRulesAmongTheDrawingAreWholePixels) {
    for (auto const& [moved, drawing] : {std::pair{"", true},
                                         {"pdf:btrans matrix 1 0 0 1 0.3 0.45", true},
                                         {"pdf:btrans matrix 1 0 0 1 0.3 0.45", false}}) {
        SCOPED_TRACE(std::string(moved) + (drawing ? " with a drawing" : ""));
        DviBuilder b;
        b.Pre().Bop(1);
        if (drawing) b.Special("pdf:content 0 0 1 rg 0 0 5 5 re f");
        if (*moved) b.Special(moved);
        int const kRules = 4;
        for (int i = 0; i < kRules; ++i) {
            b.Op(dvi::kDown1 + 3).U(uint32_t(10 * 65536 + i * 65536 / 4), 4);  // a quarter point more each time
            b.Rule(26214, 50 * 65536);
        }
        if (*moved) b.Special("pdf:etrans");
        b.Eop().Post();
        ScratchDocument doc(b.bytes);
        Canvas canvas(144, 144, 72);
        ASSERT_EQ(canvas.Draw(doc.dvi, 0, 36, 36), 1);
        int rows = 0;
        for (int y = 0; y < canvas.Height(); ++y) {
            int black = 0;
            for (int x = 0; x < canvas.Width(); ++x) black += canvas.Pixel(x, y) == RGB(0, 0, 0);
            if (black == 0) continue;
            ++rows;
            EXPECT_EQ(black, 50) << "row " << y;
        }
        EXPECT_EQ(rows, kRules);
    }
}

// A rule 20 pt by 5 pt at the DVI origin (72 dpi, at (36, 72)) inside the
// transformations xetex.def writes for \scalebox and \reflectbox (x:scale
// after pdf:btrans) and for \rotatebox: it scales, mirrors and turns with
// the drawing about the rule's point, as in xdvipdfmx's page.
TEST(PdfDrawing, TeXRulesTurnWithTheDrawingsTransformations) {
    struct Case {
        std::vector<char const*> specials;
        int left, top, right, bottom;  // the black box, edges inclusive
    } const cases[] = {
        {{}, 36, 67, 55, 71},
        {{"pdf:btrans", "x:scale 2 2"}, 36, 62, 75, 71},
        {{"pdf:btrans", "x:scale -1 1"}, 16, 67, 35, 71},
        {{"pdf:btrans rotate 90"}, 31, 52, 35, 71},  // counterclockwise, about its point
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.specials.empty() ? "none" : c.specials.back());
        DviBuilder b;
        b.Pre().Bop(1).Special("pdf:content 0 0 1 rg 100 100 5 5 re f");
        for (char const* special : c.specials) b.Special(special);
        b.Rule(5 * 65536, 20 * 65536);
        if (!c.specials.empty()) b.Special("pdf:etrans");
        b.Eop().Post();
        ScratchDocument doc(b.bytes);
        Canvas canvas(144, 144, 72);
        ASSERT_EQ(canvas.Draw(doc.dvi, 0, 36, 72), 1);
        int left = 144, top = 144, right = -1, bottom = -1;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                if (canvas.Dark(x, y))
                    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x),
                    bottom = std::max(bottom, y);
        EXPECT_NEAR(left, c.left, 1);
        EXPECT_NEAR(top, c.top, 1);
        EXPECT_NEAR(right, c.right, 1);
        EXPECT_NEAR(bottom, c.bottom, 1);
    }
}

// A hair rule (0.4 pt, under half a pixel at 72 dpi) turned by 30 degrees
// has a pixel's ink in every column it crosses, as PDF readers show the thin
// rules dvipdfmx strokes, not a faint sliver: on a page the drawing paints
// and on one it does not.
TEST(PdfDrawing, TurnedHairRulesAreAPixelWide) {
    for (bool const drawing : {true, false}) {
        SCOPED_TRACE(drawing ? "drawing" : "no drawing");
        DviBuilder b;
        b.Pre().Bop(1);
        if (drawing) b.Special("pdf:content 0 0 1 rg 100 100 5 5 re f");
        b.Special("pdf:btrans rotate 30").Rule(26214, 60 * 65536).Special("pdf:etrans").Eop().Post();
        ScratchDocument doc(b.bytes);
        Canvas canvas(144, 144, 72);
        ASSERT_EQ(canvas.Draw(doc.dvi, 0, 36, 100), 1);
        // The rule runs from x = 36 to 36 + 60 cos 30 = 88; a pixel-wide
        // line crossing a column at 30 degrees inks 1 / cos 30 = 1.15 pixels
        // (less as poppler smooths it), a 0.4 pt one 0.46.
        for (int x = 38; x < 86; ++x) {
            double ink = 0;
            for (int y = 0; y < 100; ++y) ink += (255 - ksdvi::gdi::GetRValue(canvas.Pixel(x, y))) / 255.0;
            EXPECT_GT(ink, 0.85) << "column " << x;
            EXPECT_LT(ink, 1.4) << "column " << x;
        }
    }
}

TEST(PdfDrawing, NothingDrawnIsNoPdf) {
    EXPECT_EQ(
        PdfDrawingOfSpecials(
            {{"obj @a << >>", 0, 0}, {"bxobj @f width 1pt height 1pt", 0, 0}, {"code 0 0 m", 0, 0}, {"exobj", 0, 0}},
            10, 10),
        "");
}

// A drawing past its bound is not written, however its parts are made:
// tpic's arcs make many times their own bytes.
TEST(PdfDrawing, ADrawingPastItsBoundIsNoPdf) {
    std::string const eighth = "code " + std::string(kLargestPdfDrawing / 8, '%');
    EXPECT_FALSE(PdfDrawingOfSpecials({{eighth, 0, 0}}, 10, 10).empty());
    EXPECT_EQ(PdfDrawingOfSpecials(std::vector<PlacedPdfSpecial>(9, {eighth, 0, 0}), 10, 10), "");
}

}  // namespace
}  // namespace ksdvi

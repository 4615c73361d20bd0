// PostScript of documents: graphicx's transformations and pgf's null device
// evaluated without an interpreter, and page colours that PostScript takes away. How pages with
// PostScript look beside dvips and Ghostscript is PeerAgreementTest's.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string_view>
#include <vector>

#include "dvi/DviOpcodes.h"
#include "render/CoveragePainter.h"
#include "render/PostScriptTransforms.h"
#include "render/RenderedPage.h"
#include "render/WholePage.h"
#include "support/ScratchDocument.h"

namespace ksdvi::test {
namespace {

struct TransformCase {
    char const* what;
    std::string_view code;  // run after a moveto to (100, 50)
    bool known;
    double x, y;  // where the page point (110, 50) goes; unused when not known
    bool invisible = false;  // the null device is current after it
};

class Transforms : public testing::TestWithParam<TransformCase> {};

TEST_P(Transforms, AsGraphicxWritesThem) {
    TransformCase const& c = GetParam();
    PostScriptTransforms t(150, 150);
    t.MoveTo(100, 50);
    ASSERT_EQ(t.Run(c.code), c.known) << c.what;
    if (!c.known) return;
    EXPECT_EQ(t.Graphics().invisible, c.invisible) << c.what;
    double x, y;
    t.Current().Apply(110, 50, x, y);
    EXPECT_NEAR(x, c.x, 1e-9) << c.what;
    EXPECT_NEAR(y, c.y, 1e-9) << c.what;
    t.Current().Apply(100, 50, x, y);  // every one of them keeps the point where it is
    EXPECT_NEAR(x, 100, 1e-9) << c.what;
    EXPECT_NEAR(y, 50, 1e-9) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Graphicx, Transforms,
    testing::Values(
        // \rotatebox{90}: counter-clockwise on the page, whose y runs down
        TransformCase{"rotate", "gsave currentpoint currentpoint translate 90 neg rotate neg exch neg exch translate",
                      true, 100, 40},
        TransformCase{"rotate and back",
                      "gsave currentpoint currentpoint translate 90 neg rotate neg exch neg exch translate\n"
                      "currentpoint grestore moveto",
                      true, 110, 50},
        // \scalebox{2}{...} and its end
        TransformCase{"scale", "currentpoint currentpoint translate 2 2 scale neg exch neg exch translate", true, 120,
                      50},
        TransformCase{"scale and back",
                      "currentpoint currentpoint translate 2 2 scale neg exch neg exch translate "
                      "currentpoint currentpoint translate 1 2 div 1 2 div scale neg exch neg exch translate",
                      true, 110, 50},
        TransformCase{"a comment", "% just words\n", true, 110, 50},
        // pgf's invisible parts (beamer's covered overlays), and their end
        TransformCase{"null device", "gsave nulldevice", true, 110, 50, true},
        TransformCase{"null device and back", "gsave nulldevice grestore", true, 110, 50, false},
        TransformCase{"null device in a rotation and back",
                      "gsave currentpoint currentpoint translate 90 neg rotate neg exch neg exch translate "
                      "gsave nulldevice grestore",
                      true, 100, 40, false},
        TransformCase{"Resolution", "Resolution 150 sub pop", true, 110, 50},
        TransformCase{"painting is left to Ghostscript", "0 0 10 10 rectfill", false, 0, 0},
        TransformCase{"an operand missing", "translate", false, 0, 0},
        TransformCase{"no current point", "newpath currentpoint", false, 0, 0},
        TransformCase{"division by zero", "1 0 div", false, 0, 0},
        // Ghostscript stops at undefinedresult; nothing infinite is kept.
        TransformCase{"a scale past the largest number", "1e200 1e200 scale 1e200 1e200 scale", false, 0, 0},
        TransformCase{"a translation past the largest number", "1e308 0 translate 1e308 0 translate", false, 0, 0},
        // NUL is PostScript's white space, not the end of a number.
        TransformCase{"NUL between numbers",
                      std::string_view("currentpoint currentpoint translate 2\0"
                                       "2 scale neg exch neg exch translate",
                                       73),
                      true, 120, 50}),
    [](auto const& info) { return "case" + std::to_string(info.index); });

TEST(PageColour, NoPageColourTakesTheColourAway) {
    RenderedPage yellow("pagecolor.dvi", 0, 36), white("pagecolor.dvi", 1, 36);
    ASSERT_TRUE(yellow.Opened() && white.Opened());
    EXPECT_EQ(yellow.Pixel(2, 2), RGB(255, 242, 0));  // Yellow ink
    EXPECT_EQ(white.Pixel(2, 2), RGB(255, 255, 255));
}

// The page's PostScript is painted as Ghostscript paints it, over what lies
// beneath: a red disc on a blue page has an anti-aliased edge of red and blue
// mixed, without a white or black fringe.
TEST(PagePostScript, EdgesBlendIntoThePageColour) {
    ScratchDocument doc(OnePage(DviBuilder{}
                                    .Special("background rgb 0 0 1")
                                    .Special("ps: gsave currentpoint translate 1 0 0 setrgbcolor newpath 0 0 20 0 "
                                             "360 arc fill grestore")));
    Canvas canvas(144, 144, 72);
    KsDviDrawer drawer;
    DrawWholePage(drawer, canvas.dc, doc.dvi, 0, 72, 1.0, String8());
    drawer.Close();
    int red = 0, blue = 0, edge = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            COLORREF p = canvas.Pixel(x, y);
            int r = gdi::GetRValue(p), g = gdi::GetGValue(p), b = gdi::GetBValue(p);
            if (p == kRed) {
                ++red;
            } else if (p == kBlue) {
                ++blue;
            } else {
                ++edge;
                EXPECT_EQ(g, 0) << x << "," << y;
                EXPECT_NEAR(r + b, 255, 8) << x << "," << y;
            }
        }
    }
    EXPECT_NEAR(red, 1257, 80);  // pi 20 squared
    EXPECT_GT(edge, 40);
    EXPECT_GT(blue, 144 * 144 - 1500);
}

// Where the page beneath a job is white, the run on white is painted as it
// is and no run on black is needed; a mark beneath it (a page colour, pdf:
// drawing) calls for the two runs' blend, and nothing is painted alone.
TEST(PagePostScript, TheRunOnWhiteAloneIsPaintedOnlyOverWhite) {
    struct Case {
        char const* what;
        int markX, markY;  // a black pixel beneath before the job; -1: none
        bool alone;
    } const kCases[] = {
        {"white beneath", -1, -1, true},
        {"a mark beneath the job", 9, 9, false},
        {"a mark beside the job", 30, 2, true},
    };
    int const w = 8, h = 8, left = 4, bottom = 14;  // the job covers x 4-11, y 6-13
    std::vector<unsigned char> run(size_t(CoveragePainter::RowBytes(w)) * h, 0xFF);
    for (int y : {2, 3})  // from the job's top; its rows run bottom-up
        for (int x : {2, 3}) {
            unsigned char* p = run.data() + size_t(h - 1 - y) * CoveragePainter::RowBytes(w) + 3 * x;
            p[0] = 0x20, p[1] = 0x40, p[2] = 0xC0;  // blue, green, red
        }
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.what);
        Canvas canvas(40, 20, 72);
        if (c.markX >= 0) canvas.dc.SetPixel(c.markX, c.markY, RGB(0, 0, 0));
        CoveragePainter painter(&canvas.dc, &canvas.dc, left, bottom);
        painter.TakePage(run.data(), w, h);
        EXPECT_EQ(painter.PaintOnWhite(), c.alone);
        EXPECT_EQ(canvas.Pixel(left + 2, bottom - h + 3), c.alone ? RGB(0xC0, 0x40, 0x20) : RGB(255, 255, 255));
        EXPECT_EQ(canvas.Pixel(left + 4, bottom - h + 4), RGB(255, 255, 255));
    }
}

// Rules lie among a page's PostScript, drawn by Ghostscript, in the pixels
// they take on a page without PostScript: thin rules and rules between
// pixels (0.4 pt at 72 dpi, moved by fractions of a pixel) not a pixel wider
// or taller.
TEST(PagePostScript, RulesTakeTheirOwnPixels) {
    auto page = [](bool postScript) {
        DviBuilder body;
        if (postScript)
            body.Special("ps: gsave currentpoint translate 1 setgray newpath 0 0 2 0 360 arc fill grestore");
        for (int32_t step : {0, 13107, 29491, 45875, 62259}) {  // fifths of a point, nudged
            body.Op(dvi::kDown1 + 3).U(static_cast<uint32_t>(6 * 65536 + step), 4);
            body.Op(dvi::kRight1 + 3).U(static_cast<uint32_t>(2 * 65536 + step), 4);
            body.Rule(26214 + step / 3, 10 * 65536 + step, true).Rule(52429, 7 * 65536 + step / 2);
        }
        ScratchDocument doc(OnePage(body));
        Canvas canvas(144, 144, 72);
        KsDviDrawer drawer;
        DrawWholePage(drawer, canvas.dc, doc.dvi, 0, 72, 1.0, String8());
        drawer.Close();
        std::vector<COLORREF> pixels;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x) pixels.push_back(canvas.Pixel(x, y));
        return pixels;
    };
    std::vector<COLORREF> const plain = page(false), withPostScript = page(true);
    EXPECT_GT(std::count(plain.begin(), plain.end(), RGB(0, 0, 0)), 40);
    EXPECT_EQ(withPostScript, plain);
}

// Definitions reach the PostScript that draws a red disc of radius 20 at
// 72 dpi: dvips' unpositioned forms run as they are (a word of the prefix
// left in the code would stop the page's PostScript; animate writes
// [nobreak]), and a document's ! specials run as one block, as dvips puts
// them (one begins a dictionary, the next defines in it, another ends it:
// xy-pic's arrow tips).
struct DefinitionCase {
    char const* what;
    std::vector<char const*> specials;
};

void PrintTo(DefinitionCase const& c, std::ostream* os) { *os << c.what; }

class Definitions : public testing::TestWithParam<DefinitionCase> {};

TEST_P(Definitions, ReachTheDrawing) {
    DviBuilder body;
    for (char const* special : GetParam().specials) body.Special(special);
    ScratchDocument doc(OnePage(body));
    Canvas canvas(144, 144, 72);
    KsDviDrawer drawer;
    DrawWholePage(drawer, canvas.dc, doc.dvi, 0, 72, 1.0, String8());
    drawer.Close();
    int red = 0;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x) red += canvas.Pixel(x, y) == kRed;
    EXPECT_NEAR(red, 1257, 80);  // pi 20 squared
}

constexpr char kRedDisc[] = "ps: gsave currentpoint translate ksdvi@red newpath 0 0 20 0 360 arc fill grestore";

INSTANTIATE_TEST_SUITE_P(
    Specials, Definitions,
    testing::Values(DefinitionCase{"ps::", {"ps:: /ksdvi@red {1 0 0 setrgbcolor} def", kRedDisc}},
                    DefinitionCase{"ps::[end]", {"ps::[end] /ksdvi@red {1 0 0 setrgbcolor} def", kRedDisc}},
                    DefinitionCase{"ps::[nobreak]", {"ps::[nobreak] /ksdvi@red {1 0 0 setrgbcolor} def", kRedDisc}},
                    DefinitionCase{"literal headers in one block",
                                   {"! /MyDict 10 dict def", "! /MyDict where pop begin MyDict begin",
                                    "! /ksdvi@red {1 0 0 setrgbcolor} def", "! end end",
                                    "\" /MyDict where {pop MyDict /ksdvi@red get exec newpath 0 0 20 0 360 arc "
                                    "fill} if"}}),
    [](auto const& info) {
        std::string name;
        for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
}  // namespace ksdvi::test

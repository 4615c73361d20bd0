// Colour, lines and shapes drawn from specials of TeX documents, checked by
// their pixels. graphics.tex places every special at a known point; at 72 dpi
// an inch is 72 pixels and the DVI origin lies at (72, 72), so a point X
// inches right and Y inches down is pixel (72 + 72 X, 72 + 72 Y). Probes sit
// inside strokes and fills, away from their anti-aliased edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "render/RenderedPage.h"
#include "support/RecordingDrawer.h"

namespace ksdvi::test {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0),
                   kBlue = RGB(0, 0, 255), kMagenta = RGB(255, 0, 255), kCyan = RGB(0, 255, 255);

struct Probe {
    int page;  // 0-based
    int x, y;
    COLORREF color;
    char const* what;
};

void PrintTo(Probe const& p, std::ostream* os) { *os << p.what; }

class GraphicsPixels : public testing::TestWithParam<Probe> {};

TEST_P(GraphicsPixels, ShowTheSpecials) {
    Probe const& p = GetParam();
    RenderedPage page("graphics.dvi", p.page, 72);
    ASSERT_TRUE(page.Opened());
    EXPECT_EQ(page.Pixel(p.x, p.y), p.color) << p.what << " at (" << p.x << ", " << p.y << ")";
}

INSTANTIATE_TEST_SUITE_P(
    ColoursAndLines, GraphicsPixels,
    testing::Values(Probe{0, 180, 144, kRed, "a line in the colour of color:"},
                    Probe{0, 180, 149, kWhite, "width: 4pt makes it 4 pixels wide"},
                    Probe{0, 222, 144, kWhite, "it ends an inch on"},
                    Probe{0, 144, 216, kBlue, "colorpush: colours a line going down"},
                    Probe{0, 144, 260, kWhite, "which ends an inch down"},
                    Probe{0, 324, 144, kBlack, "colorpop: returns to the page's colour"},
                    Probe{0, 324, 180, kGreen, "COLOR: counts, color: with text after it does not"},
                    Probe{0, 324, 216, kMagenta, "colorpush: with text after it counts"},
                    Probe{0, 324, 220, kWhite, "width: with a blank before the unit changes nothing"},
                    Probe{0, 216, 303, kMagenta, "line: starts at its offsets, 10pt wide"},
                    Probe{0, 216, 309, kMagenta, "line: starts at its offsets, 10pt wide"},
                    Probe{0, 216, 313, kWhite, "and no wider"}, Probe{0, 170, 306, kWhite, "nothing before the offset"},
                    Probe{0, 180, 378, RGB(0, 128, 0), "rules in the pushed colour"},
                    Probe{0, 324, 360, kBlack, "pops end at the page's bottom entry"}));

INSTANTIATE_TEST_SUITE_P(Shapes, GraphicsPixels,
                         testing::Values(Probe{1, 180, 144, kMagenta, "the colour pushed on the page before"},
                                         Probe{1, 180, 180, kBlack, "box: top edge"},
                                         Probe{1, 144, 216, kBlack, "box: left edge"},
                                         Probe{1, 180, 216, kBlack, "box: the rule under it shows through"},
                                         Probe{1, 150, 190, kWhite, "box: inside, not filled"},
                                         Probe{1, 324, 198, kGreen, "boxfill: filled with its colour"},
                                         Probe{1, 324, 180, kBlack, "boxfill: outlined with the pen"},
                                         Probe{1, 180, 306, kRed, "ellipsefill: filled"},
                                         Probe{1, 148, 291, kWhite, "ellipsefill: not the corners of its box"},
                                         Probe{1, 349, 298, kBlack, "arc: the upper right quarter"},
                                         Probe{1, 360, 320, kBlack, "arc: from the right"},
                                         Probe{1, 328, 288, kBlack, "arc: to the top"},
                                         Probe{1, 298, 298, kWhite, "arc: not the upper left"},
                                         Probe{1, 298, 349, kWhite, "arc: not the lower left"},
                                         Probe{1, 349, 349, kWhite, "arc: not the lower right"},
                                         Probe{1, 180, 396, kBlack, "box: round corners, straight edge"},
                                         Probe{1, 145, 397, kWhite, "box: round corners, the corner cut"},
                                         Probe{1, 324, 414, kWhite, "ellipsefill: text after the colour ignores it"},
                                         Probe{1, 288, 414, kWhite, "box: five dimensions are too few"}));

// The colour packages of LaTeX write dvips specials. The one-inch rules of
// dvipscolor.tex, in order, and the colours they are given.
TEST(DvipsColourPixels, RulesOfALatexDocumentInTheirColours) {
    std::vector<std::vector<COLORREF>> const expected{
        {kRed, RGB(174, 0, 0), kCyan, RGB(128, 128, 128), kCyan, kBlue},  // red, Maroon, cmyk, gray, hsb, rgb
        {kBlue},                                                          // \color{blue} from the page before
        {kBlack},                                                         // \normalcolor
    };
    for (int index = 0; index < 3; ++index) {
        RenderedPage page("dvipscolor.dvi", index, 72);
        ASSERT_TRUE(page.Opened());
        std::vector<COLORREF> colors;
        for (Call const& item : RecordingDrawer(page.Document(), index).calls)
            if (item.kind == "rule")  // probed at its centre, half an inch in
                colors.push_back(
                    page.Pixel(ToPixel(item.h + kSpPerInch / 2, 72), ToPixel(item.v - kSpPerInch / 2, 72)));
        EXPECT_EQ(colors, expected[static_cast<size_t>(index)]) << "page index " << index;
    }
}

// Text after a colour carried over from the page before is drawn in it: the
// glyphs of the second page show pure blue, and nothing dark on the yellow
// page as black glyphs would.
TEST(DvipsColourPixels, TextTakesTheCarriedColour) {
    RenderedPage page("dvipscolor.dvi", 1, 300);
    ASSERT_TRUE(page.Opened());
    int blue = 0, dark = 0;
    for (Call const& item : RecordingDrawer(page.Document(), 1).calls) {
        if (item.kind != "char") continue;
        for (int y = ToPixel(item.v - item.height, 300); y <= ToPixel(item.v, 300); ++y) {
            for (int x = ToPixel(item.h, 300); x <= ToPixel(item.h + item.b, 300); ++x) {
                COLORREF c = page.Pixel(x, y);
                blue += c == kBlue;
                dark += (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF) < 128;
            }
        }
    }
    EXPECT_GT(blue, 50);
    EXPECT_EQ(dark, 0);
}

}  // namespace
}  // namespace ksdvi::test

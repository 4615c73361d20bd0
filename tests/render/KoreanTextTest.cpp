// Korean text drawn: korean.tex shows each character twice on a line, through
// a double-byte face and through a Korean subfont, both mapped to Batang,
// which an installed Korean face stands in for. The two must be the same
// glyph, drawn where the DVI puts it.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "render/RenderedPage.h"
#include "support/ScratchDocument.h"

namespace ksdvi::test {
namespace {

constexpr int kDpi = 100;

TEST(KoreanText, SubfontsAndDoubleByteFacesDrawTheSameGlyphs) {
    TeXFonts fonts;
    ASSERT_EQ(fonts.AppendMapFile(DataFile("korean.map").c_str()), 1);
    SessionOptions options;
    options.tfmPaths = {MetricsDir()};
    DocumentSession session(DataFile("korean.dvi"), options, fonts);
    ASSERT_TRUE(session.Load());
    Canvas canvas(4 * kDpi, 5 * kDpi, kDpi);
    KsDviDrawer drawer;
    DrawWholePage(drawer, canvas.dc, session.Document(), 0, kDpi, 1.0, String8());
    drawer.Close();

    // The 20pt box of the character whose reference point is at (h, v).
    int const em = ToPixel(20 * 65536, kDpi) - kDpi;
    auto glyph = [&](double h, double v) {
        std::vector<bool> dark;
        int x0 = ToPixel(h, kDpi), y0 = ToPixel(v, kDpi);
        for (int y = y0 - em; y < y0 + em / 4; ++y)
            for (int x = x0; x < x0 + em; ++x) dark.push_back(canvas.Dark(x, y));
        return dark;
    };
    auto inked = [](std::vector<bool> const& g) { return std::count(g.begin(), g.end(), true); };

    double const right = 20 * 65536 + 4736286, top = 16 * 65536, line = 30 * 65536;
    std::vector<std::vector<bool>> seen;
    for (int i = 0; i < 7; ++i) {
        std::vector<bool> pair = glyph(0, top + i * line), subfont = glyph(right, top + i * line);
        EXPECT_GT(inked(pair), 4) << "line " << i;
        EXPECT_EQ(pair, subfont) << "line " << i;
        for (auto const& other : seen) EXPECT_NE(pair, other) << "line " << i << ": no face has the character";
        seen.push_back(pair);
    }
    // Nothing but the glyphs: the area right of the second column stays white.
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = ToPixel(right, kDpi) + em + 2; x < canvas.Width(); ++x)
            ASSERT_FALSE(canvas.Dark(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace ksdvi::test

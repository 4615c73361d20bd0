// Binary drawing records of a TeX document (records.tex, written by
// tests/data/make-records.py): one family a page, its coordinates in units of
// 1/72 inch, so that at 72 dpi a record's (x, y) is pixel (x, y). Probes sit
// inside strokes and fills, away from anti-aliased edges.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/RenderedPage.h"
#include "support/DviBuilder.h"
#include "support/ScratchDocument.h"

namespace ksdvi::test {
namespace {

constexpr COLORREF kLime = RGB(0, 255, 0), kGreen = RGB(0, 128, 0);

// Pixels of a row segment [x0, x1) in a colour.
int CountInRow(Canvas const& canvas, int y, int x0, int x1, COLORREF color) {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += canvas.Pixel(x, y) == color;
    return n;
}

bool Near(COLORREF a, COLORREF b) {
    using gdi::GetBValue, gdi::GetGValue, gdi::GetRValue;
    return std::abs(int(GetRValue(a)) - GetRValue(b)) < 40 && std::abs(int(GetGValue(a)) - GetGValue(b)) < 40 &&
           std::abs(int(GetBValue(a)) - GetBValue(b)) < 40;
}

TEST(DrawingRecordPixels, EachFamilyDrawsWhereItsRecordsSay) {
    std::vector<std::vector<Probe>> const pages{
        {// "GDI" lines
         Probe{200, 100, kRed, "polyline, one-pixel pen"}, Probe{300, 125, kRed, "polyline, its second segment"},
         Probe{200, 103, kWhite, "a one-pixel pen is one pixel wide"},
         Probe{200, 198, kBlue, "line with a six-pixel geometric pen"}, Probe{200, 202, kBlue, "six pixels wide"},
         Probe{200, 207, kWhite, "and no wider"}, Probe{200, 300, kBlack, "a bare pen record: the context's pen"},
         Probe{200, 400, kGreen, "Bezier curve through its end points' middle"},
         Probe{150, 350, kWhite, "not through its control points"}},
        {// "GDI" shapes and brushes
         Probe{100, 100, kLime, "rectangle with a solid brush"}, Probe{155, 100, kWhite, "ends at its corner"},
         Probe{203, 53, kWhite, "ellipse: not the corners of its box"},
         Probe{100, 300, kBlue, "WINDING polygon fills the star's middle"},
         Probe{300, 300, kWhite, "ALTERNATE polygon leaves it out"}, Probe{300, 215, kBlue, "but fills the arms"},
         Probe{415, 65, kBlue, "poly-polygon: between the squares"},
         Probe{450, 100, kWhite, "poly-polygon: the inner square is a hole"},
         Probe{120, 480, kBlue, "pie: the upper right quarter"}, Probe{80, 520, kWhite, "pie: nothing else"},
         Probe{400, 480, kBlue, "chord: the upper half"}, Probe{400, 520, kWhite, "chord: not the lower one"}},
        {// clip, bitmaps, pixels, DIBs, embedded records, attributes
         Probe{150, 150, kBlue, "inside the clip rectangle"}, Probe{75, 75, kWhite, "outside the clip rectangle"},
         Probe{65, 315, kBlue, "a bare clip record removes the clip"},
         Probe{310, 60, kRed, "a transfer without a bitmap paints the brush"},
         Probe{360, 60, kRed, "2 x 2 bitmap stretched: top left"}, Probe{380, 60, kLime, "top right"},
         Probe{360, 80, kBlue, "bottom left"}, Probe{380, 80, kWhite, "bottom right"},
         Probe{10, 10, kMagenta, "one pixel"}, Probe{308, 156, kRed, "stored DIB drawn whole: top left"},
         Probe{324, 156, kLime, "top right"}, Probe{308, 168, kBlue, "bottom left"},
         Probe{408, 156, kBlue, "a DIB's source rectangle counts from its bottom"},
         Probe{358, 206, kRed, "a GIF record decoded and drawn"}, Probe{75, 425, kLime, "embedded records"},
         Probe{325, 325, kBlack, "a black rectangle"}, Probe{375, 375, kWhite, "inverted by the attributes' ROP2"},
         Probe{425, 425, kBlack, "white inverted"}},
        {// "#" colour entries and paths
         Probe{100, 120, kGreen, "polygon path filled with a colour entry"},
         Probe{250, 99, kRed, "a stroked line record, four pixels wide"}, Probe{250, 108, kWhite, "and no wider"},
         Probe{250, 130, kWhite, "a clip-only line record draws nothing"},
         Probe{450, 150, kBlue, "a rectangle path clips what follows"}, Probe{370, 70, kWhite, "outside the clip"},
         Probe{100, 285, kBlue, "closed Bezier path filled"}, Probe{100, 255, kWhite, "under its curve only"},
         Probe{400, 350, kBlue, "WINDING: two figures the same way round fill the inner one"},
         Probe{520, 350, kWhite, "ALTERNATE: the inner one is a hole"},
         Probe{209, 480, kWhite, "pattern entry: set bits are white"},
         Probe{205, 480, kBlue, "clear bits in the brush colour"},
         Probe{400, 500, kMagenta, "odd line codes stroke in the brush colour"},
         Probe{349, 500, kWhite, "lines end where they say"}, Probe{349, 520, kBlack, "until lines are extended"},
         Probe{347, 520, kWhite, "by one pixel"}, Probe{100, 625, kMagenta, "a general path's Bezier segment, filled"},
         Probe{100, 645, kWhite, "under its curve only"}}};
    ExpectPagePixels("records.dvi", pages);
}

TEST(DrawingRecordPixels, StylesHatchesAndPatterns) {
    RenderedPage lines("records.dvi", 0, 72);
    int dashed = CountInRow(lines, 250, 100, 300, kBlack);
    EXPECT_GT(dashed, 200 / 2) << "a dashed pen draws most of its line";
    EXPECT_LT(dashed, 200 * 9 / 10) << "with gaps";

    RenderedPage shapes("records.dvi", 1, 72);
    int hatched = CountInRow(shapes, 100, 230, 270, kRed);
    EXPECT_GT(hatched, 0) << "a hatch brush draws its lines";
    EXPECT_LT(hatched, 40 / 2) << "and leaves the page between them";
    int checked = CountInRow(shapes, 480, 204, 260, kBlack);
    EXPECT_EQ(checked, (260 - 204) / 2) << "an 8 x 8 checked pattern";

    RenderedPage pictures("records.dvi", 2, 72);
    EXPECT_TRUE(Near(pictures.Pixel(308, 206), kRed)) << "a JPEG record decoded and drawn";
    EXPECT_TRUE(Near(pictures.Pixel(324, 218), kWhite));

    RenderedPage paths("records.dvi", 3, 72);
    int vertical = CountInRow(paths, 500, 60, 140, kRed);
    EXPECT_GT(vertical, 0) << "a hatched colour entry";
    EXPECT_LT(vertical, 80 / 2);
    bool curve = false;
    for (int y = 258; y <= 266; ++y) curve = curve || paths.Pixel(250, y) == kBlack;
    EXPECT_TRUE(curve) << "an open Bezier path is stroked through its middle";
}

// Records that end early, count more than they hold, or ask for absurd sizes
// draw nothing, even with a black pen and brush ready to show it.
TEST(DrawingRecordPixels, BadRecordsDrawNothing) {
    using namespace std::string_literals;
    // A black brush and a 4-unit pen; record resolution 72 and a black pen for paths.
    std::string const brush = "GDI\x80\x02\0\0\0\0\0\0\0\0"s, pen = "GDI\x80\x01\0\0\x04\0\x04\0\0\0\0\0"s;
    std::string const res = "#\0\0\0\x48"s, black = "#\0\x24\0\0\0"s;
    struct Case {
        std::vector<std::string> specials;
        char const* what;
    };
    std::vector<Case> const cases{
        {{brush, pen, "GDI\0\x12\x03\xE8\x10\0\x10\0\x20\0\x20\0"s}, "a polyline of 1000 points holding two"},
        {{brush, pen, "GDI\0\x06\0\x02\x10\0\x10\0"s}, "a rectangle with one corner"},
        {{brush, pen, "GDI\x40\x14\0\x02\xFF\xFF\xFF\xFF\x10\0\x10\0"s}, "polygons counting more points than held"},
        {{brush, pen, "GDI\x80\xFF\xF2\xFF\xFF\xFF\xFFGDI\0\x06"s}, "an embedded record longer than the special"},
        {{brush, "GDI\x80\x04\xFF\x7F\xFF\x7F\0\0\x01\0\x01\x18"s,
          "GDI\x80\x05"s + std::string(12, '\x01') + "\0\xCC\0\x20"s},
         "a bitmap of 32767 x 32767 pixels"},
        {{brush, pen, "GDI\x12\x34\0\x02\x10\0\x10\0\x20\0\x20\0"s}, "an unknown opcode"},
        {{res, black, "#\x01\x2B\xFF\xFF\xFF\xFF\0\x10\0\x10\0\x20\0\x10\0\x20\0\x20\0\0\0\x04"s},
         "a polygon path counting 2^32 - 1 points"},
        {{res, black, "#\x01\x2E\0\0\0\x02\0\x10\0\x10\0\x20\0\x20\x01\x7F\xFF\xFF\xFF\0\0\0\x04"s},
         "a path segment longer than its points"},
        {{res, black, "#\x01\x28\0\x10\0\x10\0\x20"s}, "a rectangle path without its flags"},
        {{res, "#\0\x26\0\0\x04\x01\0\0\0"s, "#\0\x2C\0\0\x04\x01"s, "#\0\x26\0\0\0\0\0\0\0"s, "#\0\x2F\0\0\0\0"s,
          "#\x01\x2E\0\0\0\0\0\0\0\x04"s},
         "colour entries 1025 and 0, and a path without points"},
        {{res, black, "#\0\x26\0\0\0\x01\xFF\xFF\xFF"s, "#\0\x28\0\0\0\x01\xF4\xF4\xF4\xF4\x01\x01\0\0"s,
          "#\0\x2C\0\0\0\x01"s, "#\x01\x2B\0\0\0\x04\0\x10\0\x10\0\x30\0\x10\0\x30\0\x30\0\x10\0\x30\0\0\0\x04"s},
         "a white entry's pattern of 62708 x 62708 pixels, filled"},
    };
    for (Case const& c : cases) {
        DviBuilder b;
        for (std::string const& special : c.specials) b.Special(special);
        ScratchDocument doc(OnePage(b));
        Canvas canvas(64, 64, 72);
        EXPECT_EQ(canvas.Draw(doc.dvi, 0, 72, 72), 1) << c.what;
        int dark = 0;
        for (int y = 0; y < 64; ++y) dark += CountInRow(canvas, y, 0, 64, kBlack);
        EXPECT_EQ(dark, 0) << c.what;
    }
}

// Glyphs of slanted faces go through the character context, which the text
// scale narrows: the last page's H at 50 percent is half as wide as the H at
// 100 below it.
TEST(DrawingRecordPixels, TextScaleNarrowsGlyphs) {
    TempFile mapFile(".map");
    mapFile.WriteText("cmr10 { fontname = 'CMR10', fontfile = 'cmr10.pfb', encoding = 'raw', slant = 'true' }\n");
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendPdftexMapFile(Fonts().GetInstalledMapPath().c_str()), 1);
    ASSERT_EQ(map.AppendTTFMapFile(mapFile.Path().c_str()), 1);
    ScratchDocument doc(ReadFileBytes(DataFile("records.dvi")), {}, Kpathsea(), &map);
    ASSERT_EQ(doc.dvi.GetNPage(), 5);
    Canvas canvas(400, 300, 72);
    ASSERT_EQ(canvas.Draw(doc.dvi, 4, 72, 72), 1);

    // The rows of each line's ink, and its widest run from the left stem to the right.
    std::vector<int> spans;
    bool inLine = false;
    for (int y = 0; y < canvas.Height(); ++y) {
        int left = canvas.Width(), right = -1;
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.Dark(x, y)) left = std::min(left, x), right = x;
        if (right < 0) {
            inLine = false;
            continue;
        }
        if (!inLine) spans.push_back(0);
        inLine = true;
        spans.back() = std::max(spans.back(), right - left + 1);
    }
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_GT(spans[1], 20);
    EXPECT_NEAR(spans[0] * 2, spans[1], 4);
}

}  // namespace
}  // namespace ksdvi::test

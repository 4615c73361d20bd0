// Shapes as the graphics specials draw them: where lines, rectangles, round
// rectangles, ellipses and arcs put their ink.
#include <gtest/gtest.h>

#include <vector>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {
namespace {

struct ShapeCase {
    const char* name;
    RECT ink;   // right and bottom excluded
    int slack;  // how far an anti-aliased edge may lie off
    std::vector<POINT> dark, light;
    void (*draw)(CDC& dc);  // with a black brush and a black pen
};

// A line with a solid black pen `width` pixels wide.
void Line(CDC& dc, int width, int x0, int y0, int x1, int y1) {
    CPen pen(PS_SOLID, width, RGB(0, 0, 0));
    dc.SelectObject(&pen);
    dc.MoveTo(x0, y0);
    dc.LineTo(x1, y1);
}

class ShapeTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, InkFillsTheShapesBox) {
    const ShapeCase& c = GetParam();
    auto device = test::WhiteDevice(120, 100);
    CDC dc(*device);
    CBrush black(RGB(0, 0, 0));
    dc.SelectObject(&black);
    c.draw(dc);
    const RECT ink = test::InkBox(*device);
    EXPECT_NEAR(ink.left, c.ink.left, c.slack);
    EXPECT_NEAR(ink.top, c.ink.top, c.slack);
    EXPECT_NEAR(ink.right, c.ink.right, c.slack);
    EXPECT_NEAR(ink.bottom, c.ink.bottom, c.slack);
    for (const POINT p : c.dark) EXPECT_EQ(device->GetPixel(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
    for (const POINT p : c.light) EXPECT_EQ(device->GetPixel(p.x, p.y), RGB(255, 255, 255)) << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeTest,
    testing::Values(
        // A line leaves out its last pixel.
        ShapeCase{
            "line", {2, 2, 10, 3}, 0, {{2, 2}, {6, 2}, {9, 2}}, {{10, 2}}, [](CDC& dc) { Line(dc, 1, 2, 2, 10, 2); }},
        // A wide pen ends in round caps half its width past the ends.
        ShapeCase{
            "wide_line", {25, 15, 96, 25}, 1, {{30, 16}, {89, 23}}, {}, [](CDC& dc) { Line(dc, 10, 30, 20, 90, 20); }},
        ShapeCase{"rectangle", {10, 10, 30, 20}, 0, {{29, 19}}, {}, [](CDC& dc) { dc.Rectangle(10, 10, 30, 20); }},
        // The corners of a round rectangle are cut.
        ShapeCase{"round_rectangle",
                  {10, 10, 61, 41},
                  1,
                  {{35, 10}, {35, 25}, {10, 25}},
                  {{11, 11}, {59, 39}},
                  [](CDC& dc) { dc.RoundRect(10, 10, 61, 41, 20, 20); }},
        ShapeCase{"ellipse", {20, 30, 81, 71}, 1, {{50, 50}}, {{21, 31}}, [](CDC& dc) { dc.Ellipse(20, 30, 81, 71); }},
        // Counter-clockwise from the radial pointing right to the one pointing up.
        ShapeCase{"arc", {50, 0, 101, 51}, 1, {}, {}, [](CDC& dc) { dc.Arc(0, 0, 101, 101, 100, 50, 50, 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ksdvi::gdi

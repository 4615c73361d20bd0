// Shapes: where arcs, pies, pen ends, dashes and patterns put their pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::InkBox;
using test::WhiteDevice;

struct CapCase {
    UINT cap;
    int reach;  // how far the ink goes past each end, in half widths
};

class PenCapTest : public testing::TestWithParam<CapCase> {};

TEST_P(PenCapTest, GeometricPensEndAsTheirCapSays) {
    auto device = WhiteDevice(120, 40);
    CDC dc(*device);
    const LOGBRUSH lb{BS_SOLID, RGB(0, 0, 0), 0};
    CPen pen;
    ASSERT_TRUE(pen.CreatePen(int(PS_GEOMETRIC | PS_SOLID | GetParam().cap), 10, &lb));
    dc.SelectObject(&pen);
    dc.MoveTo(30, 20);
    dc.LineTo(90, 20);
    const RECT ink = InkBox(*device);
    const int half = 5;
    EXPECT_NEAR(ink.left, 30 - GetParam().reach * half, 1);
    EXPECT_NEAR(ink.right, 91 + GetParam().reach * half, 1);
    EXPECT_NEAR(ink.bottom - ink.top, 10, 1);
}

INSTANTIATE_TEST_SUITE_P(Caps, PenCapTest,
                         testing::Values(CapCase{PS_ENDCAP_FLAT, 0}, CapCase{PS_ENDCAP_SQUARE, 1},
                                         CapCase{PS_ENDCAP_ROUND, 1}));

TEST(ShapeTest, CosmeticDashesFollowTheirPattern) {
    auto device = WhiteDevice(100, 5);
    CDC dc(*device);
    CPen dash(PS_DASH, 1, RGB(0, 0, 0));
    dc.SelectObject(&dash);
    dc.SetBkMode(TRANSPARENT);
    dc.MoveTo(0, 2);
    dc.LineTo(48, 2);  // two periods of 18 on, 6 off
    EXPECT_EQ(CountColor(*device, {0, 0, 100, 5}, RGB(0, 0, 0)), 36);
    EXPECT_EQ(device->GetPixel(17, 2), RGB(0, 0, 0));
    EXPECT_EQ(device->GetPixel(18, 2), RGB(255, 255, 255));
    // An opaque background paints the gaps.
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(RGB(0, 255, 0));
    dc.MoveTo(0, 3);
    dc.LineTo(48, 3);
    EXPECT_EQ(CountColor(*device, {0, 3, 100, 4}, RGB(0, 255, 0)), 12);
}

struct PieCase {
    int direction;
    POINT filled;  // a point inside the slice
    POINT empty;   // a point outside it
};

class PieTest : public testing::TestWithParam<PieCase> {};

TEST_P(PieTest, PieSweepsFromStartToEndInTheArcDirection) {
    auto device = WhiteDevice(101, 101);
    CDC dc(*device);
    CBrush black(RGB(0, 0, 0));
    dc.SelectObject(&black);
    dc.SetArcDirection(GetParam().direction);
    // From the radial pointing right to the one pointing up.
    dc.Pie(0, 0, 101, 101, 100, 50, 50, 0);
    EXPECT_EQ(device->GetPixel(GetParam().filled.x, GetParam().filled.y), RGB(0, 0, 0));
    EXPECT_EQ(device->GetPixel(GetParam().empty.x, GetParam().empty.y), RGB(255, 255, 255));
}

INSTANTIATE_TEST_SUITE_P(Directions, PieTest,
                         testing::Values(PieCase{AD_COUNTERCLOCKWISE, {75, 25}, {25, 75}},
                                         PieCase{AD_CLOCKWISE, {25, 75}, {75, 25}}));

TEST(ShapeTest, EllipseStaysInItsBox) {
    auto device = WhiteDevice(100, 100);
    CDC dc(*device);
    CBrush black(RGB(0, 0, 0));
    dc.SelectObject(&black);
    dc.Ellipse(20, 30, 81, 71);
    const RECT ink = InkBox(*device);
    EXPECT_NEAR(ink.left, 20, 1);
    EXPECT_NEAR(ink.right, 81, 1);
    EXPECT_NEAR(ink.top, 30, 1);
    EXPECT_NEAR(ink.bottom, 71, 1);
    EXPECT_EQ(device->GetPixel(21, 31), RGB(255, 255, 255));  // the corner of the box is outside
    EXPECT_EQ(device->GetPixel(50, 50), RGB(0, 0, 0));
}

TEST(ShapeTest, MonochromePatternBrushesTakeTheContextColours) {
    CBitmap pattern;
    const BYTE rows[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};  // a checkerboard
    ASSERT_TRUE(pattern.CreateBitmap(8, 8, 1, 1, rows));
    CBrush brush;
    ASSERT_TRUE(brush.CreatePatternBrush(&pattern));
    auto device = WhiteDevice(16, 16);
    CDC dc(*device);
    dc.SetTextColor(RGB(255, 0, 0));
    dc.SetBkColor(RGB(0, 0, 255));
    const RECT all{0, 0, 16, 16};
    dc.FillRect(&all, &brush);
    EXPECT_EQ(device->GetPixel(0, 0), RGB(0, 0, 255));  // a set bit: the background colour
    EXPECT_EQ(device->GetPixel(1, 0), RGB(255, 0, 0));
    EXPECT_EQ(CountColor(*device, all, RGB(255, 0, 0)), 128);
    // The brush origin shifts the pattern.
    dc.SetBrushOrg(1, 0);
    dc.FillRect(&all, &brush);
    EXPECT_EQ(device->GetPixel(0, 0), RGB(255, 0, 0));
}

TEST(ShapeTest, UpdatingTheCurrentPositionStringsTextTogether) {
    auto device = WhiteDevice(300, 60);
    CDC dc(*device);
    CFont font;
    LOGFONTA lf;
    lf.lfHeight = -30;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    font.CreateFontIndirectA(&lf);
    dc.SelectObject(&font);
    SIZE one;
    dc.GetTextExtentPoint32W(u"M", 1, &one);
    dc.SetTextAlign(TA_BASELINE | TA_UPDATECP);
    dc.MoveTo(10, 40);
    dc.TextOutW(0, 0, u"M", 1);
    EXPECT_EQ(dc.GetCurrentPosition().x, 10 + one.cx);
    dc.TextOutW(0, 0, u"M", 1);
    EXPECT_EQ(dc.GetCurrentPosition().x, 10 + 2 * one.cx);
    EXPECT_EQ(dc.GetCurrentPosition().y, 40);
    const RECT ink = InkBox(*device);
    EXPECT_NEAR(ink.right - ink.left, 2 * one.cx, 6);
}

}  // namespace
}  // namespace ksdvi::gdi

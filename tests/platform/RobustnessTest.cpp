// Bad input, missing objects and parallel use neither crash nor corrupt.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::InkBox;
using test::WhiteDevice;

TEST(RobustnessTest, MissingObjectsAndContextsAreRefused) {
    CDC unused;
    EXPECT_EQ(unused.GetSafeHdc(), nullptr);
    EXPECT_FALSE(unused.LineTo(5, 5));
    EXPECT_FALSE(unused.TextOutW(0, 0, u"x", 1));
    EXPECT_EQ(unused.SaveDC(), 0);
    auto device = WhiteDevice(20, 20);
    CDC dc(*device);
    EXPECT_EQ(dc.SelectObject(static_cast<CPen*>(nullptr)), nullptr);
    CPen never;
    EXPECT_EQ(dc.SelectObject(&never), nullptr);  // no contents
    dc.FillRect(nullptr, nullptr);
    EXPECT_FALSE(dc.Polygon(nullptr, 3));
    EXPECT_FALSE(dc.PolyPolygon(nullptr, nullptr, 1));
    EXPECT_FALSE(dc.PolyBezier(nullptr, 4));
    EXPECT_FALSE(dc.BitBlt(0, 0, 5, 5, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(dc.StretchDIBits(0, 0, 5, 5, 0, 0, 5, 5, nullptr, nullptr, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(InkBox(*device).right, 0);
}

// The drawer replaces its pen and brush while they are selected.
TEST(RobustnessTest, DeletingSelectedObjectsKeepsTheContextDrawing) {
    auto device = WhiteDevice(20, 20);
    CDC dc(*device);
    auto pen = std::make_unique<CPen>(PS_SOLID, 1, RGB(255, 0, 0));
    auto brush = std::make_unique<CBrush>(RGB(0, 0, 255));
    dc.SelectObject(pen.get());
    dc.SelectObject(brush.get());
    pen.reset();
    brush.reset();
    dc.MoveTo(0, 5);
    dc.LineTo(20, 5);
    EXPECT_EQ(CountColor(*device, {0, 0, 20, 20}, RGB(255, 0, 0)), 20);
    dc.Rectangle(2, 8, 10, 16);
    EXPECT_EQ(device->GetPixel(5, 12), RGB(0, 0, 255));
}

TEST(RobustnessTest, HugeCoordinatesStayInside) {
    auto device = WhiteDevice(30, 30);
    CDC dc(*device);
    CBrush black(RGB(0, 0, 0));
    const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    dc.FillRect(&huge, &black);
    EXPECT_EQ(CountColor(*device, {0, 0, 30, 30}, RGB(0, 0, 0)), 900);
    dc.SelectObject(&black);
    const POINT far[3] = {{INT_MIN / 2, 0}, {INT_MAX / 2, 10}, {0, INT_MAX}};
    dc.Polygon(far, 3);
    dc.Ellipse(-(1 << 30), -(1 << 30), 1 << 30, 1 << 30);
    dc.MoveTo(INT_MIN, INT_MIN);
    dc.LineTo(INT_MAX, INT_MAX);
    CPen wide(PS_SOLID, 1 << 20, RGB(0, 0, 0));
    dc.SelectObject(&wide);
    dc.LineTo(0, 0);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(1, 1, nullptr);
    dc.SetViewportExtEx(INT_MAX, INT_MAX, nullptr);
    dc.Rectangle(0, 0, 100, 100);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    dc.StretchBlt(0, 0, INT_MAX, INT_MAX, &memory, 0, 0, 1, 1, SRCCOPY);
    SUCCEED();
}

TEST(RobustnessTest, BadBitmapsAndDibsAreRefused) {
    CBitmap bitmap;
    EXPECT_FALSE(bitmap.CreateBitmap(1 << 20, 1 << 20, 1, 32, nullptr));
    EXPECT_FALSE(bitmap.CreateBitmap(10, 10, 1, 3, nullptr));
    EXPECT_FALSE(bitmap.CreateBitmap(-1, 10, 1, 1, nullptr));
    const BYTE few[2] = {0xFF, 0xFF};
    ASSERT_TRUE(bitmap.CreateBitmap(64, 64, 1, 1, few, sizeof few));  // the rest reads as zero

    auto device = WhiteDevice(10, 10);
    CDC dc(*device);
    struct Case {
        LONG width, height;
        WORD bits;
        DWORD compression;
    };
    const std::vector<Case> cases = {{1 << 30, 1, 24, BI_RGB}, {10, INT_MIN, 24, BI_RGB}, {10, 10, 7, BI_RGB},
                                     {0, 10, 24, BI_RGB},      {10, 10, 8, BI_RLE8},      {4, 4, 24, 77}};
    for (const Case& c : cases) {
        std::vector<BYTE> packed(sizeof(BITMAPINFOHEADER) + 64, 0);
        BITMAPINFOHEADER h;
        h.biWidth = c.width;
        h.biHeight = c.height;
        h.biBitCount = c.bits;
        h.biCompression = c.compression;
        std::memcpy(packed.data(), &h, sizeof h);
        EXPECT_EQ(dc.StretchPackedDIB(0, 0, 10, 10, 0, 0, 4, 4, packed.data(), packed.size(), DIB_RGB_COLORS, SRCCOPY),
                  0)
            << c.width << " " << c.height << " " << c.bits;
    }
    // A header promising more rows than the bytes hold.
    std::vector<BYTE> shortDib(sizeof(BITMAPINFOHEADER) + 12, 0);
    BITMAPINFOHEADER h;
    h.biWidth = 2;
    h.biHeight = 50;
    h.biBitCount = 24;
    std::memcpy(shortDib.data(), &h, sizeof h);
    EXPECT_EQ(dc.StretchPackedDIB(0, 0, 2, 50, 0, 0, 2, 50, shortDib.data(), shortDib.size(), DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(InkBox(*device).right, 0);
}

}  // namespace
}  // namespace ksdvi::gdi

// Devices: their capabilities, exact rectangle fills, pixels and PNG output.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::WhiteDevice;

// A printer reports its paper and printable offset, a window none; a memory
// context reports what its reference does.
TEST(DeviceTest, CapabilitiesOfPrinterWindowAndMemory) {
    auto printer = RasterDevice::Create({850, 1100, 100, 120, DeviceKind::Printer, 900, 1150, 25, 30});
    auto window = RasterDevice::Create({850, 1100, 100, 120});
    ASSERT_TRUE(printer && window);
    CDC pdc(*printer), wdc(*window), memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&pdc));
    using Cap = std::tuple<int, int, int>;  // index, on the printer, on the window
    for (const auto& [index, onPrinter, onWindow] :
         {Cap{HORZRES, 850, 850}, Cap{VERTRES, 1100, 1100}, Cap{LOGPIXELSX, 100, 100}, Cap{LOGPIXELSY, 120, 120},
          Cap{PHYSICALWIDTH, 900, 0}, Cap{PHYSICALHEIGHT, 1150, 0}, Cap{PHYSICALOFFSETX, 25, 0},
          Cap{PHYSICALOFFSETY, 30, 0}, Cap{TECHNOLOGY, DT_RASPRINTER, DT_RASDISPLAY}}) {
        EXPECT_EQ(pdc.GetDeviceCaps(index), onPrinter) << index;
        EXPECT_EQ(memory.GetDeviceCaps(index), onPrinter) << index;
        EXPECT_EQ(wdc.GetDeviceCaps(index), onWindow) << index;
    }
    const int raster = RC_STRETCHDIB | RC_DIBTODEV | RC_PALETTE;
    EXPECT_EQ(pdc.GetDeviceCaps(RASTERCAPS) & raster, RC_STRETCHDIB | RC_DIBTODEV);
    EXPECT_EQ(wdc.GetDeviceCaps(RASTERCAPS) & raster, RC_STRETCHDIB | RC_DIBTODEV);
}

TEST(DeviceTest, ImpossibleSizesAreRefused) {
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{0, 10}, {10, -1}, {1 << 20, 10}, {100000, 100000}}) {
        RasterDeviceSpec spec;
        spec.width = w;
        spec.height = h;
        EXPECT_FALSE(RasterDevice::Create(spec)) << w << " x " << h;
    }
}

struct FillCase {
    RECT rect;
    const char* what;
};

class FillRectTest : public testing::TestWithParam<FillCase> {};

TEST_P(FillRectTest, CoversExactlyItsRectangle) {
    const RECT r = GetParam().rect;
    auto device = WhiteDevice(60, 50);
    CDC dc(*device);
    CBrush red(RGB(255, 0, 0));
    dc.FillRect(&r, &red);
    const RECT inside{std::max<LONG>(std::min(r.left, r.right), 0), std::max<LONG>(std::min(r.top, r.bottom), 0),
                      std::min<LONG>(std::max(r.left, r.right), 60), std::min<LONG>(std::max(r.top, r.bottom), 50)};
    const int area = std::max<LONG>(0, inside.right - inside.left) * std::max<LONG>(0, inside.bottom - inside.top);
    EXPECT_EQ(CountColor(*device, {0, 0, 60, 50}, RGB(255, 0, 0)), area);
    if (area > 0) {
        EXPECT_EQ(device->GetPixel(inside.left, inside.top), RGB(255, 0, 0));
        EXPECT_EQ(device->GetPixel(inside.right - 1, inside.bottom - 1), RGB(255, 0, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Rects, FillRectTest,
                         testing::Values(FillCase{{10, 5, 30, 25}, "plain"}, FillCase{{3, 3, 4, 4}, "one pixel"},
                                         FillCase{{30, 25, 10, 5}, "reversed corners"},
                                         FillCase{{-10, -10, 5, 5}, "off the top left"},
                                         FillCase{{50, 40, 100, 100}, "off the bottom right"},
                                         FillCase{{10, 10, 10, 20}, "empty"}));

TEST(DeviceTest, PngIsGreyWithoutColourAndRgbWithIt) {
    auto device = WhiteDevice(20, 10);
    CDC dc(*device);
    const TempDir dir;
    const std::string path = dir / "page.png";
    const RECT first{0, 0, 1, 1}, dot{5, 5, 6, 6};
    dc.FillSolidRect(&first, RGB(128, 128, 128));
    ASSERT_TRUE(device->WritePng(path));
    PngPixels grey, rgb;
    ASSERT_TRUE(ReadPng(path, PNG_FORMAT_RGB, grey));
    EXPECT_EQ(grey.fileFormat, PNG_FORMAT_GRAY);
    EXPECT_EQ(grey.width, 20);
    EXPECT_EQ(std::vector<png_byte>(grey.bytes.begin(), grey.bytes.begin() + 6),
              (std::vector<png_byte>{128, 128, 128, 255, 255, 255}));

    dc.FillSolidRect(&dot, RGB(200, 10, 20));
    dc.FillSolidRect(&first, RGB(1, 2, 3));
    ASSERT_TRUE(device->WritePng(path));
    ASSERT_TRUE(ReadPng(path, PNG_FORMAT_RGB, rgb));
    EXPECT_EQ(rgb.fileFormat, PNG_FORMAT_RGB);
    EXPECT_EQ(std::vector<png_byte>(rgb.bytes.begin(), rgb.bytes.begin() + 3), (std::vector<png_byte>{1, 2, 3}));
    EXPECT_FALSE(device->WritePng("/nonexistent-dir/page.png"));
}

// Every way of putting a colour on the page must make the page count as
// coloured, and grey ones must not.
struct ColourRoute {
    const char* name;
    void (*draw)(CDC& dc, COLORREF c);
};

void PrintTo(const ColourRoute& r, std::ostream* os) { *os << r.name; }

const ColourRoute kRoutes[] = {
    {"fill",
     [](CDC& dc, COLORREF c) {
         const RECT r{1, 1, 5, 5};
         dc.FillSolidRect(&r, c);
     }},
    {"pen",
     [](CDC& dc, COLORREF c) {
         CPen pen(PS_SOLID, 3, c);
         dc.SelectObject(&pen);
         dc.MoveTo(2, 2);
         dc.LineTo(15, 9);
         dc.SelectStockObject(BLACK_PEN);
     }},
    {"text",
     [](CDC& dc, COLORREF c) {
         dc.SetTextColor(c);
         dc.TextOutW(2, 2, u"W", 1);
     }},
    {"blit",
     [](CDC& dc, COLORREF c) {
         test::MemoryCanvas source(dc, 4, 4);
         source.dc.SetPixel(1, 1, c);
         dc.BitBlt(0, 0, 4, 4, &source.dc, 0, 0, SRCAND);
     }},
    {"monochrome blit",
     [](CDC& dc, COLORREF c) {
         CDC memory;
         memory.CreateCompatibleDC(&dc);
         CBitmap mono;
         mono.CreateBitmap(8, 1, 1, 1, nullptr);
         memory.SelectObject(&mono);
         dc.SetTextColor(c);
         dc.BitBlt(0, 0, 8, 1, &memory, 0, 0, SRCCOPY);
     }},
    {"DIB",
     [](CDC& dc, COLORREF c) {
         struct {
             BITMAPINFOHEADER h;
             BYTE bits[4];
         } dib;
         dib.h.biWidth = 1;
         dib.h.biHeight = 1;
         dib.h.biBitCount = 24;
         dib.bits[0] = GetBValue(c), dib.bits[1] = GetGValue(c), dib.bits[2] = GetRValue(c), dib.bits[3] = 0;
         dc.StretchPackedDIB(0, 0, 3, 3, 0, 0, 1, 1, &dib, sizeof dib, DIB_RGB_COLORS, SRCCOPY);
     }},
};

class ColourRouteTest : public testing::TestWithParam<ColourRoute> {};

// The PNG holds what was drawn, and a fresh fill of the page clears it, though
// both read only the rows' touched pixels.
TEST_P(ColourRouteTest, PageCountsAsColouredExactlyWhenItIs) {
    const TempDir dir;
    const std::string path = dir / "route.png";
    for (const COLORREF c : {RGB(200, 30, 40), RGB(90, 90, 90)}) {
        auto device = WhiteDevice(20, 12);
        CDC dc(*device);
        GetParam().draw(dc, c);
        EXPECT_EQ(device->HasColour(), c != RGB(90, 90, 90)) << GetParam().name;
        EXPECT_NE(test::InkBox(*device).right, 0) << GetParam().name;
        ASSERT_TRUE(device->WritePng(path));
        RgbImage png;
        ASSERT_TRUE(ReadRgbPng(path, png));
        ASSERT_EQ(png.rgb.size(), 20u * 12 * 3);
        for (int y = 0, i = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x, i += 3)
                ASSERT_EQ(RGB(png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]), device->GetPixel(x, y))
                    << GetParam().name << " at " << x << "," << y;
        device->Clear(RGB(255, 255, 255));
        EXPECT_EQ(test::InkBox(*device).right, 0) << GetParam().name;
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, ColourRouteTest, testing::ValuesIn(kRoutes));

}  // namespace
}  // namespace ksdvi::gdi

// Devices: their capabilities, exact rectangle fills, pixels and PNG output.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include <png.h>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::WhiteDevice;

TEST(DeviceTest, CapabilitiesOfWindowAndPrinter) {
    RasterDeviceSpec spec;
    spec.width = 850;
    spec.height = 1100;
    spec.dpiX = spec.dpiY = 100;
    spec.kind = DeviceKind::Printer;
    spec.physicalWidth = 900;
    spec.physicalHeight = 1150;
    spec.physicalOffsetX = 25;
    spec.physicalOffsetY = 30;
    auto printer = RasterDevice::Create(spec);
    ASSERT_TRUE(printer);
    CDC dc(*printer);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 850);
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 1100);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 100);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALWIDTH), 900);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALHEIGHT), 1150);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETX), 25);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETY), 30);
    EXPECT_EQ(dc.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
    const int caps = dc.GetDeviceCaps(RASTERCAPS);
    EXPECT_TRUE(caps & RC_STRETCHDIB);
    EXPECT_TRUE(caps & RC_DIBTODEV);
    EXPECT_FALSE(caps & RC_PALETTE);

    spec.kind = DeviceKind::Window;
    auto window = RasterDevice::Create(spec);
    CDC wdc(*window);
    EXPECT_EQ(wdc.GetDeviceCaps(PHYSICALWIDTH), 0);
    EXPECT_EQ(wdc.GetDeviceCaps(TECHNOLOGY), DT_RASDISPLAY);
    // A memory context reports the capabilities of its reference.
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&dc));
    EXPECT_EQ(memory.GetDeviceCaps(LOGPIXELSY), 100);
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

TEST(DeviceTest, HatchedBrushLeavesTheBackgroundWhenTransparent) {
    auto device = WhiteDevice(16, 16);
    CDC dc(*device);
    CBrush hatch(HS_CROSS, RGB(0, 0, 0));
    const RECT all{0, 0, 16, 16};
    dc.SetBkMode(TRANSPARENT);
    dc.FillRect(&all, &hatch);
    const int lines = CountColor(*device, all, RGB(0, 0, 0));
    EXPECT_EQ(lines, 2 * (2 * 16) - 4);  // two vertical and two horizontal lines per 16 pixels
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(RGB(0, 255, 0));
    dc.FillRect(&all, &hatch);
    EXPECT_EQ(CountColor(*device, all, RGB(0, 255, 0)), 256 - lines);
}

// Reads a PNG back: colour type and the first pixel's samples.
struct PngInfo {
    int colorType = -1;
    int width = 0;
    std::vector<png_byte> firstRow;
};

PngInfo ReadPng(const std::string& path) {
    PngInfo info;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return info;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pi = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &pi, nullptr);
        std::fclose(f);
        return info;
    }
    png_init_io(png, f);
    png_read_info(png, pi);
    info.colorType = png_get_color_type(png, pi);
    info.width = int(png_get_image_width(png, pi));
    info.firstRow.resize(png_get_rowbytes(png, pi));
    png_read_row(png, info.firstRow.data(), nullptr);
    png_destroy_read_struct(&png, &pi, nullptr);
    std::fclose(f);
    return info;
}

TEST(DeviceTest, PngIsGreyWithoutColourAndRgbWithIt) {
    auto device = WhiteDevice(20, 10);
    CDC dc(*device);
    const std::string path = testing::TempDir() + "/ksdvi_gdi_page.png";
    const RECT first{0, 0, 1, 1};
    dc.FillSolidRect(&first, RGB(128, 128, 128));
    ASSERT_TRUE(device->WritePng(path));
    PngInfo grey = ReadPng(path);
    EXPECT_EQ(grey.colorType, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(grey.width, 20);
    ASSERT_FALSE(grey.firstRow.empty());
    EXPECT_EQ(grey.firstRow[0], 128);
    EXPECT_EQ(grey.firstRow[1], 255);

    const RECT dot{5, 5, 6, 6};
    dc.FillSolidRect(&dot, RGB(200, 10, 20));
    dc.FillSolidRect(&first, RGB(1, 2, 3));
    ASSERT_TRUE(device->WritePng(path));
    PngInfo rgb = ReadPng(path);
    EXPECT_EQ(rgb.colorType, PNG_COLOR_TYPE_RGB);
    ASSERT_GE(rgb.firstRow.size(), 3u);
    EXPECT_EQ(rgb.firstRow[0], 1);
    EXPECT_EQ(rgb.firstRow[1], 2);
    EXPECT_EQ(rgb.firstRow[2], 3);
    std::filesystem::remove(path);
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
    {"hatch background",
     [](CDC& dc, COLORREF c) {
         CBrush hatch(HS_CROSS, RGB(0, 0, 0));
         dc.SetBkColor(c);
         const RECT r{0, 0, 8, 8};
         dc.FillRect(&r, &hatch);
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

TEST_P(ColourRouteTest, PageCountsAsColouredExactlyWhenItIs) {
    for (const COLORREF c : {RGB(200, 30, 40), RGB(90, 90, 90)}) {
        auto device = WhiteDevice(20, 12);
        CDC dc(*device);
        GetParam().draw(dc, c);
        EXPECT_EQ(device->HasColour(), c != RGB(90, 90, 90)) << GetParam().name;
        EXPECT_NE(test::InkBox(*device).right, 0) << GetParam().name;
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, ColourRouteTest, testing::ValuesIn(kRoutes));

TEST(DeviceTest, PixelsOutsideTheSurfaceAreRefused) {
    auto device = WhiteDevice(4, 4);
    CDC dc(*device);
    EXPECT_EQ(dc.SetPixel(1, 2, RGB(9, 8, 7)), RGB(9, 8, 7));
    EXPECT_EQ(dc.GetPixel(1, 2), RGB(9, 8, 7));
    EXPECT_EQ(dc.SetPixel(4, 0, RGB(9, 8, 7)), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(-1, 0), CLR_INVALID);
}

}  // namespace
}  // namespace ksdvi::gdi

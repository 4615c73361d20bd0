// The document printer: pages of the paper's size, and DIBs of each depth
// painted at their device pixels, as poppler shows them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gdi/Cdc.h"
#include "support/Rasterised.h"
#include "support/TempDir.h"

namespace ksdvi::gdi {
namespace {

// 60 x 45 points at 144 dpi: 120 x 90 device pixels.
constexpr int kDpi = 144;
constexpr int kScale = 5;  // each DIB pixel is drawn kScale device pixels wide and high

// A 4 x 2 DIB, its colours given top row first, as one depth encodes them.
struct DibCase {
    const char* name;
    int bitCount;
    std::vector<RGBQUAD> palette;       // empty for 24 bits
    std::vector<unsigned> top, bottom;  // palette indices, or 0xRRGGBB for 24 bits
};

uint32_t ColourOf(const DibCase& c, unsigned value) {
    if (c.bitCount == 24) return value;
    const RGBQUAD& q = c.palette[value];
    return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
}

// Header and colour table; the bits, bottom-up.
void Encode(const DibCase& c, std::vector<BYTE>& info, std::vector<BYTE>& bits) {
    BITMAPINFOHEADER h;
    h.biWidth = 4;
    h.biHeight = 2;
    h.biBitCount = WORD(c.bitCount);
    h.biClrUsed = DWORD(c.palette.size());
    info.resize(sizeof h + c.palette.size() * sizeof(RGBQUAD));
    std::memcpy(info.data(), &h, sizeof h);
    if (!c.palette.empty())
        std::memcpy(info.data() + sizeof h, c.palette.data(), c.palette.size() * sizeof(RGBQUAD));
    const size_t stride = DibStride(4, c.bitCount);
    bits.assign(stride * 2, 0);
    for (int row = 0; row < 2; ++row) {
        const std::vector<unsigned>& pixels = row == 0 ? c.bottom : c.top;
        BYTE* line = bits.data() + stride * size_t(row);
        for (int x = 0; x < 4; ++x) {
            const unsigned v = pixels[size_t(x)];
            if (c.bitCount == 1) line[0] |= BYTE(v << (7 - x));
            if (c.bitCount == 8) line[x] = BYTE(v);
            if (c.bitCount == 24)
                line[3 * x] = BYTE(v), line[3 * x + 1] = BYTE(v >> 8), line[3 * x + 2] = BYTE(v >> 16);
        }
    }
}

TEST(PrintDevice, DibsOfEachDepthPaintTheirPixels) {
    if (!HavePoppler()) GTEST_SKIP() << "pdftoppm is not installed";
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0}, navy{128, 0, 0, 0}, grey{90, 90, 90, 0};
    const std::vector<DibCase> cases = {
        {"1-bit, navy and white", 1, {navy, white}, {0, 1, 1, 0}, {1, 0, 0, 1}},
        {"8-bit greys", 8, {white, black, grey}, {1, 0, 2, 1}, {0, 2, 1, 0}},
        {"24-bit colour", 24, {}, {0xFF0000, 0xFFFFFF, 0x00C000, 0x000000}, {0x0000FF, 0x000000, 0xFFFFFF, 0x808080}},
    };
    std::string pdf;
    auto printer = PrintDevice::Create({PrintFormat::Pdf, 60, 45, kDpi, kDpi}, [&](const unsigned char* d, size_t n) {
        pdf.append(reinterpret_cast<const char*>(d), n);
        return true;
    });
    ASSERT_TRUE(printer);
    CDC dc(*printer);
    for (const DibCase& c : cases) {
        std::vector<BYTE> info, bits;
        Encode(c, info, bits);
        dc.StartPage();
        EXPECT_EQ(dc.StretchDIBits(10, 20, 4 * kScale, 2 * kScale, 0, 0, 4, 2, bits.data(),
                                   reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY),
                  2 * kScale)
            << c.name;
        dc.EndPage();
    }
    ASSERT_TRUE(printer->Finish());

    TempDir dir;
    std::ofstream(dir / "p.pdf", std::ios::binary) << pdf;
    for (size_t i = 0; i < cases.size(); ++i) {
        const DibCase& c = cases[i];
        RgbImage page;
        ASSERT_TRUE(RasterisePdfPage(dir / "p.pdf", int(i) + 1, kDpi, dir / "p.ppm", page)) << c.name;
        ASSERT_EQ(page.width, 120);
        ASSERT_EQ(page.height, 90);
        // Every device pixel of each DIB pixel, its edges included, and the
        // paper around the image untouched.
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x) {
                const int dx = x - 10, dy = y - 20;
                uint32_t expected = 0xFFFFFF;
                if (dx >= 0 && dy >= 0 && dx < 4 * kScale && dy < 2 * kScale)
                    expected = ColourOf(c, (dy < kScale ? c.top : c.bottom)[size_t(dx / kScale)]);
                ASSERT_EQ(page.At(x, y), expected) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(PrintDevice, UnwritableOutputFailsTheDocument) {
    auto printer = PrintDevice::Create({PrintFormat::PostScript, 60, 45, kDpi, kDpi},
                                       [](const unsigned char*, size_t) { return false; });
    ASSERT_TRUE(printer);
    CDC dc(*printer);
    dc.StartPage();
    dc.EndPage();
    EXPECT_FALSE(printer->Finish());
}

}  // namespace
}  // namespace ksdvi::gdi

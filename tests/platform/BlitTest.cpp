// Raster operations against their truth tables bit by bit, and the transfers
// and binary raster modes that combine pixels with them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterOps.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::WhiteDevice;

// Every ternary operation, on pixels that hold all eight (P, S, D) bit
// combinations side by side: bit i of the result must be truth-table bit
// (P<<2 | S<<1 | D) of that combination.
TEST(RasterOpsTest, AllTernaryOperationsFollowTheirTruthTables) {
    const std::uint32_t p = 0b11110000, s = 0b11001100, d = 0b10101010;
    for (int index = 0; index < 256; ++index) {
        const std::uint32_t r = ApplyRop3(BYTE(index), p, s, d) & 0xFF;
        EXPECT_EQ(r, std::uint32_t(index)) << "rop index " << index;
    }
}

TEST(RasterOpsTest, AllBinaryModesFollowTheirTruthTables) {
    const std::uint32_t pen = 0b1100, dst = 0b1010;
    for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode)
        EXPECT_EQ(ApplyRop2(mode, pen, dst) & 0xF, std::uint32_t(mode - 1)) << "mode " << mode;
}

// The named codes: each index is its function of the pattern, source and
// destination bytes of the truth tables above, and an operation uses the
// source or the pattern exactly when its table depends on it.
TEST(RasterOpsTest, NamedCodesMeanWhatTheirNamesSay) {
    constexpr std::uint32_t P = 0xF0, S = 0xCC, D = 0xAA;
    const std::pair<DWORD, std::uint32_t> named[] = {
        {SRCCOPY, S},       {SRCAND, S & D},        {SRCPAINT, S | D},  {SRCINVERT, S ^ D},      {MERGEPAINT, ~S | D},
        {SRCERASE, S & ~D}, {NOTSRCCOPY, ~S},       {MERGECOPY, P & S}, {NOTSRCERASE, ~(S | D)}, {PATCOPY, P},
        {PATINVERT, P ^ D}, {PATPAINT, P | ~S | D}, {DSTINVERT, ~D},    {BLACKNESS, 0},          {WHITENESS, 0xFF}};
    for (const auto& [rop, index] : named) EXPECT_EQ(Rop3Index(rop), index & 0xFF) << std::hex << rop;
    for (int index = 0; index < 256; ++index) {
        const DWORD rop = DWORD(index) << 16;
        // Bits 2, 1 and 0 of a table index are P, S and D.
        bool source = false, pattern = false;
        for (int bit = 0; bit < 8; ++bit) {
            source |= (index >> bit & 1) != (index >> (bit ^ 2) & 1);
            pattern |= (index >> bit & 1) != (index >> (bit ^ 4) & 1);
        }
        EXPECT_EQ(Rop3UsesSource(rop), source) << index;
        EXPECT_EQ(Rop3UsesPattern(rop), pattern) << index;
    }
}

// Distinct colours per position, so that every bit of the combination counts.
COLORREF DestColor(int x, int y) { return RGB(x * 37 + 5, y * 71 + 3, (x ^ y) * 29 + 100); }
COLORREF SourceColor(int x, int y) { return RGB(y * 53 + 17, x * 19 + 200, (x + y) * 41); }

void Paint(CDC& dc, int w, int h, COLORREF (*color)(int, int)) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) dc.SetPixel(x, y, color(x, y));
}

// A raster operation or mode and what it makes of a source (or pen) colour
// and a destination colour.
struct Combination {
    DWORD code;
    COLORREF (*expected)(COLORREF s, COLORREF d);
};

class RopBlitTest : public testing::TestWithParam<Combination> {};

TEST_P(RopBlitTest, BitBltCombinesSourceAndDestination) {
    constexpr int kW = 8, kH = 6;
    auto device = WhiteDevice(kW, kH);
    CDC dc(*device);
    Paint(dc, kW, kH, DestColor);
    test::MemoryCanvas source(dc, kW, kH);
    Paint(source.dc, kW, kH, SourceColor);
    ASSERT_TRUE(dc.BitBlt(0, 0, kW, kH, &source.dc, 0, 0, GetParam().code));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(device->GetPixel(x, y), GetParam().expected(SourceColor(x, y), DestColor(x, y)))
                << "at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Rops, RopBlitTest,
    testing::Values(Combination{SRCAND, [](COLORREF s, COLORREF d) -> COLORREF { return s & d; }},
                    Combination{SRCPAINT, [](COLORREF s, COLORREF d) -> COLORREF { return s | d; }},
                    Combination{MERGEPAINT, [](COLORREF s, COLORREF d) -> COLORREF { return (~s | d) & 0xFFFFFF; }},
                    Combination{SRCINVERT, [](COLORREF s, COLORREF d) -> COLORREF { return s ^ d; }},
                    Combination{SRCCOPY, [](COLORREF s, COLORREF) -> COLORREF { return s; }},
                    Combination{NOTSRCCOPY, [](COLORREF s, COLORREF) -> COLORREF { return ~s & 0xFFFFFF; }}));

class Rop2Test : public testing::TestWithParam<Combination> {};

TEST_P(Rop2Test, ShapesCombineWithThePageExactly) {
    constexpr int kW = 12, kH = 10;
    const COLORREF brushColor = RGB(0x5A, 0xC3, 0x0F);
    auto device = WhiteDevice(kW, kH);
    CDC dc(*device);
    Paint(dc, kW, kH, DestColor);
    CBrush brush(brushColor);
    dc.SelectObject(&brush);
    dc.SelectStockObject(NULL_PEN);
    dc.SetROP2(int(GetParam().code));
    // With no pen a rectangle fills its box less the right and bottom edges.
    dc.Rectangle(2, 3, 9, 8);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const bool inside = x >= 2 && x < 8 && y >= 3 && y < 7;
            const COLORREF want = inside ? GetParam().expected(brushColor, DestColor(x, y)) : DestColor(x, y);
            ASSERT_EQ(device->GetPixel(x, y), want) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Rop2Test,
    testing::Values(Combination{R2_MERGEPEN, [](COLORREF p, COLORREF d) -> COLORREF { return p | d; }},
                    Combination{R2_XORPEN, [](COLORREF p, COLORREF d) -> COLORREF { return p ^ d; }},
                    Combination{R2_MASKPEN, [](COLORREF p, COLORREF d) -> COLORREF { return p & d; }},
                    Combination{R2_NOT, [](COLORREF, COLORREF d) -> COLORREF { return ~d & 0xFFFFFF; }},
                    Combination{R2_NOP, [](COLORREF, COLORREF d) -> COLORREF { return d; }}));

TEST(BlitTest, StretchBltEnlargesAndMirrors) {
    auto device = WhiteDevice(8, 8);
    CDC dc(*device);
    test::MemoryCanvas canvas(dc, 2, 2);
    CDC& memory = canvas.dc;
    memory.SetPixel(0, 0, RGB(255, 0, 0));
    memory.SetPixel(1, 0, RGB(0, 255, 0));
    memory.SetPixel(0, 1, RGB(0, 0, 255));
    memory.SetPixel(1, 1, RGB(0, 0, 0));
    dc.StretchBlt(0, 0, 8, 8, &memory, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(CountColor(*device, {0, 0, 4, 4}, RGB(255, 0, 0)), 16);
    EXPECT_EQ(CountColor(*device, {4, 0, 8, 4}, RGB(0, 255, 0)), 16);
    EXPECT_EQ(CountColor(*device, {0, 4, 4, 8}, RGB(0, 0, 255)), 16);
    // A negative width mirrors left and right.
    dc.StretchBlt(8, 0, -8, 8, &memory, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(device->GetPixel(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(device->GetPixel(7, 0), RGB(255, 0, 0));
}

// Shrinking sixteen columns to four, one of them black: how the stretch mode
// combines the four that make the second pixel.
TEST(BlitTest, ShrinkingCombinesAsTheStretchModeSays) {
    auto device = WhiteDevice(4, 1);
    CDC dc(*device);
    test::MemoryCanvas canvas(dc, 16, 1);
    const RECT all{0, 0, 16, 1};
    canvas.dc.FillSolidRect(&all, RGB(255, 255, 255));
    canvas.dc.SetPixel(5, 0, RGB(0, 0, 0));
    for (const auto& [mode, second] : {std::pair{BLACKONWHITE, RGB(0, 0, 0)},
                                       {WHITEONBLACK, RGB(255, 255, 255)},
                                       {COLORONCOLOR, RGB(255, 255, 255)},
                                       {HALFTONE, RGB(191, 191, 191)}}) {
        dc.SetStretchBltMode(mode);
        dc.StretchBlt(0, 0, 4, 1, &canvas.dc, 0, 0, 16, 1, SRCCOPY);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(device->GetPixel(x, 0), x == 1 ? second : RGB(255, 255, 255)) << "mode " << mode << " at " << x;
    }
}

// Monochrome bitmaps, as picture masks use them: set bits take the background
// colour and clear ones the text colour; going the other way, the source's
// background colour becomes white. A memory context made without a reference
// makes monochrome bitmaps.
TEST(BlitTest, MonochromeBitmapsTakeAndGiveTheContextColours) {
    auto device = WhiteDevice(8, 1);
    CDC dc(*device);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap mono;
    const BYTE bits[2] = {0b10100000, 0};
    ASSERT_TRUE(mono.CreateBitmap(8, 1, 1, 1, bits));
    memory.SelectObject(&mono);
    const COLORREF text = RGB(200, 0, 0), background = RGB(0, 0, 200);
    dc.SetTextColor(text);
    dc.SetBkColor(background);
    dc.BitBlt(0, 0, 8, 1, &memory, 0, 0, SRCCOPY);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(device->GetPixel(x, 0), x == 0 || x == 2 ? background : text) << x;

    CDC fresh;
    ASSERT_TRUE(fresh.CreateCompatibleDC(nullptr));
    CBitmap target;
    ASSERT_TRUE(target.CreateCompatibleBitmap(&fresh, 8, 1));
    BITMAP info;
    target.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    fresh.SelectObject(&target);
    fresh.BitBlt(0, 0, 8, 1, &dc, 0, 0, SRCCOPY);
    EXPECT_EQ(fresh.GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(fresh.GetPixel(1, 0), RGB(0, 0, 0));
}

// A 3 x 2 DIB, 24 bits, bottom-up: the last row in memory is the top one.
std::vector<BYTE> SmallDib(bool topDown) {
    std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + 2 * 12);
    BITMAPINFOHEADER h;
    h.biWidth = 3;
    h.biHeight = topDown ? -2 : 2;
    h.biBitCount = 24;
    std::memcpy(dib.data(), &h, sizeof h);
    BYTE* bits = dib.data() + sizeof h;
    const BYTE first[9] = {255, 0, 0, 0, 255, 0, 0, 0, 255};  // blue, green, red (BGR order)
    const BYTE second[9] = {0, 0, 0, 128, 128, 128, 255, 255, 255};
    std::memcpy(bits, first, 9);
    std::memcpy(bits + 12, second, 9);
    return dib;
}

TEST(BlitTest, StretchDIBitsHonoursRowOrder) {
    for (const bool topDown : {false, true}) {
        auto device = WhiteDevice(6, 4);
        CDC dc(*device);
        const auto dib = SmallDib(topDown);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        ASSERT_EQ(dc.StretchDIBits(0, 0, 6, 4, 0, 0, 3, 2, dib.data() + sizeof(BITMAPINFOHEADER), info, DIB_RGB_COLORS,
                                   SRCCOPY),
                  4);
        // The first stored row is the bottom one of a bottom-up DIB.
        const COLORREF blueCorner = topDown ? device->GetPixel(0, 0) : device->GetPixel(0, 3);
        EXPECT_EQ(blueCorner, RGB(0, 0, 255)) << topDown;
        EXPECT_EQ(device->GetPixel(5, topDown ? 3 : 0), RGB(255, 255, 255)) << topDown;
        EXPECT_EQ(device->GetPixel(2, topDown ? 3 : 0), RGB(128, 128, 128)) << topDown;
    }
}

TEST(BlitTest, SetDIBitsToDeviceDrawsABandOfScans) {
    auto device = WhiteDevice(3, 2);
    CDC dc(*device);
    const auto dib = SmallDib(false);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    // Only the bottom scan is handed over: it lands on the bottom row.
    ASSERT_EQ(dc.SetDIBitsToDevice(0, 0, 3, 2, 0, 0, 0, 1, dib.data() + sizeof(BITMAPINFOHEADER), info, DIB_RGB_COLORS),
              1);
    EXPECT_EQ(device->GetPixel(0, 1), RGB(0, 0, 255));
    EXPECT_EQ(device->GetPixel(0, 0), RGB(255, 255, 255));
}

}  // namespace
}  // namespace ksdvi::gdi

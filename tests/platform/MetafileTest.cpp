// Windows metafiles made here, played onto a device.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/Metafile.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::InkBox;
using test::WhiteDevice;

// Builds a metafile: records of 16-bit words after an 18-byte header.
class WmfWriter {
public:
    WmfWriter& Record(WORD function, std::vector<WORD> params, const void* bytes = nullptr, std::size_t size = 0) {
        params.resize(params.size() + (size + 1) / 2);
        if (size) std::memcpy(params.data() + params.size() - (size + 1) / 2, bytes, size);
        const DWORD words = DWORD(3 + params.size());
        words_.insert(words_.end(), {WORD(words & 0xFFFF), WORD(words >> 16), function});
        words_.insert(words_.end(), params.begin(), params.end());
        return *this;
    }
    WmfWriter& Brush(COLORREF c) {
        return Record(META_CREATEBRUSHINDIRECT, {BS_SOLID, WORD(c & 0xFFFF), WORD(c >> 16), 0});
    }
    WmfWriter& Pen(WORD style, COLORREF c) {
        return Record(META_CREATEPENINDIRECT, {style, 0, 0, WORD(c & 0xFFFF), WORD(c >> 16)});
    }

    std::vector<BYTE> Finish(WORD objects) {
        Record(META_EOF, {});
        const DWORD total = DWORD(9 + words_.size());
        std::vector<WORD> all = {1, 9, 0x300, WORD(total & 0xFFFF), WORD(total >> 16), objects, 0, 0, 0};
        all.insert(all.end(), words_.begin(), words_.end());
        std::vector<BYTE> bytes(2 * all.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            bytes[2 * i] = BYTE(all[i] & 0xFF), bytes[2 * i + 1] = BYTE(all[i] >> 8);
        return bytes;
    }

private:
    std::vector<WORD> words_;
};

// A drawing in a 100 x 100 logical box: a red square without outline, a
// blue line and a 2 x 1 DIB.
std::vector<BYTE> Drawing() {
    WmfWriter w;
    w.Record(META_SETWINDOWORG, {0, 0}).Record(META_SETWINDOWEXT, {100, 100});  // y, x
    w.Brush(RGB(255, 0, 0)).Record(META_SELECTOBJECT, {0});
    w.Pen(PS_NULL, 0).Record(META_SELECTOBJECT, {1});
    w.Record(META_RECTANGLE, {50, 50, 10, 10});  // bottom, right, top, left
    w.Record(0x0999, {1, 2, 3});                 // unknown: skipped
    w.Pen(PS_SOLID, RGB(0, 0, 255)).Record(META_SELECTOBJECT, {2});
    w.Record(META_MOVETO, {80, 10}).Record(META_LINETO, {80, 60});  // y, x
    // META_STRETCHDIB: rop, usage, source h, w, y, x, destination h, w, y, x,
    // then the packed DIB: green, black (blue, green, red order), padding.
    struct {
        BITMAPINFOHEADER h;
        BYTE pixels[8] = {0, 255, 0, 0, 0, 0, 0, 0};
    } dib;
    dib.h.biWidth = 2;
    dib.h.biHeight = 1;
    dib.h.biBitCount = 24;
    w.Record(META_STRETCHDIB, {WORD(SRCCOPY & 0xFFFF), WORD(SRCCOPY >> 16), DIB_RGB_COLORS, 1, 2, 0, 0, 10, 20, 70, 70},
             &dib, sizeof dib);
    return w.Finish(3);
}

void PlayOnto(CDC& dc, const std::vector<BYTE>& bytes) {
    // As a picture is placed: an anisotropic viewport of 200 x 200 at (20, 20).
    dc.SaveDC();
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportOrgEx(20, 20, nullptr);
    dc.SetViewportExtEx(200, 200, nullptr);
    HMETAFILE mf = SetMetaFileBitsEx(UINT(bytes.size()), bytes.data());
    ASSERT_NE(mf, nullptr);
    EXPECT_TRUE(dc.PlayMetaFile(mf));
    DeleteMetaFile(mf);
    dc.RestoreDC(-1);
}

TEST(MetafileTest, PlaysToTheExpectedPixels) {
    auto device = WhiteDevice(260, 260);
    CDC dc(*device);
    PlayOnto(dc, Drawing());
    // The square: logical 10..50 is device 40..120, less the right and
    // bottom pixel that a rectangle without outline leaves out.
    const RECT square{40, 40, 119, 119};
    EXPECT_EQ(CountColor(*device, square, RGB(255, 0, 0)), 79 * 79);
    EXPECT_EQ(device->GetPixel(39, 60), RGB(255, 255, 255));
    EXPECT_EQ(device->GetPixel(119, 60), RGB(255, 255, 255));
    // The line: logical y 80 from x 10 to 60, device y 180 from 40 to 140.
    EXPECT_EQ(device->GetPixel(40, 180), RGB(0, 0, 255));
    EXPECT_EQ(device->GetPixel(139, 180), RGB(0, 0, 255));
    EXPECT_EQ(device->GetPixel(140, 180), RGB(255, 255, 255));
    // The DIB: logical (70, 70) size 20 x 10, device (160, 160) size 40 x 20.
    EXPECT_EQ(CountColor(*device, {160, 160, 180, 180}, RGB(0, 255, 0)), 400);
    EXPECT_EQ(CountColor(*device, {180, 160, 200, 180}, RGB(0, 0, 0)), 400);
    // Playback leaves the context's own state alone.
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
}

TEST(MetafileTest, TextRecordsDrawWithTheMetafilesFont) {
    WmfWriter w;
    w.Record(META_SETWINDOWEXT, {100, 100});
    const char face[] = "DejaVu Sans";
    w.Record(META_CREATEFONTINDIRECT, {WORD(-40), 0, 0, 0, 400, 0, 0, 0, 0}, face, sizeof face);
    w.Record(META_SELECTOBJECT, {0});
    w.Record(META_SETTEXTALIGN, {TA_BASELINE});
    w.Record(META_SETBKMODE, {TRANSPARENT});
    w.Record(META_TEXTOUT, {1, 'H', 50, 10});  // length, "H" padded, y, x
    auto device = WhiteDevice(260, 260);
    CDC dc(*device);
    PlayOnto(dc, w.Finish(1));
    const RECT ink = InkBox(*device);
    // Logical height 40 is 80 device pixels; the baseline at logical 50 is device 120.
    EXPECT_EQ(ink.bottom, 120);
    EXPECT_NEAR(ink.bottom - ink.top, 0.729 * 80, 2);
    EXPECT_GE(ink.left, 40);
}

TEST(MetafileTest, ObjectsTakeTheLowestFreeSlot) {
    WmfWriter w;
    w.Record(META_SETWINDOWEXT, {100, 100});
    w.Brush(RGB(255, 0, 0)).Pen(PS_NULL, 0).Record(META_DELETEOBJECT, {0}).Brush(RGB(0, 255, 0));
    w.Record(META_SELECTOBJECT, {0});  // the green brush, in the freed slot
    w.Record(META_SELECTOBJECT, {1});
    w.Record(META_RECTANGLE, {51, 51, 10, 10});
    auto device = WhiteDevice(260, 260);
    CDC dc(*device);
    PlayOnto(dc, w.Finish(2));
    EXPECT_EQ(device->GetPixel(60, 60), RGB(0, 255, 0));
}

TEST(MetafileTest, NonMetafilesAreRefusedAndBrokenOnesPlayWithoutHarm) {
    const BYTE junk[20] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_EQ(SetMetaFileBitsEx(sizeof junk, junk), nullptr);
    EXPECT_EQ(SetMetaFileBitsEx(4, junk), nullptr);
    EXPECT_EQ(SetMetaFileBitsEx(0, nullptr), nullptr);
    EXPECT_FALSE(PlayMetaFile(nullptr, nullptr));
    EXPECT_FALSE(DeleteMetaFile(nullptr));
    const std::vector<BYTE> good = Drawing();
    auto device = WhiteDevice(100, 100);
    CDC dc(*device);
    // Every truncation, and every record made to claim a huge or tiny size.
    for (std::size_t n = 18; n < good.size(); n += 3) {
        HMETAFILE mf = SetMetaFileBitsEx(UINT(n), good.data());
        ASSERT_NE(mf, nullptr);
        dc.PlayMetaFile(mf);
        DeleteMetaFile(mf);
    }
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        std::vector<BYTE> bad = good;
        for (int k = 0; k < 6; ++k) bad[18 + random() % (bad.size() - 18)] = BYTE(random());
        HMETAFILE mf = SetMetaFileBitsEx(UINT(bad.size()), bad.data());
        ASSERT_NE(mf, nullptr);
        dc.PlayMetaFile(mf);
        DeleteMetaFile(mf);
    }
    // The context still works and its state is its own.
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_FALSE(dc.RestoreDC(-1));
}

}  // namespace
}  // namespace ksdvi::gdi

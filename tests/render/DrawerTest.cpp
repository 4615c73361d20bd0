// The painting drawer: fonts prepared from map entries, installed faces and the
// built-in table; glyphs at their baselines; rules never thinner than a dot;
// documents in Windows-font mode; units at the far end of the DVI range.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "render/BuiltinFaceTable.h"
#include "render/FontPainting.h"
#include "render/RenderedPage.h"
#include "stream/DeviceRounding.h"
#include "support/ScratchDocument.h"

namespace ksdvi::test {
namespace {

namespace gdi = ksdvi::gdi;

// Bounds of the dark pixels.
gdi::RECT Ink(Canvas const& canvas) {
    gdi::RECT r{canvas.Width(), canvas.Height(), -1, -1};
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.Dark(x, y))
                r = {std::min<gdi::LONG>(r.left, x), std::min<gdi::LONG>(r.top, y), std::max<gdi::LONG>(r.right, x),
                     std::max<gdi::LONG>(r.bottom, y)};
    return r;
}

TEST(DrawerSetUp, DotsFromThePreambleDeviceZoomAndOffset) {
    ScratchDocument doc(OnePage(DviBuilder{}.Rule(1, 1)));
    Canvas canvas(10, 10, 96);
    KsDviDrawer drawer;
    ASSERT_EQ(drawer.Open(canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 0, 0, 0, String8()), 1);
    EXPECT_EQ(drawer.hDot(4736287), 96);
    EXPECT_EQ(drawer.hDot(-1), 0);
    EXPECT_EQ(drawer.hDvi(96), 4736287);
    drawer.Close();
    ASSERT_EQ(drawer.Open(canvas.dc, doc.dvi, 0, fpreal4::FromRaw(20000), 7, 0, 0, String8()), 1);
    EXPECT_EQ(drawer.hDot(4736287), 192 + 7);
    EXPECT_EQ(drawer.Open(canvas.dc, doc.dvi, 3, fpreal4::FromRaw(10000), 0, 0, 0, String8()), 0);
}

// Without a map: cmr10's outline font is registered and drawn by that name;
// which fonts METAFONT's bitmaps paint, ksdvi info shows (tests/tools).
TEST(DrawerSetUp, FacesFromTheInstallationAndTheBuiltInTable) {
    std::string path = Fonts().GetKPathSea().Find("cmr10.pfb", KPathSea::Format::Type1);
    ASSERT_FALSE(path.empty());
    gdi::AddFontResourceExA(path.c_str(), gdi::FR_PRIVATE, nullptr);
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(0, "cmr10").FntDef(3, "kstest")));
    KsDvi::ItrnFont const& cmr10 = *doc.dvi.GetExtFontIndex()[0];
    FontPainting painting = ChooseFontPainting(doc.dvi, cmr10, 96);
    EXPECT_EQ(painting.kind, FontPainting::Kind::Outline);
    ASSERT_TRUE(painting.face);
    EXPECT_EQ(painting.face->Path(), path);
    // Its own proportions, 10pt tall.
    DeviceFont face =
        SingleByteDeviceFont(painting, cmr10, PixelMapping(doc.dvi, 96, 96, fpreal4::FromRaw(10000), 0, 0));
    EXPECT_EQ(face.em, 14);
    EXPECT_EQ(face.width, 0);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[3], nullptr);  // no metrics anywhere: no font to prepare

    // The table knows TeX's names whatever their case, and only whole names.
    ASSERT_NE(FindBuiltinFace("CMR10"), nullptr);
    EXPECT_STREQ(FindBuiltinFace("CMR10")->face, "Kestrel RM");
    EXPECT_EQ(FindBuiltinFace("cmr10x"), nullptr);
    EXPECT_EQ(FindBuiltinFace(nullptr), nullptr);
}

TEST(DrawerPaint, GlyphBaselineAtTheDviPosition) {
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(0, "cmr10", 20 * 65536).Op(171).Op(133).Op('x')), {}, Kpathsea(),
                        &Fonts().GetMap());
    Canvas canvas(300, 300, 96);
    ASSERT_EQ(canvas.Draw(doc.dvi, 0, 100, 200), 1);
    gdi::RECT ink = Ink(canvas);
    EXPECT_EQ(ink.bottom, 199);  // sits on the baseline at y = 200
    EXPECT_GE(ink.left, 100);
    EXPECT_LE(ink.left, 102);
    int xHeight = static_cast<int>(std::lround(doc.dvi.GetExtFontIndex()[0]->GetCharHeight('x') * 96 / kSpPerInch));
    EXPECT_NEAR(ink.bottom - ink.top + 1, xHeight, 1);
}

TEST(DrawerPaint, MapEntriesShiftAndSlantGlyphs) {
    TempFile mapFile(".map");
    mapFile.WriteText(
        "cmr10 { fontname = 'CMR10', fontfile = 'cmr10.pfb', encoding = 'raw', vadjustment = '-0.5' }\n"
        "cmr12 { fontname = 'CMR10', fontfile = 'cmr10.pfb', encoding = 'raw', slant = 'true' }\n");
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendPdftexMapFile(Fonts().GetInstalledMapPath().c_str()), 1);
    ASSERT_EQ(map.AppendTTFMapFile(mapFile.Path().c_str()), 1);

    // An l at 40pt: its ink, and how far its stem leans between a quarter
    // and three quarters down (between the serifs).
    struct Stem {
        gdi::RECT ink;
        int lean;
    };
    auto draw = [&](char const* font) {
        ScratchDocument doc(OnePage(DviBuilder{}.FntDef(0, font, 40 * 65536).Op(171).Op(133).Op('l')), {}, Kpathsea(),
                            &map);
        Canvas canvas(200, 200, 96);
        EXPECT_EQ(canvas.Draw(doc.dvi, 0, 50, 150), 1);
        gdi::RECT ink = Ink(canvas);
        auto leftmost = [&](long y) {
            int x = 0;
            while (x < 200 && !canvas.Dark(x, static_cast<int>(y))) ++x;
            return x;
        };
        long height = ink.bottom - ink.top;
        return Stem{ink, leftmost(ink.top + height / 4) - leftmost(ink.top + 3 * height / 4)};
    };
    Stem shifted = draw("cmr10");
    // Half the size (40pt = 53 dots at 96 dpi) higher: the baseline moves from 150 to 123.
    EXPECT_NEAR(shifted.ink.bottom, 150 - 1 - 27, 1);
    EXPECT_LE(std::abs(shifted.lean), 1);
    Stem slanted = draw("cmr12");
    EXPECT_NEAR(slanted.ink.bottom, 149, 1);
    // The top of a slanted stem lies right of its foot: a dot every four rows.
    EXPECT_NEAR(slanted.lean, (slanted.ink.bottom - slanted.ink.top) / 2 / 4.0, 1.0);
}

TEST(DrawerPaint, RulesCoverAtLeastOneDot) {
    DviBuilder b;
    b.Rule(1, 1);                            // at h = 0
    b.Op(146).U(493363, 4);                  // right 10 dots
    b.Rule(0, 986726, true);                 // nothing drawn, 20 dots further
    b.Rule(4736287 / 4, 4736287 / 2, true);  // a quarter inch high, half an inch wide
    ScratchDocument doc(OnePage(b));
    Canvas canvas(200, 200, 96);
    ASSERT_EQ(canvas.Draw(doc.dvi, 0, 20, 100), 1);
    // The 1 x 1 DVI unit rule is one dot above the baseline, the empty rule
    // draws nothing, the last covers rows 76 to 99 and columns 50 to 97.
    using Dot = std::tuple<int, int, bool>;  // x, y, dark
    for (auto [x, y, dark] :
         {Dot{20, 99, true}, Dot{21, 99, false}, Dot{20, 100, false}, Dot{40, 99, false}, Dot{50, 76, true},
          Dot{97, 99, true}, Dot{98, 99, false}, Dot{50, 75, false}, Dot{49, 99, false}})
        EXPECT_EQ(canvas.Dark(x, y), dark) << "(" << x << ", " << y << ")";
}

// The background fills the whole page, also one more than 10000 pixels high
// (A4 at 1200 dpi).
TEST(DrawerPaint, BackgroundFillsPagesOfAnyHeight) {
    ScratchDocument doc(OnePage(DviBuilder{}.Special("background rgb 1 1 0")));
    Canvas canvas(20, 14100, 1200);
    ASSERT_EQ(canvas.Draw(doc.dvi, 0, 0, 0), 1);
    EXPECT_EQ(canvas.Pixel(10, 10), RGB(255, 255, 0));
    EXPECT_EQ(canvas.Pixel(10, 14050), RGB(255, 255, 0));
}

TEST(DrawerPaint, WindowsFontDocumentsDrawInRecordUnits) {
    // No font definitions: the document is drawn with the face records name,
    // its height converted from record units to pixels.
    DviBuilder b;
    b.Special(std::string("#\0\0\x05\xA0", 5));  // 1440 record units per inch
    b.Special(std::string("#\0\2\0\0\0\0DejaVu Sans", 18));
    b.Special(std::string("#\0\3\0\0\0\0", 7));
    b.Special(std::string("#\0\5\x02\xD0", 5));               // height 720: half an inch, 48 pixels
    b.Op(146).U(1440, 4).Op(160).U(2880, 4).Op(133).Op('H');  // right4, down4, put1
    ScratchDocument doc(OnePage(b));
    doc.dvi.SetFaceQuery(
        [](KsDvi::CDC* dc, char const* face) { return gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
    Canvas canvas(300, 300, 96);
    ASSERT_EQ(canvas.Draw(doc.dvi, 0, 0, 0), 1);
    EXPECT_EQ(doc.dvi.GetWinFont(), 1);
    gdi::RECT ink = Ink(canvas);
    EXPECT_GE(ink.left, 96);
    EXPECT_LE(ink.left, 100);
    EXPECT_EQ(ink.bottom, 191);  // baseline at y = 192
    // A capital of a 48-pixel font: more than half of it, not all.
    EXPECT_GT(ink.bottom - ink.top + 1, 24);
    EXPECT_LT(ink.bottom - ink.top + 1, 48);
    EXPECT_EQ(doc.dvi.GetWinFontTextState().charHeight, 48);
}

// num 2^31 - 1, den 1 and mag 10000 make every DVI length millions of dots
// long: positions and sizes in dots are held far outside the device instead
// of overflowing, and the page draws to its end.
TEST(DrawerPaint, ExtremeUnitsKeepDotsInsideTheirRange) {
    DviBuilder b;
    b.Pre(10000).Bop(1);
    b.Special(std::string("#\0\0\0\1", 5));  // record resolution 1: one inch per record unit
    b.Special("html:<a href=\"far\">");
    b.Op(160).U(0x7FFFFFF0, 4).Op(146).U(0x7FFFFFF0, 4);  // down4, right4
    b.Op('A');                                            // no fonts: a Windows-font character
    b.Rule(0x7FFFFFFF, 0x7FFFFFFF, true);
    b.Special("line: 0pt 0pt 1in 1in").Special("boxfill: -1in -1in 2in 2in 1pt 1pt 1 0 0");
    b.Special("html:</a>").Special("hypertext: 2147483647 -2147483648 2147483647 2147483647 ref=x");
    std::vector<uint8_t> bytes = b.Eop().Post().bytes, units = DviBuilder().U(0x7FFFFFFF, 4).U(1, 4).bytes;
    std::copy(units.begin(), units.end(), bytes.begin() + 2);
    ScratchDocument doc(bytes);
    ASSERT_EQ(doc.dvi.GetNPage(), 1);
    Canvas canvas(64, 64, 72);
    KsDviDrawer drawer;
    ASSERT_TRUE(drawer.Open(canvas.dc, doc.dvi, 0, fpreal4::FromDouble(1.0), 72, 72, 0, String8()));
    EXPECT_EQ(drawer.Draw(-1), 1);
    ASSERT_EQ(drawer.GetHyLinkList().GetCount(), 2);
    for (KsDviDrawer::HyLinkInfo const* link : drawer.GetHyLinkList()) {
        for (KsDviDrawer::LinkRect const& r : link->rects) {
            EXPECT_LE(std::abs(static_cast<double>(r.x)), 2 * DeviceLimit);
            EXPECT_LE(std::abs(static_cast<double>(r.y)), 2 * DeviceLimit);
            EXPECT_GE(r.w, 0);
            EXPECT_GE(r.h, 0);
        }
    }
    drawer.Close();
}

}  // namespace
}  // namespace ksdvi::test

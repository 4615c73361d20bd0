// The painting drawer: fonts prepared from map entries, installed faces and the
// built-in table; glyphs at their baselines; rules never thinner than a dot;
// documents in Windows-font mode.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "HostFonts.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "render/BuiltinFaceTable.h"
#include "render/KsDviDrawer.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

namespace gdi = ksdvi::gdi;

namespace {

constexpr double kSpPerInch = 4736286.72;

// A one-page document built from `body`, its fonts found with kpathsea; with a
// map, the map's faces (and TeX's own outline fonts registered as private fonts).
class Document {
public:
    Document(DviBuilder const& body, HostFonts* host = nullptr, KsDviTTFMap* map = nullptr) {
        DviBuilder b;
        b.Pre().Bop(1);
        b.bytes.insert(b.bytes.end(), body.bytes.begin(), body.bytes.end());
        b.Eop().Post();
        file_ = std::make_unique<TempFile>(b.bytes);
        dvi.SetKPathSea(host ? &host->Finder() : &finder_);
        if (map)
            dvi.SetDviTTFMap(map);
        else if (host)
            dvi.SetDviTTFMap(&host->Map());
        dvi.Open(String8(file_->Path().c_str()), {}, {});
        dvi.NewPageWritten(0);
        if (host) host->RegisterFontFiles(dvi);
    }
    KsDvi::ItrnFont const* Font(int number) const { return dvi.GetExtFontIndex()[number]; }
    KsDvi dvi;

private:
    KPathSea finder_;
    std::unique_ptr<TempFile> file_;
};

// A white device of `w` x `h` pixels at `dpi`, with the page drawn on it.
struct Canvas {
    Canvas(int w, int h, int dpi = 96) {
        gdi::RasterDeviceSpec spec;
        spec.width = w;
        spec.height = h;
        spec.dpiX = spec.dpiY = dpi;
        device = gdi::RasterDevice::Create(spec);
        dc = std::make_unique<gdi::CDC>(*device);
    }
    bool Dark(int x, int y) const { return gdi::GetRValue(device->GetPixel(x, y)) < 128; }
    // Bounds of the dark pixels, or an empty box.
    gdi::RECT Ink() const {
        gdi::RECT r{device->Width(), device->Height(), -1, -1};
        for (int y = 0; y < device->Height(); ++y)
            for (int x = 0; x < device->Width(); ++x)
                if (Dark(x, y)) {
                    r.left = std::min<long>(r.left, x);
                    r.top = std::min<long>(r.top, y);
                    r.right = std::max<long>(r.right, x);
                    r.bottom = std::max<long>(r.bottom, y);
                }
        return r;
    }
    std::unique_ptr<gdi::RasterDevice> device;
    std::unique_ptr<gdi::CDC> dc;
};

TEST(DrawerSetUp, ScaleFactorsComeFromThePreambleDeviceAndZoom) {
    Document doc(DviBuilder{}.Rule(1, 1));
    Canvas canvas(10, 10);
    KsDviDrawer drawer;
    ASSERT_EQ(drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 0, 0, 0, String8()), 1);
    EXPECT_NEAR(drawer.GethPixPerDvi(), 96 / kSpPerInch, 1e-15);
    EXPECT_EQ(drawer.hDot(4736287), 96);
    EXPECT_EQ(drawer.hDot(-1), 0);
    EXPECT_EQ(drawer.dhDot(1), 1);
    EXPECT_EQ(drawer.hDvi(96), 4736287);
    drawer.Close();
    ASSERT_EQ(drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(20000), 7, 0, 0, String8()), 1);
    EXPECT_EQ(drawer.hDot(4736287), 192 + 7);
    EXPECT_EQ(drawer.Open(*canvas.dc, doc.dvi, 3, fpreal4::FromRaw(10000), 0, 0, 0, String8()), 0);
}

TEST(DrawerSetUp, FacesFromTheInstallationAndTheBuiltInTable) {
    // Without a map: cmr10's outline font is registered, cmss12's is not.
    HostFonts host;
    std::string path = host.FindFontFile("cmr10.pfb");
    ASSERT_FALSE(path.empty());
    gdi::AddFontResourceExA(path.c_str(), gdi::FR_PRIVATE, nullptr);
    DviBuilder b;
    b.FntDef(0, "cmr10").FntDef(2, "cmss12", 786432).FntDef(3, "kstest");
    Document doc(b);
    Canvas canvas(10, 10);
    KsDviDrawer drawer;
    ASSERT_EQ(drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 0, 0, 0, String8()), 1);
    double v = drawer.GetvPixPerDvi(), h = drawer.GethPixPerDvi();

    // cmr10 is an installed face of that name: its own proportions, the font's size.
    gdi::LOGFONTA lf{};
    ASSERT_NE(drawer.GetpSBFont(*doc.Font(0)), nullptr);
    drawer.GetpSBFont(*doc.Font(0))->GetLogFont(&lf);
    EXPECT_STRCASEEQ(lf.lfFaceName, "cmr10");
    EXPECT_EQ(lf.lfHeight, -static_cast<long>(std::ceil(655360 * v)));
    EXPECT_EQ(lf.lfWidth, 0);

    // cmss12 has no outline font registered here: the built-in table names its
    // face and narrows it to the font's set width.
    drawer.GetpSBFont(*doc.Font(2))->GetLogFont(&lf);
    EXPECT_STREQ(lf.lfFaceName, "Kestrel SS");
    EXPECT_EQ(lf.lfWidth, static_cast<long>(std::ceil(static_cast<int>(786432 * 0.536) * h)));
    EXPECT_EQ(lf.lfHeight, -static_cast<long>(std::ceil(786432 * v)));
    drawer.Close();
    EXPECT_EQ(doc.Font(3), nullptr);  // no metrics anywhere: no font to prepare
}

TEST(BuiltinFaceTable, StandardTeXNamesWithoutRegardToCase) {
    EXPECT_EQ(BuiltinFaceCount(), 167);
    ASSERT_NE(FindBuiltinFace("CMR10"), nullptr);
    EXPECT_STREQ(FindBuiltinFace("CMR10")->face, "Kestrel RM");
    EXPECT_STREQ(FindBuiltinFace("cmssu30")->face, "Kestrel SS ");
    EXPECT_EQ(FindBuiltinFace("cmbxti12")->weight, 700);
    EXPECT_EQ(FindBuiltinFace("cmbxti12")->italic, 1);
    EXPECT_DOUBLE_EQ(FindBuiltinFace("cmbxti12")->widthFactor, 0.656);
    EXPECT_EQ(FindBuiltinFace("cmr10x"), nullptr);
    EXPECT_EQ(FindBuiltinFace(nullptr), nullptr);
}

TEST(DrawerPaint, GlyphBaselineAtTheDviPosition) {
    HostFonts host;
    DviBuilder b;
    b.FntDef(0, "cmr10", 20 * 65536).Op(171).Op(133).Op('x');  // put: no advance
    Document doc(b, &host);
    Canvas canvas(300, 300);
    KsDviDrawer drawer;
    ASSERT_EQ(drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 100, 200, 0, String8()), 1);
    drawer.Draw(-1);
    drawer.Close();
    gdi::RECT ink = canvas.Ink();
    EXPECT_EQ(ink.bottom, 199);  // sits on the baseline at y = 200
    EXPECT_GE(ink.left, 100);
    EXPECT_LE(ink.left, 102);
    int xHeight = static_cast<int>(std::lround(doc.Font(0)->GetCharHeight('x') * 96 / kSpPerInch));
    EXPECT_NEAR(ink.bottom - ink.top + 1, xHeight, 1);
}

TEST(DrawerPaint, MapEntriesShiftAndSlantGlyphs) {
    HostFonts host;
    TempFile mapFile(".map");
    std::string text =
        "cmr10 { fontname = 'CMR10', encoding = 'raw', vadjustment = '-0.5' }\n"
        "cmr12 { fontname = 'CMR10', encoding = 'raw', slant = 'true' }\n";
    mapFile.Write({text.begin(), text.end()});
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendTTFMapText(host.Installed().AllEntriesText()), 1);
    ASSERT_EQ(map.AppendTTFMapFile(mapFile.Path().c_str()), 1);

    auto inkOf = [&](char const* font) {
        DviBuilder b;
        b.FntDef(0, font, 40 * 65536).Op(171).Op(133).Op('l');
        Document doc(b, &host, &map);
        Canvas canvas(200, 200);
        KsDviDrawer drawer;
        drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 50, 150, 0, String8());
        drawer.Draw(-1);
        drawer.Close();
        struct Result {
            gdi::RECT ink;
            int topLeft, bottomLeft;
        } r{canvas.Ink(), 0, 0};
        auto leftmost = [&](int y) {
            for (int x = 0; x < 200; ++x)
                if (canvas.Dark(x, y)) return x;
            return -1;
        };
        // Between the serifs: a quarter and three quarters down the stem.
        long height = r.ink.bottom - r.ink.top;
        r.topLeft = leftmost(static_cast<int>(r.ink.top + height / 4));
        r.bottomLeft = leftmost(static_cast<int>(r.ink.top + 3 * height / 4));
        return r;
    };
    auto shifted = inkOf("cmr10");
    // Half the size (40pt = 53 dots at 96 dpi) higher: the baseline moves from 150 to 123.
    EXPECT_NEAR(shifted.ink.bottom, 150 - 1 - 27, 1);
    auto slanted = inkOf("cmr12");
    EXPECT_NEAR(slanted.ink.bottom, 149, 1);
    // The top of a slanted stem lies right of its foot: a dot every four rows.
    long rows = (slanted.ink.bottom - slanted.ink.top) / 2;
    EXPECT_NEAR(slanted.topLeft - slanted.bottomLeft, rows / 4.0, 1.0);
    EXPECT_LE(std::abs(shifted.topLeft - shifted.bottomLeft), 1);
}

TEST(DrawerPaint, RulesCoverAtLeastOneDot) {
    DviBuilder b;
    b.Rule(1, 1);                            // at h = 0
    b.Op(146).U(493363, 4);                  // right 10 dots
    b.Rule(0, 986726, true);                 // nothing drawn, 20 dots further
    b.Rule(4736287 / 4, 4736287 / 2, true);  // a quarter inch high, half an inch wide
    Document doc(b);
    Canvas canvas(200, 200);
    KsDviDrawer drawer;
    drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 20, 100, 0, String8());
    drawer.Draw(-1);
    drawer.Close();
    EXPECT_TRUE(canvas.Dark(20, 99));  // 1 x 1 DVI unit: one dot above the baseline
    EXPECT_FALSE(canvas.Dark(21, 99));
    EXPECT_FALSE(canvas.Dark(20, 100));
    EXPECT_FALSE(canvas.Dark(40, 99));  // the empty rule drew nothing
    // rows 76 to 99, columns 50 to 97
    EXPECT_TRUE(canvas.Dark(50, 76));
    EXPECT_TRUE(canvas.Dark(97, 99));
    EXPECT_FALSE(canvas.Dark(98, 99));
    EXPECT_FALSE(canvas.Dark(50, 75));
    EXPECT_FALSE(canvas.Dark(49, 99));
}

TEST(DrawerPaint, WindowsFontDocumentsDrawInRecordUnits) {
    // No font definitions: the document is drawn with the face records name.
    DviBuilder b;
    b.Special(std::string("#\0\0\x05\xA0", 5));  // 1440 record units per inch
    b.Special(std::string("#\0\2\0\0\0\0DejaVu Sans", 18));
    b.Special(std::string("#\0\3\0\0\0\0", 7));
    b.Special(std::string("#\0\5\0\x30", 5));                 // height 48
    b.Op(146).U(1440, 4).Op(160).U(2880, 4).Op(133).Op('H');  // right4, down4, put1
    Document doc(b);
    doc.dvi.SetFaceQuery(
        [](KsDvi::CDC* dc, char const* face) { return gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
    Canvas canvas(300, 300);
    KsDviDrawer drawer;
    ASSERT_EQ(drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 0, 0, 0, String8()), 1);
    EXPECT_EQ(doc.dvi.GetWinFont(), 1);
    EXPECT_EQ(drawer.IsWinFont(), 1);
    drawer.Draw(-1);
    drawer.Close();
    gdi::RECT ink = canvas.Ink();
    EXPECT_GE(ink.left, 96);
    EXPECT_LE(ink.left, 100);
    EXPECT_EQ(ink.bottom, 191);  // baseline at y = 192
}

TEST(DrawerPaint, SetPenBrushTakesTheLowBytes) {
    Document doc(DviBuilder{}.Rule(20 * 65536, 20 * 65536));
    Canvas canvas(100, 100);
    KsDviDrawer drawer;
    drawer.Open(*canvas.dc, doc.dvi, 0, fpreal4::FromRaw(10000), 10, 50, 0, String8());
    drawer.SetPenBrush(0x1FF, 0x100, 0x180);
    EXPECT_EQ(drawer.GetCurColor(), gdi::RGB(0xFF, 0, 0x80));
    drawer.Draw(-1);
    drawer.Close();
    EXPECT_EQ(canvas.device->GetPixel(15, 45), gdi::RGB(0xFF, 0, 0x80));
}

}  // namespace

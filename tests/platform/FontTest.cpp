// Text placement, font sizes and shapes, face lookup and private fonts.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/FontCatalog.h"
#include "support/Cli.h"

namespace ksdvi::gdi {
namespace {

using test::InkBox;
using test::WhiteDevice;

// Registers the TeX installation's cmr10.pfb once for the process.
bool RegisterCmr10() {
    static const bool registered = [] {
        std::string file = RunCommand("kpsewhich cmr10.pfb 2>/dev/null");
        file = file.substr(0, file.find('\n'));
        return !file.empty() && AddFontResourceExA(file.c_str(), FR_PRIVATE, nullptr) > 0;
    }();
    return registered;
}

LOGFONTA Font(const char* face, int height, int width = 0, int escapement = 0, int weight = FW_NORMAL,
              BYTE italic = 0) {
    LOGFONTA lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = lf.lfOrientation = escapement;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    std::snprintf(lf.lfFaceName, LF_FACESIZE, "%s", face);
    return lf;
}

// Draws one string with a font on a fresh device.
std::unique_ptr<RasterDevice> Draw(const LOGFONTA& lf, const char16_t* text, int x = 100, int y = 200,
                                   UINT align = TA_BASELINE) {
    auto device = WhiteDevice(400, 400);
    CDC dc(*device);
    CFont font;
    font.CreateFontIndirectA(&lf);
    dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(align);
    dc.ExtTextOutW(x, y, 0, nullptr, text, UINT(std::char_traits<char16_t>::length(text)), nullptr);
    return device;
}

TEXTMETRICA Metrics(const LOGFONTA& lf) {
    auto device = WhiteDevice(10, 10);
    CDC dc(*device);
    CFont font;
    font.CreateFontIndirectA(&lf);
    dc.SelectObject(&font);
    TEXTMETRICA tm;
    EXPECT_TRUE(dc.GetTextMetricsA(&tm));
    return tm;
}

RECT Ink(const LOGFONTA& lf, const char16_t* text, int x = 100, int y = 200, UINT align = TA_BASELINE) {
    return InkBox(*Draw(lf, text, x, y, align));
}

// The ink of the top rows of a drawing.
RECT TopInk(const RasterDevice& device, int rows) {
    const RECT all = InkBox(device);
    const RECT top{0, all.top, device.Width(), all.top + rows};
    return InkBox(device, &top);
}

class EmSizeTest : public testing::TestWithParam<int> {};

TEST_P(EmSizeTest, NegativeHeightIsTheEm) {
    const int n = GetParam();
    const LOGFONTA lf = Font("DejaVu Sans", -n);
    const TEXTMETRICA tm = Metrics(lf);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, n);
    // DejaVu Sans draws its capitals 0.729 em high.
    const RECT h = Ink(lf, u"H");
    EXPECT_NEAR(h.bottom - h.top, 0.729 * n, 1.5);
    EXPECT_EQ(h.bottom, 200);  // on the baseline
}

INSTANTIATE_TEST_SUITE_P(Sizes, EmSizeTest, testing::Values(12, 37, 100));

TEST(FontTest, PositiveHeightIsTheCell) {
    const TEXTMETRICA tm = Metrics(Font("DejaVu Sans", 50));
    EXPECT_NEAR(tm.tmHeight, 50, 1);
    EXPECT_GT(tm.tmInternalLeading, 0);
}

TEST(FontTest, WidthScalesTheFaceHorizontally) {
    const RECT natural = Ink(Font("DejaVu Sans", -60), u"HHH");
    const TEXTMETRICA tm = Metrics(Font("DejaVu Sans", -60));
    const RECT squeezed = Ink(Font("DejaVu Sans", -60, tm.tmAveCharWidth / 2), u"HHH");
    EXPECT_NEAR(double(squeezed.right - squeezed.left) / (natural.right - natural.left), 0.5, 0.05);
    EXPECT_NEAR(squeezed.bottom - squeezed.top, natural.bottom - natural.top, 1);
}

TEST(FontTest, EscapementTurnsTheTextCounterClockwise) {
    const RECT flat = Ink(Font("DejaVu Sans", -30), u"HHHHH");
    const RECT up = Ink(Font("DejaVu Sans", -30, 0, 900), u"HHHHH");
    EXPECT_GT(flat.right - flat.left, flat.bottom - flat.top);
    EXPECT_GT(up.bottom - up.top, up.right - up.left);
    // Turned up from the baseline point: the ink rises above y and stays left of x.
    EXPECT_LE(up.bottom, 201);
    EXPECT_LE(up.right, 101);
}

TEST(FontTest, SyntheticBoldAndObliqueChangeTheInk) {
    // CMR10 has neither a bold nor an italic face: both are made up.
    if (!RegisterCmr10()) GTEST_SKIP() << "no TeX fonts";
    const auto plain = Draw(Font("CMR10", -80), u"l");
    const RECT bold = Ink(Font("CMR10", -80, 0, 0, FW_BOLD), u"l");
    const auto oblique = Draw(Font("CMR10", -80, 0, 0, FW_NORMAL, 1), u"l");
    EXPECT_GT(bold.right - bold.left, InkBox(*plain).right - InkBox(*plain).left);
    // Leaning right: the top of the stem moves right by about a fifth of its
    // height, the foot stays.
    const int height = InkBox(*plain).bottom - InkBox(*plain).top;
    EXPECT_NEAR(TopInk(*oblique, 3).left - TopInk(*plain, 3).left, 0.2 * height, 3);
    EXPECT_EQ(InkBox(*oblique).bottom, InkBox(*plain).bottom);
}

TEST(FontTest, TeXType1FaceIsFoundByPostScriptNameAndMapsItsOwnEncoding) {
    if (!RegisterCmr10()) GTEST_SKIP() << "no TeX fonts";
    LOGFONTA found;
    ASSERT_EQ(FindTrueTypeFace(nullptr, "CMR10", &found), 1);
    EXPECT_EQ(FindTrueTypeFace(nullptr, "cmr10", nullptr), 1);  // case does not matter
    EXPECT_TRUE(IsFaceInstalled("CMR10"));
    // Code 0x0B is the ff ligature in cmr10's encoding, 0x41 is A: both draw.
    for (const char16_t code : {u'\x0B', u'A', u'\xF041'}) {
        const char16_t text[2] = {code, 0};
        const RECT ink = Ink(Font(found.lfFaceName, -60), text);
        EXPECT_GT(ink.right - ink.left, 10) << int(code);
        EXPECT_EQ(ink.bottom, 200) << int(code);
    }
    // The ligature is wider than one f.
    const RECT ff = Ink(Font("CMR10", -60), u"\x0B"), f = Ink(Font("CMR10", -60), u"f");
    EXPECT_GT(ff.right - ff.left, f.right - f.left + 10);
}

TEST(FontTest, FamilyNamesPickTheNearestStyle) {
    // "DejaVu Sans" is also the full name of the regular face; bold must still
    // reach the bold face rather than a made-up one.
    for (const auto& [name, weight, file] :
         {std::tuple{"DejaVu Sans", FW_BOLD, "DejaVuSans-Bold.ttf"}, {"dejavu sans", FW_NORMAL, "DejaVuSans.ttf"}}) {
        const auto face = FontCatalog::Instance().ResolveFace(name, weight, false);
        ASSERT_TRUE(face) << name;
        EXPECT_EQ(std::filesystem::path(face->file).filename(), file);
    }
}

TEST(FontTest, MissingFaceIsSubstituted) {
    EXPECT_EQ(FindTrueTypeFace(nullptr, "No Such Face Anywhere", nullptr), 0);
    const RECT ink = Ink(Font("No Such Face Anywhere", -40), u"H");
    EXPECT_GT(ink.right - ink.left, 5);
    EXPECT_EQ(ink.bottom, 200);
}

}  // namespace
}  // namespace ksdvi::gdi

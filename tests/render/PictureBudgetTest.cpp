// The raster pictures of a page within its picture budget and time limit.
// The pictures declare far more pixels than a page shows: a JPEG made at
// 16 x 16 and given a frame of 16000 x 16000 (its data ends after the first
// blocks, the rest is mid-grey), 12000pt at 96 pixels to the inch, and a PNG
// of 8000 x 8000 of one grey, 6000pt. Shown in an inch they are decoded small
// and drawn; shown at their own size they would take gigabytes and are left
// out with the reason.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "render/RenderedPage.h"
#include "support/PictureFiles.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace ksdvi::test {
namespace {

using Problems = std::vector<std::pair<std::string, std::string>>;

constexpr COLORREF kPngGrey = RGB(160, 160, 160), kJpegGrey = RGB(128, 128, 128);

// The two pictures, made once in a directory of their own.
struct Pictures {
    Pictures() {
        WriteFileBytes(jpeg, DeclaringJpeg(16000, 16000));
        WriteFileBytes(png, MakePng(8000, 8000, OneColour(160, 0, 0), true));
        // A PDF page Ghostscript made, and files that only look like one.
        std::system(("ps2pdf -dEPSCrop " + std::string(KSDVI_TEST_DATA) + "/pictures/shapes.eps " + pdf).c_str());
        std::string const noise = "%PDF-1.4\n" + std::string(3000, '\x9c') + "\n%%EOF\n";
        WriteFileBytes(damagedPdf, Bytes(noise.begin(), noise.end()));
    }
    TempDir dir;
    std::string jpeg = dir / "declaring.jpg", png = dir / "grey.png";
    std::string pdf = dir / "shapes.pdf", damagedPdf = dir / "damaged.pdf";
};

Pictures const& Files() {
    static Pictures const pictures;
    return pictures;
}

// A picture at (x, y) points from the DVI origin, shown `points` wide and
// high; 0 shows it at its own size.
std::string Graphics(std::string const& type, std::string const& file, int x, int y, int points) {
    std::string const natural = type == "PNG" ? "6000pt" : "12000pt";
    std::string const shown = points ? std::to_string(points) + "pt" : natural;
    return "graphics: " + std::to_string(x) + "pt " + std::to_string(y) + "pt " + natural + " " + natural + " " +
           shown + " " + shown + " " + type + " " + file;
}

// A page of `specials` drawn on letter paper at `dpi` with the DVI origin an
// inch from the corner, its pictures with them, by a drawer set up by `setUp`.
class PicturePage : public Canvas {
public:
    PicturePage(std::vector<std::string> const& specials, std::function<void(KsDviDrawer&)> const& setUp = {},
                int dpi = 72)
        : Canvas(17 * dpi / 2, 11 * dpi, dpi), doc_(Page(specials)) {
        // The pictures lie beside the scratch document, not in its directory.
        doc_.dvi.SetAllowedPaths({Files().dir.Path()});
        if (setUp) setUp(drawer_);
        EXPECT_EQ(drawer_.Open(dc, doc_.dvi, 0, fpreal4::FromRaw(10000), dpi, dpi, 0, String8()), 1);
        drawer_.Draw(-1);
        drawer_.DrawAllPictures(nullptr);
    }
    ~PicturePage() { drawer_.Close(); }

    KsDviDrawer& Drawer() { return drawer_; }
    Problems GetProblems() const {
        Problems problems;
        for (auto const& p : drawer_.GetPictureProblems()) problems.emplace_back(p.file, p.reason);
        return problems;
    }
    std::vector<int> Drawn() const {
        std::vector<int> drawn;
        for (KsDviDrawer::PictInfo const* p : drawer_.GetPictList()) drawn.push_back(p->drawn);
        return drawn;
    }

private:
    // Specials of any length: xxx4.
    static std::vector<uint8_t> Page(std::vector<std::string> const& specials) {
        DviBuilder b;
        for (std::string const& special : specials) {
            b.Op(242).U(static_cast<uint32_t>(special.size()), 4);
            b.bytes.insert(b.bytes.end(), special.begin(), special.end());
        }
        return OnePage(b);
    }
    ScratchDocument doc_;
    KsDviDrawer drawer_;
};

bool Near(COLORREF a, COLORREF b) {
    using gdi::GetBValue, gdi::GetGValue, gdi::GetRValue;
    return std::abs(int(GetRValue(a)) - GetRValue(b)) <= 2 && std::abs(int(GetGValue(a)) - GetGValue(b)) <= 2 &&
           std::abs(int(GetBValue(a)) - GetBValue(b)) <= 2;
}

// Six on a page, three of each, an inch each: all drawn in their boxes, the
// page's pictures taking a small part of the budget. The PNGs, decoded in
// blocks, take next to nothing; the JPEGs an eighth of their size each.
TEST(PictureBudget, PicturesShownSmallAreDecodedSmallAndDrawn) {
    std::vector<std::string> specials;
    for (int i = 0; i < 3; ++i) {
        specials.push_back(Graphics("JPEG", Files().jpeg, 100 * i, 0, 72));
        specials.push_back(Graphics("PNG", Files().png, 100 * i, 100, 72));
    }
    PicturePage page(specials);
    EXPECT_EQ(page.GetProblems(), Problems{});
    EXPECT_EQ(page.Drawn(), std::vector<int>(6, 1));
    EXPECT_LT(page.Drawer().GetPicturePeakBytes(), KsDviDrawer::kDefaultPictureBudget / 2);
    for (int i = 0; i < 3; ++i) {
        // The page's corner at (72, 72); a picture's box begins at its point
        // and runs an inch down and right. The JPEG's own blocks lie at the top.
        int left = 72 + 100 * i;
        EXPECT_TRUE(Near(page.Pixel(left + 36, 72 + 36), kJpegGrey)) << i;
        EXPECT_TRUE(Near(page.Pixel(left + 36, 172 + 36), kPngGrey)) << i;
        EXPECT_TRUE(Near(page.Pixel(left + 70, 172 + 70), kPngGrey)) << i;
        EXPECT_EQ(page.Pixel(left + 74, 172 + 36), kWhite) << "nothing right of the box " << i;
        EXPECT_EQ(page.Pixel(left + 36, 172 + 74), kWhite) << "nothing below the box " << i;
    }
    PicturePage pngs({Graphics("PNG", Files().png, 0, 0, 72), Graphics("PNG", Files().png, 100, 0, 72)});
    EXPECT_LT(pngs.Drawer().GetPicturePeakBytes(), uint64_t(1) << 20);
}

// Shown at their own size at 144 dpi (as large as a page shows anything,
// 4086pt, some 8000 pixels square) they are more than the page's budget:
// left out, each with the reason, nothing drawn and nothing counted. A
// picture shown small beside them is drawn all the same.
TEST(PictureBudget, PicturesBeyondTheBudgetAreLeftOutWithTheReason) {
    PicturePage page({Graphics("JPEG", Files().jpeg, 0, 0, 0), Graphics("PNG", Files().png, 0, 0, 0),
                      Graphics("PNG", Files().png, 300, 300, 72)},
                     {}, 144);
    EXPECT_EQ(page.GetProblems(), (Problems{{Files().jpeg, "larger than the page's picture memory"},
                                            {Files().png, "larger than the page's picture memory"}}));
    EXPECT_EQ(page.Drawn(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(page.Pixel(144 + 200, 144 + 200), kWhite);
    EXPECT_TRUE(Near(page.Pixel(144 + 672, 144 + 672), kPngGrey));
    EXPECT_LT(page.Drawer().GetPicturePeakBytes(), uint64_t(1) << 20);
}

// A picture's pixels are freed once it is drawn: pictures drawn one after
// another each get the budget, what the page holds at once stays within it.
TEST(PictureBudget, PicturesDrawnOneAfterAnotherEachGetTheBudget) {
    std::uint64_t const budget = uint64_t(40) << 20;
    auto room = [&](KsDviDrawer& drawer) { drawer.SetPictureBudget(budget); };
    PicturePage page({Graphics("JPEG", Files().jpeg, 0, 0, 72), Graphics("JPEG", Files().jpeg, 100, 0, 72),
                      Graphics("JPEG", Files().jpeg, 200, 0, 72)},
                     room);
    EXPECT_EQ(page.Drawn(), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(page.GetProblems(), Problems{});
    EXPECT_EQ(page.Drawer().GetPictureBytes(), 0u);
    EXPECT_GT(page.Drawer().GetPicturePeakBytes(), 0u);
    EXPECT_LE(page.Drawer().GetPicturePeakBytes(), budget);
}

// A picture whose decoding runs past the time limit is left out; with no
// time at all, every picture is. A limit past the clock's range is none.
TEST(PictureBudget, PicturesPastTheTimeLimitAreLeftOut) {
    auto noTime = [](KsDviDrawer& drawer) { drawer.SetPictureTimeLimit(std::chrono::milliseconds(0)); };
    PicturePage page({Graphics("PNG", Files().png, 0, 0, 72), Graphics("JPEG", Files().jpeg, 100, 0, 72)}, noTime);
    EXPECT_EQ(page.GetProblems(),
              (Problems{{Files().png, "not decoded within 0 s"}, {Files().jpeg, "not decoded within 0 s"}}));
    EXPECT_EQ(page.Drawer().GetPictureBytes(), 0u);
    auto endless = [](KsDviDrawer& drawer) { drawer.SetPictureTimeLimit(std::chrono::milliseconds::max()); };
    PicturePage drawn({Graphics("JPEG", Files().jpeg, 100, 0, 72)}, endless);
    EXPECT_EQ(drawn.GetProblems(), Problems{});
    EXPECT_EQ(drawn.Drawn(), std::vector<int>{1});
}

// A PDF page is drawn at its own size or the size given; a file that does
// not read as one, or lacks the page, is left out with the reason.
TEST(PictureBudget, PdfPagesThatDoNotReadAreLeftOutWithTheReason) {
    auto image = [](std::string const& keys, std::string const& file) {
        return "pdf:image " + keys + " (" + file + ")";
    };
    PicturePage page({image("matrix 1 0 0 1 0 0 page 0 pagebox cropbox", Files().pdf),
                      image("bbox 0 0 72 72 width 72pt", Files().pdf), image("page 2", Files().pdf),
                      image("page 1", Files().damagedPdf), image("bbox 0 0 72 72 width 72pt", Files().damagedPdf)});
    EXPECT_EQ(page.GetProblems(), (Problems{{Files().pdf, "has no page 2 that reads"},
                                            {Files().damagedPdf, "has no page 1 that reads"},
                                            {Files().damagedPdf, "Ghostscript read no page 1 in it"}}));
    EXPECT_EQ(page.Drawn(), (std::vector<int>{1, 1, 0, 0, 0}));
}

// A drawing record's JPEG is decoded at its own size, to be drawn at any size
// later: within the page's budget, or not at all. The JPEG declaring 16000 x
// 16000 draws nothing; a small one is drawn and counted.
TEST(PictureBudget, DrawingRecordPicturesAreDecodedWithinTheBudget) {
    auto record = [](unsigned opcode, Bytes const& fields) {
        return "GDI" + std::string{char(opcode >> 8), char(opcode & 0xFF)} + std::string(fields.begin(), fields.end());
    };
    // The whole DIB at (300, 300) record units, 300 by 300: an inch from the
    // paper's corner, an inch square.
    Bytes const place{1, 44, 1, 44, 1, 44, 1, 44};
    PicturePage large({record(0x800c, DeclaringJpeg(16000, 16000)), record(0x800e, place)});
    EXPECT_EQ(large.Drawer().GetPictureBytes(), 0u);
    EXPECT_EQ(large.Pixel(72 + 36, 72 + 36), kWhite);
    PicturePage small({record(0x800c, MakeJpeg(32, 32, OneColour(200, 40, 40))), record(0x800e, place)});
    EXPECT_GT(small.Drawer().GetPictureBytes(), 0u);
    EXPECT_TRUE(gdi::GetRValue(small.Pixel(72 + 36, 72 + 36)) > 150);
}

}  // namespace
}  // namespace ksdvi::test

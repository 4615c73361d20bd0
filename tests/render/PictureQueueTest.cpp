// Pictures named by the specials of the third page of graphics.tex: what is
// queued, where and at what scale, at 72 dpi (the DVI origin at (72, 72), an
// inch 72 pixels); the binary records' mask and watermark.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/PictureType.h"
#include "render/RenderedPage.h"

namespace ksdvi::test {
namespace {

constexpr int kNoBox = -1000000;

struct Queued {
    std::string file;
    int type;
    int anchorTop;
    int x, y;
    double xScale, yScale;
    int box[4];
};

TEST(PictureQueue, TextSpecialsQueueTheirPicturesInOrder) {
    RenderedPage page("graphics.dvi", 2, 72);
    ASSERT_TRUE(page.Opened());
    std::vector<Queued> const expected{
        // graphics: at (1in, 1in) + (0.3in, 0.2in), offsets rounded up;
        // 2in / 1in by 3in / 1in
        {"fig.png", kPicturePng, 1, 166, 159, 2.0, 3.0, {kNoBox, kNoBox, kNoBox, kNoBox}},
        // zero sizes scale by 1; the name is the rest of the special
        {"zero scales.bmp", kPictureBmp, 1, 144, 144, 1.0, 1.0, {kNoBox, kNoBox, kNoBox, kNoBox}},
        // plotfile at (2in, 2in) in the frame 144 by 72 over 72 by 72
        {"plot.eps", kPictureEps, 1, 216, 216, 2.0, 1.0, {kNoBox, kNoBox, kNoBox, kNoBox}},
        {"plot2.eps", kPictureEps, 1, 216, 216, 2.0, 1.0, {kNoBox, kNoBox, kNoBox, kNoBox}},
        // psfile at (1in, 3in) moved 36pt right and 72pt up; rwi 2000 over a
        // 100pt box scales both ways by 2
        {"quoted.eps", kPictureEps, 0, 180, 216, 2.0, 2.0, {0, 0, 100, 50}},
        {"v.eps", kPictureEps, 0, 144, 288, 1.0, 0.5, {kNoBox, kNoBox, kNoBox, kNoBox}},
    };
    std::vector<KsDviDrawer::PictInfo const*> queued(page.Drawer().GetPictList().begin(),
                                                     page.Drawer().GetPictList().end());
    ASSERT_EQ(queued.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        KsDviDrawer::PictInfo const& p = *queued[i];
        Queued const& e = expected[i];
        SCOPED_TRACE(e.file);
        EXPECT_EQ(std::string(p.fileName.view()), e.file);
        EXPECT_EQ((std::vector<int>{p.type, p.anchorTop, p.x, p.y, p.llx, p.lly, p.urx, p.ury, p.drawn}),
                  (std::vector<int>{e.type, e.anchorTop, e.x, e.y, e.box[0], e.box[1], e.box[2], e.box[3], 0}));
        EXPECT_NEAR(p.xScale, e.xScale, 1e-5);
        EXPECT_NEAR(p.yScale, e.yScale, 1e-5);
    }
}

// 72 record units an inch make record units pixels at 72 dpi.
TEST(PictureQueue, BinaryRecordsDrawAtOnceAndKeepMaskAndWatermark) {
    RenderedPage page("graphics.dvi", 2, 72);
    ASSERT_TRUE(page.Opened());
    // The code 16 picture consumed the first mask; the last one waits.
    KsDviDrawer::PictInfo const* mask = page.Drawer().GetMask();
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(std::string(mask->fileName.view()), "end.bmp");
    EXPECT_EQ(mask->type, kPictureBmp);

    KsDviDrawer::PictInfo const* watermark = page.Drawer().GetWaterMark();
    ASSERT_NE(watermark, nullptr);
    EXPECT_EQ(std::string(watermark->fileName.view()), "wm.gif");
    EXPECT_EQ(watermark->type, kPictureGif);
    // Record units, converted when drawn; an all-zero box marks the watermark.
    EXPECT_EQ(
        (std::vector<int>{watermark->x, watermark->y, watermark->llx, watermark->lly, watermark->urx, watermark->ury}),
        (std::vector<int>{72, 72, 0, 0, 0, 0}));
    EXPECT_EQ(watermark->xScale, -36);
    EXPECT_EQ(watermark->yScale, -36);

    // Records are drawn at once, never queued.
    for (KsDviDrawer::PictInfo const* p : page.Drawer().GetPictList())
        EXPECT_NE(std::string(p->fileName.view()), "pic.png");
}

}  // namespace
}  // namespace ksdvi::test

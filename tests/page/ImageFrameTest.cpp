// The pixels an image of a page shows, as dvipng frames them, and how its
// colours and transparency come from a page drawn black on white.

#include <gtest/gtest.h>

#include <vector>

#include "page/ImageColours.h"
#include "page/ImageFrame.h"
#include "page/InkBox.h"

namespace {

using ksdvi::ImageColours;
using ksdvi::ImageSize;
using ksdvi::PixelBox;

TEST(ImageFrame, InkBoxHoldsEveryPixelThatIsNotBackground) {
    struct Case {
        std::vector<std::pair<int, int>> ink;
        PixelBox box;
    } const cases[] = {
        {{}, PixelBox{}},
        {{{3, 2}}, PixelBox{3, 2, 4, 3}},
        {{{0, 0}, {9, 5}}, PixelBox{0, 0, 10, 6}},
        {{{4, 5}, {1, 3}, {7, 1}}, PixelBox{1, 1, 8, 6}},
    };
    int const width = 10, height = 6;
    for (Case const& c : cases) {
        // The top byte is not colour: a drawn page may leave anything there.
        std::vector<std::uint32_t> pixels(width * height, 0xAAFFFFFF);
        for (auto [x, y] : c.ink) pixels[size_t(y * width + x)] = 0x00808080;
        EXPECT_EQ(ksdvi::InkBox(pixels.data(), width, height, width, 0x00FFFFFF), c.box);
    }
}

TEST(ImageFrame, SizeKindsFrameInkOriginOrPaper) {
    double const pixelsPerSp = 100 / 4736286.72;  // 100 dpi
    PixelBox const ink{5, -12, 40, 4};            // a formula right of the origin, on its baseline
    ImageSize fixed{ImageSize::Kind::Fixed, 4736287, 2368143, 4736287, 4736287};  // 1in x 0.5in
    struct Case {
        ImageSize size;
        PixelBox ink;
        std::optional<PixelBox> preview;
        PixelBox frame;
    } const cases[] = {
        {ImageSize{ImageSize::Kind::Tight}, ink, std::nullopt, ink},
        {ImageSize{ImageSize::Kind::Bbox}, ink, std::nullopt, PixelBox{0, -12, 40, 4}},
        {ImageSize{ImageSize::Kind::Bbox}, PixelBox{-8, 3, -2, 9}, std::nullopt, PixelBox{-8, 0, 1, 9}},
        // A page without ink is the origin's pixel.
        {ImageSize{ImageSize::Kind::Tight}, PixelBox{}, std::nullopt, PixelBox{0, 0, 1, 1}},
        {fixed, ink, std::nullopt, PixelBox{-100, -100, 0, -50}},
        // preview's box wins over every size.
        {fixed, ink, PixelBox{-1, -14, 56, 6}, PixelBox{-1, -14, 56, 6}},
        {ImageSize{ImageSize::Kind::Tight}, ink, PixelBox{-1, -14, 56, 6}, PixelBox{-1, -14, 56, 6}},
    };
    for (Case const& c : cases) EXPECT_EQ(ksdvi::FrameOf(c.size, c.ink, c.preview, pixelsPerSp), c.frame);
}

TEST(ImageFrame, BaselineIsTheOriginsRow) {
    // dvipng's height counts the origin's row; depth the rows below it.
    struct Case {
        PixelBox image;
        ksdvi::ImageMetrics metrics;
    } const cases[] = {
        {PixelBox{0, -14, 55, 6}, {55, 15, 5}},
        {PixelBox{0, 0, 10, 1}, {10, 1, 0}},
        {PixelBox{-3, 91, 48, 101}, {51, -90, 100}},  // ink wholly below the origin
        {PixelBox{0, -20, 7, -4}, {7, 21, -5}},       // ink wholly above it
    };
    for (Case const& c : cases) EXPECT_EQ(ksdvi::MetricsOf(c.image), c.metrics);
}

TEST(ImageFrame, PreviewBoxRoundsOutwardsToWholePixels) {
    // preview's border of 0.50001bp around a box, at 120 dpi.
    double const dviPerPixel = 4736286.72 / 120;
    ksdvi::PreviewBox box{-32891, -32891, 32891, 32891, 533465, 127431, 2084863};
    PixelBox frame = ksdvi::PreviewPixels(box, dviPerPixel);
    // Whole pixels, each side beyond the box and its border.
    EXPECT_LE(frame.left * dviPerPixel, box.llx);
    EXPECT_GE(frame.right * dviPerPixel, box.width + box.urx);
    EXPECT_LE((frame.top - 1) * dviPerPixel, -(box.height + box.ury));
    EXPECT_GE((frame.bottom - 1) * dviPerPixel, box.depth - box.lly);
    // ... and by less than a pixel.
    EXPECT_GT((frame.left + 1) * dviPerPixel, box.llx);
    EXPECT_LT((frame.right - 1) * dviPerPixel, box.width + box.urx);
    EXPECT_GT(frame.top * dviPerPixel, -(box.height + box.ury));
    EXPECT_LT((frame.bottom - 2) * dviPerPixel, box.depth - box.lly);
}

TEST(ImageColours, OptionsNameColours) {
    struct Case {
        char const* text;
        std::optional<std::uint32_t> colour;
    } const cases[] =
        {
            {"#ff8000", 0xFF8000},          {"#FFFFFF", 0xFFFFFF},     {"rgb 1 1 1", 0xFFFFFF},
            {"rgb 0 0 1", 0x0000FF},        {"gray 0", 0x000000},      {"Red", 0xEE1C24},
            {"cmyk 0 1 1 0", 0xEE1C24},  // inks as Ghostscript shows them
            {"#12345", std::nullopt},       {"#12345g", std::nullopt}, {"rgb 1 1", std::nullopt},
            {"NoSuchColour", std::nullopt}, {"", std::nullopt},
        };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ksdvi::ParseColourOption(c.text), c.colour);
    }
}

TEST(ImageColours, CoverageBecomesAlphaOrBlendsOverTheBackground) {
    ImageColours alpha{0x0000FF, 0xFFFFFF, ImageColours::Transparency::Alpha};
    ImageColours binary{0x000000, 0xFFFF00, ImageColours::Transparency::Binary};
    ImageColours opaque{0x000000, 0xFFFF00, ImageColours::Transparency::None};
    using P = ksdvi::ImagePixel;
    struct Case {
        std::uint32_t drawn;
        ImageColours colours;
        P pixel;
    } const cases[] = {
        // Black ink takes the foreground at its coverage.
        {0xFFFFFF, alpha, P{255, 255, 255, 0}},
        {0x000000, alpha, P{0, 0, 255, 255}},
        {0x404040, alpha, P{0, 0, 255, 191}},
        // Coloured ink keeps its colour.
        {0xFF0000, alpha, P{255, 0, 0, 255}},
        {0xFF8080, alpha, P{255, 0, 0, 127}},
        // Without partial alpha: only the background goes.
        {0xFFFFFF, binary, P{255, 255, 0, 0}},
        {0x808080, binary, P{128, 128, 0, 255}},
        {0xFFFFFF, opaque, P{255, 255, 0, 255}},
        {0x000000, opaque, P{0, 0, 0, 255}},
        {0x808080, opaque, P{128, 128, 0, 255}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.drawn);
        EXPECT_EQ(ksdvi::ColourPixel(c.drawn, c.colours), c.pixel);
    }
}

TEST(ImageColours, GammaAboveOneDarkensEdgesOnly) {
    ImageColours plain{0, 0xFFFFFF, ImageColours::Transparency::Alpha};
    ImageColours darker = plain;
    darker.gamma = 1.5;
    for (std::uint32_t grey : {0x20u, 0x80u, 0xE0u}) {
        std::uint32_t drawn = grey << 16 | grey << 8 | grey;
        EXPECT_GT(ksdvi::ColourPixel(drawn, darker).a, ksdvi::ColourPixel(drawn, plain).a) << grey;
    }
    EXPECT_EQ(ksdvi::ColourPixel(0, darker).a, 255);
    EXPECT_EQ(ksdvi::ColourPixel(0xFFFFFF, darker).a, 0);
}

}  // namespace

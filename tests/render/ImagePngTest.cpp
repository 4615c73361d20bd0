// Web images as PNG: few colours go as a palette with its transparency, as
// dvipng writes them; more as RGB(A). Either way the pixels read back as
// they were written.

#include "render/ImagePng.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/PngImage.h"
#include "support/TempDir.h"

namespace {

using ksdvi::ImagePixel;

struct Case {
    char const* what;
    int colours;  // distinct pixels of the image
    bool alpha;
    bool palette;  // how the file holds them
};

TEST(ImagePng, FewColoursGoAsAPaletteAndReadBackAsWritten) {
    Case const cases[] = {
        {"ink over transparency", 200, true, true},  {"one colour", 1, true, true},
        {"opaque and few", 256, false, true},        {"a colour too many", 257, true, false},
        {"a photograph's many", 1000, false, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        int const width = 40, height = 30;
        std::vector<ImagePixel> pixels(width * height);
        for (size_t i = 0; i < pixels.size(); ++i) {
            int const k = int(i) % c.colours;
            pixels[i] = {std::uint8_t(k % 256), std::uint8_t(k / 256 * 40 + 5), 128,
                         std::uint8_t(c.alpha ? k * 13 % 256 : 255)};
        }
        TempDir dir;
        ASSERT_TRUE(ksdvi::WriteImagePng(dir / "i.png", pixels, width, height, {c.alpha, 9}));
        PngPixels png;
        ASSERT_TRUE(ReadPng(dir / "i.png", PNG_FORMAT_RGBA, png));
        EXPECT_EQ((png.fileFormat & PNG_FORMAT_FLAG_COLORMAP) != 0, c.palette);
        ASSERT_EQ(png.bytes.size(), pixels.size() * 4);
        for (size_t i = 0; i < pixels.size(); ++i) {
            ImagePixel const& p = pixels[i];
            uint8_t const* q = &png.bytes[4 * i];
            // fully transparent pixels keep no colour worth comparing
            if (p.a == 0) {
                EXPECT_EQ(q[3], 0) << i;
                continue;
            }
            ASSERT_EQ((std::vector<int>{q[0], q[1], q[2], q[3]}), (std::vector<int>{p.r, p.g, p.b, p.a})) << i;
        }
    }
}

}  // namespace

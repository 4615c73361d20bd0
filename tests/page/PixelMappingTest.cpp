// DVI units as pixels: one formula for the drawer, links, search and text,
// with the magnification, the zoom and the origin.

#include <gtest/gtest.h>

#include "page/PixelMapping.h"
#include "support/ScratchDocument.h"

namespace {

using ksdvi::PixelMapping;

ScratchDocument Document(uint32_t mag) { return ScratchDocument(DviBuilder{}.Pre(mag).Page().Post().bytes); }

TEST(PixelMapping, AnInchIsTheResolutionMagnifiedAndZoomed) {
    struct Case {
        uint32_t mag;
        double dpi, zoom;
        int inch;  // pixels of an inch of TeX's, 4736286.72 sp
    } const cases[] = {
        {1000, 600, 1.0, 600}, {1000, 96, 1.0, 96}, {2000, 96, 1.0, 192},
        {1000, 96, 1.5, 144},  {500, 600, 0.5, 150}, {1250, 72, 1.0, 90},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << "mag " << c.mag << " at " << c.dpi << " dpi, zoom " << c.zoom);
        ScratchDocument doc = Document(c.mag);
        PixelMapping pixels = PixelMapping::OneInchIn(doc.dvi, c.dpi, c.zoom);
        int const origin = static_cast<int>(std::lround(c.dpi * c.zoom));
        EXPECT_EQ(pixels.OriginX(), origin);
        EXPECT_EQ(pixels.X(4736287), origin + c.inch);
        EXPECT_EQ(pixels.Y(-4736287), origin - c.inch);
        EXPECT_EQ(pixels.Width(4736286), c.inch);  // a little less than an inch: its pixels rounded up
        // Back to DVI units, within half a pixel.
        EXPECT_NEAR(pixels.DviX(origin + c.inch), 4736287, 0.5 / pixels.PerDviX());
    }
}

TEST(PixelMapping, PositionsRoundHalfAwayAndLengthsUp) {
    ScratchDocument doc = Document(1000);
    // 72.27 dpi: a point is a pixel, so half a point is half a pixel.
    PixelMapping pixels(doc.dvi, 72.27, 72.27, fpreal4::FromRaw(10000), 0, 0);
    EXPECT_EQ(pixels.X(32768), 1);
    EXPECT_EQ(pixels.X(-32768), -1);
    EXPECT_EQ(pixels.X(32767), 0);
    EXPECT_EQ(pixels.Width(1), 1);
    EXPECT_EQ(pixels.Width(65535), 1);
    EXPECT_EQ(pixels.Width(65537), 2);
    EXPECT_EQ(pixels.Width(0), 0);
}

TEST(PixelMapping, BoxesAreAtLeastAPixelEachWay) {
    ScratchDocument doc = Document(1000);
    PixelMapping pixels = PixelMapping::OneInchIn(doc.dvi, 72.27);
    EXPECT_EQ(pixels.Box(0, 0, 10 * 65536, 5 * 65536), (std::array<int, 4>{72, 72, 10, 5}));
    EXPECT_EQ(pixels.Box(65536, 65536, 1, 0), (std::array<int, 4>{73, 73, 1, 1}));
    // Far past the device, held there rather than overflowing.
    auto far = pixels.Box(INT32_MAX - 10, 0, INT32_MAX, 65536);
    EXPECT_GE(far[2], 1);
}

// The document's own conversion (KsDvi::hDot) leaves the magnification out;
// the drawer's puts it in.
TEST(PixelMapping, TheDocumentsConversionIsUnmagnified) {
    ScratchDocument doc = Document(2000);
    doc.dvi.SethDpi(fpreal4::FromDouble(600));
    EXPECT_EQ(doc.dvi.hDot(4736287), 600);
    EXPECT_EQ(PixelMapping::OneInchIn(doc.dvi, 600).Width(4736286), 1200);
}

}  // namespace

#include <gtest/gtest.h>

#include "support/ScratchDocument.h"

TEST(Units, DotsAtAResolution) {
    KsDvi dvi;
    EXPECT_EQ(dvi.hDot(4736287), 0);  // no resolution yet
    dvi.SethDpi(fpreal4::FromRaw(6000000));
    dvi.SetvDpi(fpreal4::FromRaw(960000));
    EXPECT_EQ(dvi.hDot(4736287), 600);
    EXPECT_EQ(dvi.vDot(4736287), 96);
    EXPECT_EQ(dvi.dhDot(1), 1);
    EXPECT_EQ(dvi.dhDot(0), 0);
    for (int x : {1, 3947, 3948, 100000, 4736287}) EXPECT_EQ(dvi.hDot(-x), -dvi.hDot(x)) << x;
}

TEST(Units, PageSizeFromThePostambleIsMagnified) {
    for (uint32_t mag : {1000u, 2000u}) {
        ScratchDocument doc(DviBuilder().Pre(mag).Page().Post(52099154, 0).bytes);
        EXPECT_NEAR(doc.dvi.GetPageHeight(), 279.4 * mag / 1000, 1e-6);
    }
}

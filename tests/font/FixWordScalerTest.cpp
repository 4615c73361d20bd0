#include <gtest/gtest.h>

#include "font/FixWordScaler.h"

TEST(FixWordScaler, UnitFixWordsGiveTheSize) {
    FixWordScaler at10pt(655360);
    EXPECT_EQ(at10pt.Scale(0x00100000), 655360);   // 1.0
    EXPECT_EQ(at10pt.Scale(0xFFF00000), -655360);  // -1.0
    EXPECT_EQ(at10pt.Scale(0x00080000), 327680);   // 0.5
    EXPECT_EQ(at10pt.Scale(0xFFFFFFFF), -1);       // -2^-20, rounded as TeX does
    EXPECT_EQ(at10pt.Scale(0), 0);
}

TEST(FixWordScaler, LargeSizesAreReducedFirst) {
    FixWordScaler at128pt(1u << 23);
    EXPECT_EQ(at128pt.GetAlpha(), 32u * (1u << 22));
    EXPECT_EQ(at128pt.GetBeta(), 8u);
    EXPECT_EQ(at128pt.Scale(0x00100000), 1 << 23);
    FixWordScaler huge(1u << 27);  // 2048pt and up have no meaningful metrics
    EXPECT_EQ(huge.GetBeta(), 0u);
    EXPECT_EQ(huge.Scale(0x00100000), 0);
}

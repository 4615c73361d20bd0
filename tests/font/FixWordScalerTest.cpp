#include <gtest/gtest.h>

#include "font/FixWordScaler.h"

using namespace ksdvi;

TEST(FixWordScaler, UnitFixWordsGiveTheSize) {
    FixWordScaler at10pt(655360);
    EXPECT_EQ(at10pt.Scale(0x00100000), 655360);   // 1.0
    EXPECT_EQ(at10pt.Scale(0xFFF00000), -655360);  // -1.0
    EXPECT_EQ(at10pt.Scale(0x00080000), 327680);   // 0.5
    EXPECT_EQ(at10pt.Scale(0xFFFFFFFF), -1);       // -2^-20, rounded as TeX does
    EXPECT_EQ(at10pt.Scale(0), 0);
}

TEST(FixWordScaler, LargeSizesAreReducedFirst) {
    EXPECT_EQ(FixWordScaler(1u << 23).Scale(0x00100000), 1 << 23);  // 128pt
    EXPECT_EQ(FixWordScaler(1u << 27).Scale(0x00100000), 0);        // 2048pt and up have no meaningful metrics
}

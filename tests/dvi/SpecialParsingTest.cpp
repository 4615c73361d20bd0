// The number, dimension and colour readers on the values that decide their
// rounding and their failures.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "dvi/ExactBytes.h"
#include "dvi/SpecialParsing.h"

namespace {

struct NumberCase {
    std::string text;
    bool ok;
    double value;
    int consumed;  // bytes up to the returned position
};

class GetNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(GetNumber, ReadsOrFails) {
    NumberCase const& c = GetParam();
    ExactBytes text(c.text);
    double out = -7.0;
    unsigned char* end = getnumber(text.Get(), &out);
    if (!c.ok) {
        EXPECT_EQ(end, nullptr);
        EXPECT_EQ(out, -7.0);  // untouched on failure
        return;
    }
    ASSERT_NE(end, nullptr);
    EXPECT_DOUBLE_EQ(out, c.value);
    EXPECT_EQ(end - text.Get(), c.consumed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetNumber,
    testing::Values(NumberCase{"12.5x", true, 12.5, 4}, NumberCase{"   007 ", true, 7, 6},
                    NumberCase{"-+-3", true, 3, 4},  // every '-' flips the sign
                    NumberCase{"--0.25", true, 0.25, 6}, NumberCase{"-.5", true, -0.5, 3},
                    NumberCase{"5.", true, 5, 2},                                   // a trailing '.' is consumed
                    NumberCase{"5.pt", true, 5, 2}, NumberCase{"1e3", true, 1, 1},  // no exponent form
                    NumberCase{"0.001", true, 0.001, 5},
                    NumberCase{std::string("1") + std::string(120, '0'), true, 1e100, 121},  // held at 1e100
                    NumberCase{"", false, 0, 0}, NumberCase{"   ", false, 0, 0},
                    NumberCase{"-", false, 0, 0},  // sign then NUL
                    NumberCase{"+-x", false, 0, 0}, NumberCase{".", false, 0, 0}, NumberCase{".x", false, 0, 0},
                    NumberCase{"\t1", false, 0, 0},  // only 0x20 is skipped
                    NumberCase{"x1", false, 0, 0}));

struct DimenCase {
    std::string text;
    bool ok;
    int sp;
};

class GetDimen : public testing::TestWithParam<DimenCase> {};

TEST_P(GetDimen, ReadsScaledPointsOrFails) {
    DimenCase const& c = GetParam();
    ExactBytes text(c.text);
    int out = 12345;
    unsigned char* end = getdimen(text.Get(), &out);
    if (!c.ok) {
        EXPECT_EQ(end, nullptr);
        EXPECT_EQ(out, 12345);
        return;
    }
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(out, c.sp);
    // Each case ends with its unit, so the returned position is the end.
    EXPECT_EQ(end - text.Get(), text.Length());
}

INSTANTIATE_TEST_SUITE_P(
    Units, GetDimen,
    testing::Values(DimenCase{"1in", true, 4736287}, DimenCase{"1pt", true, 65536},
                    DimenCase{"-1pt", true, -65535},    // -65536 + 0.5, truncated toward zero
                    DimenCase{"-0.4pt", true, -26213},  // -26214.4 + 0.5
                    DimenCase{"2.5sp", true, 2},        // sp is truncated without adding 0.5
                    DimenCase{"-2.5sp", true, -2}, DimenCase{"0.9sp", true, 0}, DimenCase{"3dd", true, 210372},
                    DimenCase{"1cc", true, 841489}, DimenCase{"1cm", true, 1864680}, DimenCase{"1mm", true, 186468},
                    DimenCase{"1bp", true, 65782}, DimenCase{"1pc", true, 786432}, DimenCase{" 1.5pt", true, 98304},
                    DimenCase{"0.00001pt", true, 1},  // 0.65536 + 0.5
                    DimenCase{"99999999pt", true, INT_MAX}, DimenCase{"-99999999pt", true, INT_MIN}));

INSTANTIATE_TEST_SUITE_P(Failures, GetDimen,
                         testing::Values(DimenCase{"12 pt", false, 0},  // no blank before the unit
                                         DimenCase{"12PT", false, 0},   // units are case-sensitive
                                         DimenCase{"12px", false, 0},
                                         DimenCase{"12p", false, 0},  // half a unit, then the end
                                         DimenCase{"12", false, 0}, DimenCase{"pt", false, 0},
                                         DimenCase{"", false, 0}));

struct ColorCase {
    double r, g, b;
    unsigned int color;
};

class RgbColor : public testing::TestWithParam<ColorCase> {};

TEST_P(RgbColor, ClampsScalesAndPacksRedLow) {
    ColorCase const& c = GetParam();
    EXPECT_EQ(rgbcolor(c.r, c.g, c.b), c.color) << c.r << " " << c.g << " " << c.b;
}

INSTANTIATE_TEST_SUITE_P(Cases, RgbColor,
                         testing::Values(ColorCase{1.5, -0.2, 0.25, 0x4000FF}, ColorCase{1, 0, 0, 0x0000FF},
                                         ColorCase{0, 1, 0, 0x00FF00}, ColorCase{0, 0, 1, 0xFF0000},
                                         ColorCase{0.5, 0.999, 0.99609375,
                                                   0xFFFF80},  // 255/256 gives 255 without the cap
                                         ColorCase{0.99609374, 0.00390625, 0.00390624,
                                                   0x0001FE},  // just below 255/256; exactly and just below 1/256
                                         ColorCase{NAN, -INFINITY, INFINITY, 0xFF0000}));

}  // namespace

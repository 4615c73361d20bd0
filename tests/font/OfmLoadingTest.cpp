#include <gtest/gtest.h>

#include "MetricFiles.h"

namespace {

TEST(OfmLoading, LevelZeroHoldsCodesAboveByteRange) {
    LoadedFont f(MetricFile("kslevel0.ofm"), 655360);
    ASSERT_EQ(f.ok, 1);
    EXPECT_EQ(f.font.GetChecksum(), 07654321u);
    EXPECT_EQ(f.font.GetDesignSize(), 655360u);
    EXPECT_EQ(f.font.GetCharWidthA(0x41), 327680);
    EXPECT_EQ(f.font.GetCharHeight(0x41), 393216);
    EXPECT_EQ(f.font.GetCharWidthA(0x100), 655360);
    EXPECT_EQ(f.font.GetCharDepth(0x101), 131071);  // 0.2 rounds down
    EXPECT_EQ(f.font.IsValidChar(0x42), 0);
    EXPECT_FALSE(f.font.IsDBCEnabled());  // only a map entry can give an Omega font a face
}

TEST(OfmLoading, LevelOneRepeatsRecordsOverNeighbours) {
    LoadedFont f(MetricFile("kslevel1.ofm"), 655360);
    ASSERT_EQ(f.ok, 1);
    for (unsigned c : {0x41u, 0x42u, 0x43u}) EXPECT_EQ(f.font.GetCharWidthA(c), 327680) << c;
    EXPECT_EQ(f.font.GetCharWidthA(0x44), 393216);
    EXPECT_EQ(f.font.GetCharWidthA(0x100), 163840);  // the last code is covered too
    EXPECT_EQ(f.font.GetCharHeight(0x100), 327680);
    EXPECT_EQ(f.font.IsValidChar(0x45), 0);
}

TEST(OfmLoading, ThePathExtensionChoosesTheFormat) {
    // The same Omega file under an upper-case extension is still read as OFM.
    TempFile upper(".OFM");
    upper.Write(ReadFileBytes(MetricFile("kslevel0.ofm")));
    LoadedFont f(upper.Path(), 655360);
    EXPECT_EQ(f.ok, 1);
    // A TFM file named *.ofm is rejected by the Omega reader.
    TempFile misnamed(".ofm");
    misnamed.Write(ReadFileBytes(MetricFile("kstest.tfm")));
    LoadedFont g(misnamed.Path(), 655360);
    EXPECT_EQ(g.ok, 0);
}

struct Broken {
    char const* name;
    char const* file;
    std::vector<std::pair<size_t, std::vector<uint8_t>>> patches;
    size_t keep;
};

class BrokenOfm : public testing::TestWithParam<Broken> {};

TEST_P(BrokenOfm, IsRejected) {
    TempFile file(".ofm");
    LoadedFont f(Patched(file, MetricFile(GetParam().file), GetParam().patches, GetParam().keep), 655360);
    EXPECT_EQ(f.ok, 0);
}

// Word w is at byte 4w. Level 1 keeps its six kern counts in words 17, 19, ... 27.
INSTANTIATE_TEST_SUITE_P(
    Checks, BrokenOfm,
    testing::Values(
        Broken{"level_2", "kslevel0.ofm", {{3, {2}}}, 0}, Broken{"lf_mismatch", "kslevel0.ofm", {{7, {0x01}}}, 0},
        Broken{"cut_short", "kslevel0.ofm", {}, 600},
        // lh + 2^31 and nl + 2^30 leave a 32-bit sum as it was: the
        // header would be read for 2^31 words
        Broken{"counts_wrap_round_the_length", "kslevel0.ofm", {{8, {0x80, 0, 0, 0x12}}, {36, {0x40, 0, 0, 0}}}, 0},
        Broken{"kern_counts_32", "kslevel1.ofm", {{4 * 17 + 3, {32}}, {7, {0x43 + 32}}}, 0},
        Broken{"cut_short_level1", "kslevel1.ofm", {}, 150},
        // npc 2^31 - 1: every record would skip 2^30 pairs of bytes
        Broken{"parameters_longer_than_the_records", "kslevel1.ofm", {{64, {0x7F, 0xFF, 0xFF, 0xFF}}}, 0}),
    [](auto const& info) { return std::string(info.param.name); });

}  // namespace

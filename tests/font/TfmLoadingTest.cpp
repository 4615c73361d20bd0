#include <gtest/gtest.h>

#include "MetricFiles.h"

namespace {

TEST(TfmLoading, KnownMetricsScaleToTheFontSize) {
    LoadedFont f(MetricFile("kstest.tfm"), 655360);
    ASSERT_EQ(f.ok, 1);
    ksdvi::ItrnFont const& font = f.font;
    EXPECT_EQ(font.GetDesignSize(), 655360u);
    EXPECT_EQ(font.GetChecksum(), 012345670u);
    EXPECT_EQ(font.GetCharWidthA('A'), 327680);
    EXPECT_EQ(font.GetCharHeight('A'), 458751);  // 0.7 is not a whole fix-word; TeX rounds down
    EXPECT_EQ(font.GetCharDepth('A'), 65536);
    EXPECT_EQ(font.GetCharWidthA('B'), 655360);
    EXPECT_EQ(font.GetCharWidthA('C'), -655360);
    EXPECT_EQ(font.GetCharDepth('C'), 163840);
    EXPECT_EQ(font.GetCharWidthA(0177), 491520);
    // D lies between defined codes: no character there.
    EXPECT_EQ(font.IsValidChar('D'), 0);
    EXPECT_EQ(font.GetCharWidthA('D'), 0);
    EXPECT_EQ(font.GetCharHeight('D'), 0);
    EXPECT_EQ(font.GetCharPacket('A'), nullptr);
    EXPECT_EQ(font.IsValidChar(0x1FF), 0);

    LoadedFont big(MetricFile("kstest.tfm"), 2 * 655360);
    EXPECT_EQ(big.font.GetCharWidthA('B'), 2 * 655360);
    EXPECT_EQ(big.font.GetDesignSize(), 655360u);
}

TEST(TfmLoading, AFontWithoutCharactersLoads) {
    LoadedFont f(MetricFile("empty.tfm"), 655360);
    ASSERT_EQ(f.ok, 1);
    EXPECT_EQ(f.font.GetFirstCode(), 1u);
    EXPECT_EQ(f.font.GetLastCode(), 0u);
    for (unsigned c : {0u, 1u, 65u, 255u}) EXPECT_EQ(f.font.IsValidChar(c), 0);
}

// The widths of the installation's fonts at the sizes TeX used: the trace of
// TeX's output agrees with dvitype (tests/tools).
TEST(TfmLoading, InstalledFontsAtManySizesLoad) {
    for (char const* name : {"cmr10", "cmmi10", "cmsy10", "cmex10", "msbm10", "msam10"}) {
        for (int scale : {163840, 655360, 1132462, 134152192}) {
            LoadedFont f(InstalledTfm(name), scale);
            EXPECT_EQ(f.ok, 1) << name << " at " << scale;
            EXPECT_GT(f.font.GetDesignSize(), 0u);
        }
    }
}

struct Broken {
    char const* name;
    std::vector<std::pair<size_t, std::vector<uint8_t>>> patches;
    size_t keep;
};

class BrokenTfm : public testing::TestWithParam<Broken> {};

TEST_P(BrokenTfm, IsRejected) {
    TempFile file(".tfm");
    LoadedFont f(Patched(file, MetricFile("kstest.tfm"), GetParam().patches, GetParam().keep), 655360);
    EXPECT_EQ(f.ok, 0);
    EXPECT_EQ(f.font.IsValidChar('A'), 0);
}

// kstest.tfm: lf 101, lh 18, bc 65, ec 127, nw 6, nh 3, nd 4, ni 1; char_info at 96.
INSTANTIATE_TEST_SUITE_P(
    Checks, BrokenTfm,
    testing::Values(Broken{"lf_mismatch", {{0, {0, 100}}}, 0}, Broken{"ec_256", {{0, {0, 101 + 129}}, {6, {1, 0}}}, 0},
                    Broken{"bc_after_ec", {{0, {0, 37}}, {4, {0, 129}}}, 0},
                    Broken{"nw_257", {{0, {0x01, 0x60}}, {8, {1, 1}}}, 0}, Broken{"cut_short", {}, 200},
                    // in the parameters, which nothing reads
                    Broken{"cut_in_the_last_table", {}, 400}, Broken{"height_index_past_table", {{96 + 1, {0xF0}}}, 0},
                    Broken{"header_too_short", {{0, {0, 101 - 17}}, {2, {0, 1}}}, 0}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(TfmLoading, HeaderCarriesTheOutlineFaces) {
    LoadedFont f(MetricFile("ttfdesc.tfm"), 655360);
    ASSERT_EQ(f.ok, 1);
    auto const& sb = f.font.GetSBCTTFInfo();
    EXPECT_STREQ(sb.faceName.c_str(), "Arial");
    EXPECT_EQ(sb.height, 524288);        // 0.8 of 10pt
    EXPECT_EQ(sb.averagewidth, 327680);  // 0.5
    EXPECT_EQ(sb.vadjustment, -65537);   // -0.1, rounded toward minus infinity as TeX does
    EXPECT_EQ(sb.weight, 700);
    EXPECT_EQ(sb.italic, 1);
    EXPECT_EQ(sb.slant, 0);
    EXPECT_EQ(f.font.GetEncoding(), KsDviTTFMap::ENC_RAW);
    ASSERT_TRUE(f.font.IsDBCEnabled());
    auto const& db = f.font.GetDBCTTFInfo();
    EXPECT_STREQ(db.faceName.c_str(), "Bat");
    EXPECT_EQ(db.height, 655360);
    EXPECT_EQ(db.weight, 400);
}

TEST(TfmLoading, AnIncompleteFaceDescriptionIsLeftOut) {
    // Word 26 (the name length) becomes 0: there is no description at all.
    TempFile noName(".tfm");
    LoadedFont a(Patched(noName, MetricFile("ttfdesc.tfm"), {{24 + 26 * 4, {0, 0, 0, 0}}}), 655360);
    ASSERT_EQ(a.ok, 1);
    EXPECT_TRUE(a.font.GetSBCTTFInfo().faceName.IsNull());
    EXPECT_FALSE(a.font.IsDBCEnabled());
    // Word 33 (the double-byte name length) becomes 0: only the single-byte part.
    TempFile noDbc(".tfm");
    LoadedFont b(Patched(noDbc, MetricFile("ttfdesc.tfm"), {{24 + 33 * 4, {0, 0, 0, 0}}}), 655360);
    ASSERT_EQ(b.ok, 1);
    EXPECT_STREQ(b.font.GetSBCTTFInfo().faceName.c_str(), "Arial");
    EXPECT_FALSE(b.font.IsDBCEnabled());
}

}  // namespace

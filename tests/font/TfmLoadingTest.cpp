#include <gtest/gtest.h>

#include "MetricFiles.h"
#include "font/FixWordScaler.h"

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

// Files that break a rule of their format are refused. Word w is at byte 4w.
// kstest.tfm: lf 101, lh 18, bc 65, ec 127, nw 6, nh 3, nd 4, ni 1; char_info
// at 96. Level 1 OFM keeps its six kern counts in words 17, 19, ... 27.
TEST(MetricLoading, BrokenFilesAreRefused) {
    struct Broken {
        char const* name;
        char const* file;
        std::vector<std::pair<size_t, std::vector<uint8_t>>> patches;
        size_t keep;
    } const cases[] = {
        {"lf_mismatch", "kstest.tfm", {{0, {0, 100}}}, 0},
        {"ec_256", "kstest.tfm", {{0, {0, 101 + 129}}, {6, {1, 0}}}, 0},
        {"bc_after_ec", "kstest.tfm", {{0, {0, 37}}, {4, {0, 129}}}, 0},
        {"nw_257", "kstest.tfm", {{0, {0x01, 0x60}}, {8, {1, 1}}}, 0},
        {"cut_short", "kstest.tfm", {}, 200},
        {"cut_in_the_last_table", "kstest.tfm", {}, 400},  // in the parameters, which nothing reads
        {"height_index_past_table", "kstest.tfm", {{96 + 1, {0xF0}}}, 0},
        {"header_too_short", "kstest.tfm", {{0, {0, 101 - 17}}, {2, {0, 1}}}, 0},
        {"level_2", "kslevel0.ofm", {{3, {2}}}, 0},
        {"ofm_lf_mismatch", "kslevel0.ofm", {{7, {0x01}}}, 0},
        {"ofm_cut_short", "kslevel0.ofm", {}, 600},
        // lh + 2^31 and nl + 2^30 leave a 32-bit sum as it was: the header
        // would be read for 2^31 words
        {"counts_wrap_round_the_length", "kslevel0.ofm", {{8, {0x80, 0, 0, 0x12}}, {36, {0x40, 0, 0, 0}}}, 0},
        {"kern_counts_32", "kslevel1.ofm", {{4 * 17 + 3, {32}}, {7, {0x43 + 32}}}, 0},
        {"cut_short_level1", "kslevel1.ofm", {}, 150},
        // npc 2^31 - 1: every record would skip 2^30 pairs of bytes
        {"parameters_longer_than_the_records", "kslevel1.ofm", {{64, {0x7F, 0xFF, 0xFF, 0xFF}}}, 0},
    };
    for (Broken const& c : cases) {
        TempFile file(std::string(c.file).substr(std::string(c.file).find('.')));
        LoadedFont f(Patched(file, MetricFile(c.file), c.patches, c.keep), 655360);
        EXPECT_EQ(f.ok, 0) << c.name;
        EXPECT_EQ(f.font.IsValidChar('A'), 0) << c.name;
    }
}

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

TEST(FixWordScaler, UnitFixWordsGiveTheSize) {
    ksdvi::FixWordScaler at10pt(655360);
    EXPECT_EQ(at10pt.Scale(0x00100000), 655360);   // 1.0
    EXPECT_EQ(at10pt.Scale(0xFFF00000), -655360);  // -1.0
    EXPECT_EQ(at10pt.Scale(0x00080000), 327680);   // 0.5
    EXPECT_EQ(at10pt.Scale(0xFFFFFFFF), -1);       // -2^-20, rounded as TeX does
    EXPECT_EQ(at10pt.Scale(0), 0);
}

TEST(FixWordScaler, LargeSizesAreReducedFirst) {
    EXPECT_EQ(ksdvi::FixWordScaler(1u << 23).Scale(0x00100000), 1 << 23);  // 128pt
    EXPECT_EQ(ksdvi::FixWordScaler(1u << 27).Scale(0x00100000), 0);        // 2048pt and up have no meaningful metrics
}

}  // namespace

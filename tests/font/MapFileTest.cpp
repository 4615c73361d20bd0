// TrueType map files: entries and their keys, which entry wins, the syntax
// errors that stop a file, and font records taking their entry.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "MetricFiles.h"
#include "font/KsDviTTFMap.h"
#include "support/CaseNames.h"

namespace {

// `text` read as a map file into `map`; what the read returned.
int Append(KsDviTTFMap& map, std::string const& text) {
    TempFile file(".map");
    file.WriteText(text);
    return map.AppendTTFMapFile(file.Path().c_str());
}

std::string Face(KsDviTTFMap const& map, char const* name) {
    auto const* e = map.GetEntry(name);
    return e ? e->fontname.c_str() : "<none>";
}

TEST(MapFile, EntriesAndTheirKeys) {
    KsDviTTFMap map;
    ASSERT_EQ(Append(map, R"(cmr10 { fontname = 'Kestrel RM', height = '0.75', encoding = 'raw', italic = 'true',
                 slant = "true", averagewidth = '0.5', vadjustment = '-0.1' }
               "cm-sl" { encoding = '8r-unicode', dbcfontname = 'Batang', dbcbold = 'true', dbcheight = '0.9' })"),
              1);
    auto const* e = map.GetEntry("CMR10");  // names compare without case
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->fontname.c_str(), "kestrel rm");  // values are lower-cased
    EXPECT_DOUBLE_EQ(e->height, 0.75);
    EXPECT_DOUBLE_EQ(e->vadjustment, -0.1);
    EXPECT_EQ(e->encoding, KsDviTTFMap::ENC_RAW);
    EXPECT_EQ((std::vector<int>{e->italic, e->slant, e->weight, e->DBC}), (std::vector<int>{1, 1, 400, 0}));
    auto const* sl = map.GetEntry("cm-sl");
    ASSERT_NE(sl, nullptr);
    EXPECT_EQ(sl->encoding, KsDviTTFMap::ENC_8R_UNICODE);
    EXPECT_EQ(sl->DBC, 1);
    EXPECT_EQ(sl->dbcweight, 700);
    EXPECT_STREQ(sl->fontname.c_str(), "cmr10");  // no fontname key
    EXPECT_EQ(map.GetEntry("cmr12"), nullptr);
}

TEST(MapFile, TheLastPairAndTheLastEntryWin) {
    KsDviTTFMap map;
    EXPECT_EQ(Append(map,
                     "x { bold = 'true', weight = '300' } y { weight = '300', bold = 'true' } z { weight = 'heavy' }\n"
                     "x { fontname = 'first' }"),
              1);
    EXPECT_EQ(map.GetEntry("y")->weight, 700);
    EXPECT_EQ(map.GetEntry("z")->weight, 0);
    EXPECT_EQ(Face(map, "x"), "first");
    TempFile second(".map");
    second.WriteText("X { fontname = 'second', encoding = 'no-such-encoding' }");
    EXPECT_EQ(map.AppendTTFMapFile(second.Path().c_str()), 1);
    EXPECT_EQ(Face(map, "x"), "second");
    EXPECT_EQ(map.GetEntry("x")->encoding, KsDviTTFMap::ENC_OT1);  // unknown keyword: unchanged
    EXPECT_EQ(map.OpenTTFMapFile(second.Path().c_str()), 1);       // opening starts afresh
    EXPECT_EQ(map.GetEntry("y"), nullptr);
    EXPECT_EQ(map.AppendTTFMapFile("/nonexistent/ksdvi.map"), 0);
}

struct SyntaxCase {
    char const* name;
    char const* text;
    int result;
    char const* kept;  // an entry that must survive, or ""
};

class MapSyntax : public testing::TestWithParam<SyntaxCase> {};

TEST_P(MapSyntax, ReadsOrStopsAtTheError) {
    KsDviTTFMap map;
    EXPECT_EQ(Append(map, GetParam().text), GetParam().result);
    if (*GetParam().kept) {
        EXPECT_NE(map.GetEntry(GetParam().kept), nullptr);
    }
    if (GetParam().result == 0) {
        EXPECT_GT(map.GetLastErrorLine(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MapSyntax,
    testing::Values(SyntaxCase{"empty", "", 1, ""}, SyntaxCase{"blank", " \n\t \r\n", 1, ""},
                    SyntaxCase{"brace_glued_to_key", "cmr10 {fontname = 'x'}", 0, ""},
                    SyntaxCase{"unquoted_value", "cmr10 { height = 0.8 }", 0, ""},
                    SyntaxCase{"unquoted_encoding", "a { encoding = 'raw' }\ncmr10 { encoding = 8r }", 0, "a"},
                    SyntaxCase{"quoted_key", "cmr10 { 'height' = '1' }", 0, ""},
                    SyntaxCase{"missing_close", "a { x = '1' }\nb { x = '1' ", 0, "a"},
                    SyntaxCase{"comma_glued", "cmr10 { x = '1',y = '2' }", 0, ""},
                    SyntaxCase{"unterminated_quote_at_end", "cmr10 { x = '1 }", 0, ""},
                    SyntaxCase{"unknown_keys_ignored", "cmr10 { colour = 'red' , x = \"it's\" }", 1, "cmr10"}),
    ByName());

TEST(MapFile, LongTokensAreCutAndHighBytesLandInABucket) {
    std::string euc = "\xC7\xD1\xB1\xDB";  // a Korean name in EUC-KR
    KsDviTTFMap map;
    ASSERT_EQ(Append(map, "cmr10 { fontname = '" + std::string(250, 'a') + "' } '" + euc +
                              "10' { fontname = '\xB9\xD9\xC5\xC1' } '\xFF\xFF\xFF' { fontname = 'y' }"),
              1);
    EXPECT_EQ(map.GetEntry("cmr10")->fontname.GetLength(), 199);
    EXPECT_EQ(Face(map, (euc + "10").c_str()), "\xB9\xD9\xC5\xC1");
    EXPECT_EQ(Face(map, "\xFF\xFF\xFF"), "y");
}

TEST(MapFile, SubstituteFaceWhenOnlyItIsInstalled) {
    std::set<std::string> installed{"dejavu serif"};
    KsDviTTFMap map(nullptr, [&](char const* face) { return installed.count(face) > 0; });
    ASSERT_EQ(Append(map,
                     "a { fontname = 'No Such Face', subsname = 'DejaVu Serif' }\n"
                     "b { fontname = 'DejaVu Serif', subsname = 'Other' }\n"
                     "c { fontname = 'Missing', subsname = 'Also Missing' }"),
              1);
    EXPECT_EQ(Face(map, "a"), "dejavu serif");
    EXPECT_EQ(Face(map, "b"), "dejavu serif");
    EXPECT_EQ(Face(map, "c"), "missing");
}

TEST(MapFile, FontRecordsTakeTheirEntryScaled) {
    KsDviTTFMap map;
    ASSERT_EQ(Append(map,
                     "test { fontname = 'Face', height = '0.75', averagewidth = '0.5', vadjustment = '-0.1',"
                     " bold = 'true', encoding = 'mswinsymbol-unicode' }"),
              1);
    LoadedFont loaded(MetricFile("kstest.tfm"), 655360);
    ASSERT_EQ(loaded.ok, 1);
    loaded.font.LoadTTFInfo(&map);
    auto const& info = loaded.font.GetSBCTTFInfo();
    EXPECT_STREQ(info.faceName.c_str(), "face");
    EXPECT_EQ((std::vector<int>{info.height, info.averagewidth, info.vadjustment, info.weight}),
              (std::vector<int>{491520, 327680, -65536, 700}));
    EXPECT_EQ(loaded.font.GetEncoding(), KsDviTTFMap::ENC_MSWINSYMBOL_UNICODE);
    EXPECT_EQ(loaded.font.GetxSeriesFontIndex(), 1);
}

// The double-byte keys set the second face, and a record takes it scaled.
TEST(MapFile, DoubleByteKeys) {
    KsDviTTFMap map;
    ASSERT_EQ(Append(map,
                     "test { dbcfontname = 'NanumMyeongjo', dbcheight = '0.5', dbcaveragewidth = '0.25',"
                     " dbcvadjustment = '0.125', dbcitalic = 'true', dbcslant = 'true', dbcbold = 'true',"
                     " dbcweight = '300', italic = 'false' }"),
              1);
    auto const* e = map.GetEntry("test");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ((std::vector<int>{e->DBC, e->dbcitalic, e->dbcslant, e->dbcweight, e->italic}),
              (std::vector<int>{1, 1, 1, 300, 0}));  // the later weight wins over bold
    LoadedFont loaded(MetricFile("kstest.tfm"), 655360);
    ASSERT_EQ(loaded.ok, 1);
    loaded.font.LoadTTFInfo(&map);
    EXPECT_EQ(loaded.font.IsDBCEnabled(), 1);
    auto const& dbc = loaded.font.GetDBCTTFInfo();
    EXPECT_STREQ(dbc.faceName.c_str(), "nanummyeongjo");
    EXPECT_EQ((std::vector<int>{dbc.height, dbc.averagewidth, dbc.vadjustment, dbc.italic, dbc.slant, dbc.weight}),
              (std::vector<int>{327680, 163840, 81920, 1, 1, 300}));
    EXPECT_TRUE(loaded.font.GetSBCTTFInfo().faceName == String8("cmr10"));  // the single-byte face is the default
}

TEST(MapFile, KoreanSubfontNumbersComeFromTheName) {
    for (auto [name, index] : {std::pair{"xhanja12", 12}, {"xhan", 1}, {"123", 23}, {"x7", 7}}) {
        KsDviTTFMap map;
        ASSERT_EQ(Append(map, std::string("'") + name + "' { encoding = 'xhanja-unicode' }"), 1);
        ksdvi::ItrnFont font(nullptr, String8(""), String8(name), 655360);
        font.LoadTTFInfo(&map);
        EXPECT_EQ(font.GetxSeriesFontIndex(), index) << name;
    }
}

}  // namespace

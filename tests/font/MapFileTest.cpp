#include <gtest/gtest.h>

#include <set>
#include <string>

#include "MetricFiles.h"
#include "font/KsDviTTFMap.h"

namespace {

struct MapFile {
    explicit MapFile(std::string const& text) : file(".map") { file.Write({text.begin(), text.end()}); }
    char const* Path() const { return file.Path().c_str(); }
    TempFile file;
};

std::string Face(KsDviTTFMap const& map, char const* name) {
    auto const* e = map.GetEntry(name);
    return e ? e->fontname.c_str() : "<none>";
}

TEST(MapFile, EntriesAndTheirKeys) {
    MapFile f(R"(cmr10 { fontname = 'Kestrel RM', height = '0.75', encoding = 'raw', italic = 'true',
                 slant = "true", averagewidth = '0.5', vadjustment = '-0.1' }
               "cm-sl" { encoding = '8r-unicode', dbcfontname = 'Batang', dbcbold = 'true', dbcheight = '0.9' })");
    KsDviTTFMap map;
    ASSERT_EQ(map.OpenTTFMapFile(f.Path()), 1);
    auto const* e = map.GetEntry("CMR10");  // names compare without case
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->fontname.c_str(), "kestrel rm");  // values are lower-cased
    EXPECT_DOUBLE_EQ(e->height, 0.75);
    EXPECT_DOUBLE_EQ(e->vadjustment, -0.1);
    EXPECT_EQ(e->encoding, KsDviTTFMap::ENC_RAW);
    EXPECT_EQ(e->italic, 1);
    EXPECT_EQ(e->slant, 1);
    EXPECT_EQ(e->weight, 400);
    EXPECT_EQ(e->DBC, 0);
    auto const* sl = map.GetEntry("cm-sl");
    ASSERT_NE(sl, nullptr);
    EXPECT_EQ(sl->encoding, KsDviTTFMap::ENC_8R_UNICODE);
    EXPECT_EQ(sl->DBC, 1);
    EXPECT_EQ(sl->dbcweight, 700);
    EXPECT_STREQ(sl->fontname.c_str(), "cmr10");  // no fontname key
    EXPECT_EQ(map.GetEntry("cmr12"), nullptr);
}

TEST(MapFile, TheLastPairAndTheLastEntryWin) {
    MapFile a(
        "x { bold = 'true', weight = '300' } y { weight = '300', bold = 'true' } z { weight = 'heavy' }\n"
        "x { fontname = 'first' }");
    MapFile b("X { fontname = 'second', encoding = 'no-such-encoding' }");
    KsDviTTFMap map;
    EXPECT_EQ(map.AppendTTFMapFile(a.Path()), 1);
    EXPECT_EQ(map.GetEntry("y")->weight, 700);
    EXPECT_EQ(map.GetEntry("z")->weight, 0);
    EXPECT_EQ(Face(map, "x"), "first");
    EXPECT_EQ(map.AppendTTFMapFile(b.Path()), 1);
    EXPECT_EQ(Face(map, "x"), "second");
    EXPECT_EQ(map.GetEntry("x")->encoding, KsDviTTFMap::ENC_OT1);  // unknown keyword: unchanged
    EXPECT_EQ(map.OpenTTFMapFile(b.Path()), 1);                    // opening starts afresh
    EXPECT_EQ(map.GetEntry("y"), nullptr);
}

struct SyntaxCase {
    char const* name;
    char const* text;
    int result;
    char const* kept;  // an entry that must survive, or ""
};

class MapSyntax : public testing::TestWithParam<SyntaxCase> {};

TEST_P(MapSyntax, ReadsOrStopsAtTheError) {
    MapFile f(GetParam().text);
    KsDviTTFMap map;
    EXPECT_EQ(map.AppendTTFMapFile(f.Path()), GetParam().result);
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
    [](auto const& info) { return std::string(info.param.name); });

TEST(MapFile, MissingFileFails) {
    KsDviTTFMap map;
    EXPECT_EQ(map.AppendTTFMapFile("/nonexistent/ksdvi.map"), 0);
}

TEST(MapFile, LongTokensAreCutAtTheLimit) {
    std::string longName(250, 'a');
    MapFile f("cmr10 { fontname = '" + longName + "' }");
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendTTFMapFile(f.Path()), 1);
    EXPECT_EQ(map.GetEntry("cmr10")->fontname.GetLength(), 199);
}

TEST(MapFile, HighBytesInNamesLandInABucket) {
    std::string euc = "\xC7\xD1\xB1\xDB";  // a Korean name in EUC-KR
    MapFile f("'" + euc + "10' { fontname = '\xB9\xD9\xC5\xC1' } '\xFF\xFF\xFF' { fontname = 'y' }");
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendTTFMapFile(f.Path()), 1);
    EXPECT_STREQ(map.GetEntry((euc + "10").c_str())->fontname.c_str(), "\xB9\xD9\xC5\xC1");
    EXPECT_STREQ(map.GetEntry("\xFF\xFF\xFF")->fontname.c_str(), "y");
}

TEST(MapFile, SubstituteFaceWhenOnlyItIsInstalled) {
    std::set<std::string> installed{"dejavu serif"};
    KsDviTTFMap map(nullptr, [&](char const* face) { return installed.count(face) > 0; });
    MapFile f(
        "a { fontname = 'No Such Face', subsname = 'DejaVu Serif' }\n"
        "b { fontname = 'DejaVu Serif', subsname = 'Other' }\n"
        "c { fontname = 'Missing', subsname = 'Also Missing' }");
    ASSERT_EQ(map.AppendTTFMapFile(f.Path()), 1);
    EXPECT_EQ(Face(map, "a"), "dejavu serif");
    EXPECT_EQ(Face(map, "b"), "dejavu serif");
    EXPECT_EQ(Face(map, "c"), "missing");
}

TEST(MapFile, FontRecordsTakeTheirEntryScaled) {
    MapFile f(
        "test { fontname = 'Face', height = '0.75', averagewidth = '0.5', vadjustment = '-0.1',"
        " bold = 'true', encoding = 'mswinsymbol-unicode' }");
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendTTFMapFile(f.Path()), 1);
    LoadedFont loaded(MetricFile("kstest.tfm"), 655360);
    ASSERT_EQ(loaded.ok, 1);
    loaded.font.LoadTTFInfo(&map);
    auto const& info = loaded.font.GetSBCTTFInfo();
    EXPECT_STREQ(info.faceName.c_str(), "face");
    EXPECT_EQ(info.height, 491520);
    EXPECT_EQ(info.averagewidth, 327680);
    EXPECT_EQ(info.vadjustment, -65536);
    EXPECT_EQ(info.weight, 700);
    EXPECT_EQ(loaded.font.GetEncoding(), KsDviTTFMap::ENC_MSWINSYMBOL_UNICODE);
    EXPECT_EQ(loaded.font.GetxSeriesFontIndex(), 1);
}

TEST(MapFile, KoreanSubfontNumbersComeFromTheName) {
    struct Case {
        char const* name;
        int index;
    } cases[] = {{"xhanja12", 12}, {"xhan", 1}, {"123", 23}, {"x7", 7}};
    for (Case const& c : cases) {
        MapFile f(std::string("'") + c.name + "' { encoding = 'xhanja-unicode' }");
        KsDviTTFMap map;
        ASSERT_EQ(map.AppendTTFMapFile(f.Path()), 1);
        KsDvi::ItrnFont font(nullptr, String8(""), String8(c.name), 655360);
        font.LoadTTFInfo(&map);
        EXPECT_EQ(font.GetxSeriesFontIndex(), c.index) << c.name;
    }
}

}  // namespace

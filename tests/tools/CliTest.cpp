// The command-line contract: output forms, exit status and messages that name
// the file and the problem.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

namespace {

TEST(CliInfo, JsonAndTextDescribeTheDocument) {
    auto j = nlohmann::json::parse(KsdviOk("info --json " + DataFile("plain.dvi")));
    EXPECT_EQ(j["version"], 2);
    EXPECT_EQ(j["num"], 25400000);
    EXPECT_EQ(j["den"], 473628672);
    EXPECT_EQ(j["mag"], 1000);
    EXPECT_EQ(j["mode"], "complete");
    ASSERT_EQ(j["pages"].size(), 3u);
    EXPECT_EQ(j["pages"][2]["tex_page"], -3);
    EXPECT_EQ(j["pages"][0]["index"], 0);
    EXPECT_LT(j["pages"][0]["start"].get<int>(), j["pages"][0]["end"].get<int>());
    EXPECT_NEAR(j["page_width_mm"].get<double>(), 101.6, 0.01);  // 4in

    std::string out = KsdviOk("info " + DataFile("plain.dvi"));
    EXPECT_NE(out.find("mode:      complete"), std::string::npos);
    EXPECT_NE(out.find("page 3: tex page -3"), std::string::npos);
}

// How both forms of info print what the scan keeps of the specials (tests/dvi).
TEST(CliSpecials, ColoursAnchorsAndPicturesInBothForms) {
    auto j = nlohmann::json::parse(KsdviOk("info --json " + DataFile("specials.dvi")));
    ASSERT_EQ(j["pages"].size(), 6u);
    EXPECT_EQ(j["pages"][5]["background"], "#FFFF80");
    EXPECT_EQ(j["pages"][5]["color_stack"], nlohmann::json::parse(R"(["#000000", "#FF0040"])"));
    EXPECT_EQ(j["anchors"][3], nlohmann::json::parse(R"({"name": "sec 2", "page": 2})"));
    EXPECT_EQ(j["pictures"],
              nlohmann::json::parse(R"(["fig.eps", "a.eps", "b.eps", "pic.wmf", "second.eps", "c.eps"])"));

    std::string out = KsdviOk("info " + DataFile("specials.dvi"));
    for (char const* line : {"        background #FFFF80, colour stack (bottom first) #000000 #FF0040\n",
                             "anchor \"sec 2\": page 3\n", "picture: pic.wmf\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\nin\n" << out;
}

TEST(CliErrors, MalformedAfterSomePagesStillReportsThem) {
    DviBuilder b;
    b.Pre().Bop(1).Rule(10, 20).Eop().Bop(2).Op(250).Eop().Post();
    TempFile file(b.bytes);
    int status = -1;
    EXPECT_EQ(Ksdvi("trace " + file.Path(), &status), "page 1 1\nrule 45 0 0 10 20\n");
    EXPECT_EQ(status, 1);
    std::string out = Ksdvi("info " + file.Path(), &status, true);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("opcode 250"), std::string::npos) << out;
    EXPECT_NE(out.find("page 1: tex page 1"), std::string::npos) << out;
}

TEST(CliInfo, AFileStillBeingWrittenIsGrowing) {
    auto full = ReadFileBytes(DataFile("plain.dvi"));
    TempFile partial(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(full.size() * 2 / 3)));
    auto j = nlohmann::json::parse(KsdviOk("info --json " + partial.Path()));
    EXPECT_EQ(j["mode"], "growing");
    EXPECT_GE(j["pages"].size(), 1u);
    EXPECT_LT(j["pages"].size(), 3u);
}

TEST(CliTrace, SelectsPagesAndEscapesSpecials) {
    std::string out = KsdviOk("trace -p 3,1 " + DataFile("plain.dvi"));
    EXPECT_EQ(out.rfind("page 3 -3\n", 0), 0u);
    EXPECT_NE(out.find("\npage 1 1\n"), std::string::npos);
    EXPECT_NE(out.find("special 637 23 bytes\\xE9\\x01\\\\\\x20and\\\\\\x20backslash"), std::string::npos) << out;
}

// XeTeX's glyph runs: a line per glyph where it stands, with its index and
// box, and the run's text in UTF-8.
TEST(CliTrace, ListsGlyphRunsAndTheirText) {
    std::u16string const text = u"h\u00E9";
    DviBuilder b;
    b.Pre(1000, 7).Bop(1).NativeFontDef(3, 655360, 0, "lmroman10-regular.otf").Op(171 + 3);
    b.Glyphs(1000, {{10, 20, 40}, {30, -40, 41}}, &text).Eop().Post();
    TempFile file(b.bytes);
    EXPECT_EQ(KsdviOk("trace " + file.Path()),
              "page 1 1\n"
              "glyph 83 10 20 40 20 491520 163840\n"
              "glyph 83 30 -40 41 970 491520 163840\n"
              "text 83 h\xC3\xA9\n");
}

}  // namespace

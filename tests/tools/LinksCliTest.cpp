// ksdvi links, locate and render --links on TeX documents with hyperlinks:
// links.tex (this system's specials) and hyperref.tex (hyperref's hypertex
// driver). Which links the drawer finds is tested in tests/render; here, what
// the commands print.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace {

nlohmann::json LinksJson(std::string const& options, std::string const& file) {
    int status = -1;
    std::string out = Ksdvi("links --json " + options + " " + DataFile(file), &status);
    EXPECT_EQ(status, 0) << out;
    return nlohmann::json::parse(out);
}

TEST(LinksCli, JsonListsHyperrefLinksPerPage) {
    nlohmann::json links = LinksJson("-r 100", "hyperref.dvi");
    std::vector<std::pair<int, std::string>> pagesAndHrefs;
    for (auto const& link : links) {
        pagesAndHrefs.emplace_back(link["page"], link["href"]);
        EXPECT_EQ(link["kind"], "html");
        EXPECT_EQ(link["target"], "_self");
        ASSERT_EQ(link["rects"].size(), 1u);
        ASSERT_EQ(link["rects"][0].size(), 4u);
    }
    EXPECT_EQ(pagesAndHrefs, (std::vector<std::pair<int, std::string>>{{1, "http://example.org/"},
                                                                       {1, "http://tug.org/"},
                                                                       {1, "#section.2"},
                                                                       {1, "#cite.knuth"},
                                                                       {1, "#Hfootnote.1"},
                                                                       {2, "#section.1"}}));
    nlohmann::json second = LinksJson("-p 2 -r 100", "hyperref.dvi");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0], links[5]);
}

// The links of this system's specials: the two with an empty or unquoted
// target are ignored, the one over two lines grows one rectangle, and the
// hypertext areas lie where their numbers say (the first over the rule TeX set,
// 1in by 10pt; 10 DVI units round up to a pixel). The JSON form says the same.
TEST(LinksCli, TextFormShowsOneLinePerLink) {
    int status = -1;
    std::string text = Ksdvi("links -r 100 " + DataFile("links.dvi"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text,
              "page 1 html http://example.org/ side 144,98,126,22\n"
              "page 1 html #second _self 99,376,402,42\n"
              "page 1 hypertext area.html _self 178,686,100,14\n"
              "page 1 hypertext frame.html main 100,100,1,1\n");
    std::ostringstream fromJson;
    for (auto const& link : LinksJson("-r 100", "links.dvi")) {
        fromJson << "page " << link["page"].get<int>() << " " << link["kind"].get<std::string>() << " "
                 << link["href"].get<std::string>() << " " << link["target"].get<std::string>();
        for (auto const& r : link["rects"]) fromJson << " " << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
        fromJson << "\n";
    }
    EXPECT_EQ(fromJson.str(), text);
}

struct LocateCase {
    std::string file, anchor, options;
    int status;
    std::string out;  // what the output begins with
};

void PrintTo(LocateCase const& c, std::ostream* os) { *os << c.file << " " << c.anchor << " " << c.options; }

class LocateCli : public testing::TestWithParam<LocateCase> {};

TEST_P(LocateCli, ReportsPageAndPosition) {
    LocateCase const& c = GetParam();
    int status = -1;
    std::string out = Ksdvi("locate " + c.options + " " + DataFile(c.file) + " '" + c.anchor + "'", &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(out.substr(0, c.out.size()), c.out);
    EXPECT_TRUE(c.status == 0 || out.empty()) << out;
}

INSTANTIATE_TEST_SUITE_P(Anchors, LocateCli,
                         testing::Values(
                             // hypertext: name anchors stand where their numbers say, 2in and 1in from the origin
                             LocateCase{"links.dvi", "second", "-r 100", 0, "page 2 x 300 y 200\n"},
                             LocateCase{"links.dvi", "second", "", 0, "page 2 x 288 y 192\n"},     // 96 dpi by default
                             LocateCase{"links.dvi", "top", "-r 100", 0, "page 1 x 100 y 100\n"},  // at the page's top
                             LocateCase{"hyperref.dvi", "cite.knuth", "-r 100", 0, "page 2 x "},
                             LocateCase{"links.dvi", "nothere", "-r 100", 1, ""},
                             LocateCase{"links.dvi", "Second", "-r 100", 1, ""}));

// --links ORs the link colour into the link areas: the black rule under the
// hypertext area of links.tex turns blue, a mid grey in the grey image.
TEST(RenderLinksCli, MarksLinkAreas) {
    TempDir dir;
    int status = -1;
    Ksdvi("render -r 100 -p 1 --links -o " + (dir / "p-%d.png") + " " + DataFile("links.dvi"), &status);
    ASSERT_EQ(status, 0);
    GreyImage page;
    ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
    EXPECT_GT(page.At(228, 693), 0);
    EXPECT_LT(page.At(228, 693), 128);
    EXPECT_EQ(page.At(228, 670), 255);  // above the rule, white stays white
}

}  // namespace

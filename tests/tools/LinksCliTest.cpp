// ksdvi links, locate and render --links on TeX documents with hyperlinks:
// links.tex (this system's specials) and hyperref.tex (hyperref's hypertex
// driver).

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "Listing.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace {

std::string Ksdvi(std::string const& arguments, int* status) {
    return RunCommand(std::string(KSDVI_CLI) + " " + arguments + " 2>/dev/null", status);
}

std::string Data(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/" + name; }

nlohmann::json LinksJson(std::string const& options, std::string const& file) {
    int status = -1;
    std::string out = Ksdvi("links --json " + options + " " + Data(file), &status);
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

// Areas are device pixels with the DVI origin one inch in: twice the
// resolution, twice as far from it and twice as large, give or take the
// rounding of a pixel or two.
TEST(LinksCli, RectanglesScaleWithTheResolution) {
    nlohmann::json low = LinksJson("-r 100", "hyperref.dvi"), high = LinksJson("-r 200", "hyperref.dvi");
    ASSERT_EQ(low.size(), high.size());
    for (size_t i = 0; i < low.size(); ++i) {
        std::vector<int> a = low[i]["rects"][0], b = high[i]["rects"][0];
        EXPECT_NEAR(b[0] - 200, 2 * (a[0] - 100), 3) << low[i];
        EXPECT_NEAR(b[1] - 200, 2 * (a[1] - 100), 3) << low[i];
        EXPECT_NEAR(b[2], 2 * a[2], 3) << low[i];
        EXPECT_NEAR(b[3], 2 * a[3], 3) << low[i];
    }
}

TEST(LinksCli, TextFormShowsTheSameOneLinePerLink) {
    nlohmann::json links = LinksJson("-r 100", "links.dvi");
    int status = -1;
    std::istringstream text(Ksdvi("links -r 100 " + Data("links.dvi"), &status));
    EXPECT_EQ(status, 0);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), links.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        std::ostringstream expected;
        expected << "page " << links[i]["page"].get<int>() << " " << links[i]["kind"].get<std::string>() << " "
                 << links[i]["href"].get<std::string>() << " " << links[i]["target"].get<std::string>();
        for (auto const& r : links[i]["rects"]) expected << " " << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
        EXPECT_EQ(lines[i], expected.str());
    }
    // The hypertext area lies over the rule TeX set: 1in wide, 10pt high.
    EXPECT_EQ(lines[2], "page 1 hypertext area.html _self 178,686,100,14");
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
    std::string out = Ksdvi("locate " + c.options + " " + Data(c.file) + " '" + c.anchor + "'", &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(out.substr(0, c.out.size()), c.out);
    EXPECT_TRUE(c.status == 0 || out.empty()) << out;
}

INSTANTIATE_TEST_SUITE_P(Anchors, LocateCli,
                         testing::Values(
                             // hypertext: name anchors stand where their numbers say, 2in and 1in from the origin
                             LocateCase{"links.dvi", "second", "-r 100", 0, "page 2 x 300 y 200\n"},
                             LocateCase{"links.dvi", "second", "-r 200", 0, "page 2 x 600 y 400\n"},
                             LocateCase{"links.dvi", "second", "", 0, "page 2 x 288 y 192\n"},     // 96 dpi by default
                             LocateCase{"links.dvi", "top", "-r 100", 0, "page 1 x 100 y 100\n"},  // at the page's top
                             LocateCase{"hyperref.dvi", "cite.knuth", "-r 100", 0, "page 2 x "},
                             LocateCase{"links.dvi", "nothere", "-r 100", 1, ""},
                             LocateCase{"links.dvi", "Second", "-r 100", 1, ""}));

// --links ORs the link colour into the link areas: the black rule under the
// hypertext area of links.tex turns blue.
TEST(RenderLinksCli, MarksLinkAreas) {
    TempDir dir;
    int status = -1;
    std::vector<GreyImage> pages(2);
    for (int marked : {0, 1}) {
        std::string png = dir / ("page" + std::to_string(marked) + ".png");
        Ksdvi(std::string("render -r 100 -p 1 ") + (marked ? "--links " : "") + "-o " + png + " " + Data("links.dvi"),
              &status);
        ASSERT_EQ(status, 0);
        ASSERT_TRUE(ReadGreyPng(png, pages[static_cast<size_t>(marked)]));
    }
    EXPECT_EQ(pages[0].At(228, 693), 0);
    EXPECT_GT(pages[1].At(228, 693), 0);
    EXPECT_LT(pages[1].At(228, 693), 128);
    EXPECT_EQ(pages[1].At(228, 670), 255);  // above the rule, white stays white
}

}  // namespace

// ksdvi links, locate, outline and render --links on TeX documents with
// hyperlinks: links.tex (ksdvi's specials) and one LaTeX document made
// with both of hyperref's drivers for DVI, hyperref-hypertex.tex (html:
// specials) and hyperref-dvips.tex (pdfmark specials). Which links the
// drawer finds is tested in tests/render, their JSON boxes against dvitype's
// in GeometryTest; here, what the commands print.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace {

nlohmann::json LinksJson(std::string const& options, std::string const& file) {
    return nlohmann::json::parse(KsdviOk("links --json " + options + " " + DataFile(file)));
}

// The links of ksdvi's specials: the two with an empty or unquoted
// target are ignored, the one over two lines grows one rectangle, and the
// hypertext areas lie where their numbers say (the first over the rule TeX set,
// 1in by 10pt; 10 DVI units round up to a pixel). The JSON form says the same.
TEST(LinksCli, TextFormShowsOneLinePerLink) {
    std::string text = KsdviOk("links -r 100 " + DataFile("links.dvi"));
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
                             LocateCase{"hyperref-hypertex.dvi", "cite.knuth", "-r 100", 0, "page 2 x "},
                             // a pdfmark anchor names the top of its line, as a PDF viewer shows it
                             LocateCase{"hyperref-dvips.dvi", "section.2", "-r 100", 0, "page 2 x 186 y 159\n"},
                             LocateCase{"hyperref-dvips.dvi", "spot", "-r 100", 0, "page 1 x 201 y 438\n"},
                             LocateCase{"links.dvi", "nothere", "-r 100", 1, ""},
                             LocateCase{"links.dvi", "Second", "-r 100", 1, ""}));

// The bookmarks of hyperref's dvips driver, their titles written in UTF-16,
// each where its anchor lies; the hypertex driver writes none.
TEST(OutlineCli, ShowsBookmarksAndWhereTheyLead) {
    std::string const file = DataFile("hyperref-dvips.dvi");
    EXPECT_EQ(KsdviOk("outline -r 100 " + file),
              "Links -> section.1, page 1 x 186 y 291\n"
              "  \xC3\x9C"
              "ber Gr\xC3\xB6\xC3\x9F"
              "en -> subsection.1.1, page 1 x 186 y 379\n"
              "  A broken link -> subsection.1.2, page 1 x 186 y 446\n"
              "Targets -> section.2, page 2 x 186 y 159\n");

    nlohmann::json tree = nlohmann::json::parse(KsdviOk("outline --json -r 100 " + file));
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0]["open"], false);  // hyperref shows bookmarks closed unless told
    ASSERT_EQ(tree[0]["children"].size(), 2u);
    nlohmann::json const& sizes = tree[0]["children"][0];
    EXPECT_EQ(sizes["title"],
              "\xC3\x9C"
              "ber Gr\xC3\xB6\xC3\x9F"
              "en");
    EXPECT_EQ(std::make_tuple(sizes["level"], sizes["target"], sizes["page"], sizes["x"], sizes["y"]),
              std::make_tuple(1, "subsection.1.1", 1, 186, 379));
    EXPECT_TRUE(sizes["children"].empty());
    EXPECT_EQ(tree[1]["title"], "Targets");
    EXPECT_TRUE(tree[1]["children"].empty());

    EXPECT_EQ(KsdviOk("outline " + DataFile("hyperref-hypertex.dvi")), "");
}

// --links ORs the link colour into the link areas: the black rule under the
// hypertext area of links.tex turns blue, a mid grey in the grey image.
TEST(RenderLinksCli, MarksLinkAreas) {
    TempDir dir;
    KsdviOk("render -r 100 -p 1 --links -o " + (dir / "p-%d.png") + " " + DataFile("links.dvi"));
    GreyImage page;
    ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
    EXPECT_GT(page.At(228, 693), 0);
    EXPECT_LT(page.At(228, 693), 128);
    EXPECT_EQ(page.At(228, 670), 255);  // above the rule, white stays white
}

}  // namespace

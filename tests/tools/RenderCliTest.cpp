// ksdvi render: one PNG per page, the paper the document asks for, output that
// does not depend on the number of workers, and pages drawn despite missing fonts.

#include <gtest/gtest.h>

#include <filesystem>

#include "Listing.h"
#include "support/DviBuilder.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace fs = std::filesystem;

namespace {

std::string Data(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/" + name; }

std::string Render(std::string const& args, int* status, bool withStderr = true) {
    return RunCommand(std::string(KSDVI_CLI) + " render " + args + (withStderr ? " 2>&1" : " 2>/dev/null"), status);
}

long DarkPixels(std::string const& png) {
    GreyImage image;
    if (!ReadGreyPng(png, image)) return -1;
    long n = 0;
    for (uint8_t p : image.pixels) n += p < 128;
    return n;
}

TEST(RenderCli, OutputDoesNotDependOnTheNumberOfWorkers) {
    TempDir dir;
    int status = -1;
    std::string listing = Render("-r 72 -j 1 -o " + (dir / "one-%d.png") + " " + Data("plain.dvi"), &status, false);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(listing, (dir / "one-1.png") + "\n" + (dir / "one-2.png") + "\n" + (dir / "one-3.png") + "\n");
    Render("-r 72 -j 3 -o " + (dir / "three-%d.png") + " " + Data("plain.dvi"), &status);
    ASSERT_EQ(status, 0);
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(ReadFileBytes(dir / ("one-" + std::to_string(p) + ".png")),
                  ReadFileBytes(dir / ("three-" + std::to_string(p) + ".png")))
            << "page " << p;
}

TEST(RenderCli, DefaultNamesAndPagesInTheCurrentDirectory) {
    TempDir dir;
    int status = -1;
    RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " render -r 30 -p 2 " + Data("plain.dvi") + " >/dev/null",
               &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(dir / "plain-2.png"));
    EXPECT_FALSE(fs::exists(dir / "plain-1.png"));
}

struct PaperCase {
    char const* name;
    std::string special;  // "" for none
    std::string option;   // "" for the default
    int width, height;    // pixels at 96 dpi
};

class RenderPaper : public testing::TestWithParam<PaperCase> {};

TEST_P(RenderPaper, PageSizeFromTheDocumentOrTheOption) {
    DviBuilder b;
    b.Pre().Bop(1);
    if (!GetParam().special.empty()) b.Special(GetParam().special);
    b.Rule(65536, 65536).Eop().Post();
    TempFile dvi(b.bytes);
    TempDir dir;
    int status = -1;
    std::string paper = GetParam().option.empty() ? "" : " --paper " + GetParam().option;
    Render("-o " + (dir / "p-%d.png") + paper + " " + dvi.Path(), &status);
    ASSERT_EQ(status, 0);
    GreyImage image;
    ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", image));
    EXPECT_EQ(image.width, GetParam().width);
    EXPECT_EQ(image.height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RenderPaper,
                         testing::Values(PaperCase{"a4_default", "", "", 793, 1122},
                                         PaperCase{"letter", "", "letter", 816, 1056},
                                         PaperCase{"dimensions", "", "2inx3in", 192, 288},
                                         PaperCase{"special", "papersize=100pt,200pt", "letter", 132, 265},
                                         PaperCase{"true_units", "papersize=2truein,1truein", "", 192, 96},
                                         PaperCase{"bad_special_ignored", "papersize=wide,tall", "", 793, 1122}),
                         [](auto const& info) { return std::string(info.param.name); });

TEST(RenderCli, BadOptionsNameTheFile) {
    int status = -1;
    std::string out = Render("--paper huge " + Data("plain.dvi"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("ksdvi: " + Data("plain.dvi") + ": bad paper size 'huge'"), std::string::npos) << out;
    out = Render("-o /nonexistent-dir/x-%d.png -p 1 " + Data("plain.dvi"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("ksdvi: /nonexistent-dir/x-1.png: cannot write"), std::string::npos) << out;
}

TEST(RenderCli, MissingFontsAndFacesLeaveTheRestOfThePage) {
    DviBuilder b;
    b.Pre().Bop(1).FntDef(0, "nosuchfont").Op(171).Op('A').Op('B');
    b.Rule(10 * 65536, 100 * 65536).Eop().Post();
    TempFile dvi(b.bytes);
    TempDir dir;
    int status = -1;
    std::string out = Render("-r 72 -o " + (dir / "m-%d.png") + " " + dvi.Path(), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("ksdvi: " + dvi.Path() + ": font nosuchfont not found"), std::string::npos) << out;
    EXPECT_GT(DarkPixels(dir / "m-1.png"), 900);  // the rule: 10pt x 100pt

    // A face that is not installed falls back to the system's substitute.
    TempFile map(".map");
    std::string text = "cmr10 { fontname = 'No Such Face At All', encoding = 'raw' }";
    map.Write({text.begin(), text.end()});
    Render("-r 72 -p 3 --map " + map.Path() + " -o " + (dir / "s-%d.png") + " " + Data("plain.dvi"), &status);
    EXPECT_EQ(status, 0);
    Render("-r 72 -p 3 -o " + (dir / "t-%d.png") + " " + Data("plain.dvi"), &status);
    long substituted = DarkPixels(dir / "s-3.png"), own = DarkPixels(dir / "t-3.png");
    EXPECT_GT(substituted, own / 3);
    EXPECT_NE(ReadFileBytes(dir / "s-3.png"), ReadFileBytes(dir / "t-3.png"));
}

}  // namespace

// ksdvi render: one PNG per page, the paper the document asks for, output that
// does not depend on the number of workers, and pages drawn despite missing fonts.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

// Page 1 of `dvi` rendered with `options`, read back; an empty image if that failed.
GreyImage RenderFirstPage(std::string const& options, std::string const& dvi) {
    TempDir dir;
    GreyImage image;
    int status = -1;
    Ksdvi("render -p 1 " + options + " -o " + (dir / "p-%d.png") + " " + dvi, &status);
    if (status != 0 || !ReadGreyPng(dir / "p-1.png", image)) return {};
    return image;
}

TEST(RenderCli, OutputDoesNotDependOnTheNumberOfWorkers) {
    TempDir dir;
    std::string listing = KsdviOk("render -r 72 -j 1 -o " + (dir / "one-%d.png") + " " + DataFile("plain.dvi"));
    EXPECT_EQ(listing, (dir / "one-1.png") + "\n" + (dir / "one-2.png") + "\n" + (dir / "one-3.png") + "\n");
    KsdviOk("render -r 72 -j 3 -o " + (dir / "three-%d.png") + " " + DataFile("plain.dvi"));
    for (std::string p : {"1", "2", "3"})
        EXPECT_EQ(ReadFileBytes(dir / ("one-" + p + ".png")), ReadFileBytes(dir / ("three-" + p + ".png"))) << p;
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
    TempFile dvi(b.Rule(65536, 65536).Eop().Post().bytes);
    GreyImage image = RenderFirstPage(GetParam().option.empty() ? "" : "--paper " + GetParam().option, dvi.Path());
    EXPECT_EQ(image.width, GetParam().width);
    EXPECT_EQ(image.height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RenderPaper,
                         testing::Values(PaperCase{"a4_default", "", "", 793, 1122},
                                         PaperCase{"dimensions", "", "2inx3in", 192, 288},
                                         PaperCase{"special", "papersize=100pt,200pt", "letter", 132, 265},
                                         PaperCase{"bad_special_ignored", "papersize=wide,tall", "", 793, 1122}),
                         ByName());

// A directory is no document; a document's name may hold percent signs.
TEST(RenderCli, DirectoriesAndNamesWithPercentSigns) {
    TempDir dir;
    int status = -1;
    EXPECT_NE(Ksdvi("info " + dir.Path(), &status, true).find("is a directory, not a DVI file"), std::string::npos);
    EXPECT_EQ(status, 1);
    std::filesystem::copy_file(DataFile("plain.dvi"), dir / "100%d done.dvi");
    EXPECT_EQ(KsdviIn(dir.Path(), "render -r 20 -p 1 '100%d done.dvi'", &status), "100%d done-1.png\n");
    EXPECT_EQ(status, 0);
}

// --follow renders each page once, as TeX completes it, starting before the
// file exists, and ends with the postamble; the pages are those of a render
// of the finished file.
TEST(RenderCli, FollowRendersPagesAsTeXWritesThem) {
    TempDir dir;
    std::vector<uint8_t> const bytes = ReadFileBytes(DataFile("pages.dvi"));
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::ofstream out(dir / "doc.dvi", std::ios::binary);
        for (size_t at = 0; at < bytes.size(); at += 1500) {
            out.write(reinterpret_cast<char const*>(bytes.data() + at),
                      static_cast<std::streamsize>(std::min<size_t>(1500, bytes.size() - at)));
            out.flush();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    int status = -1;
    std::string listing = Ksdvi("render --follow -r 20 -o " + (dir / "f-%d.png") + " " + (dir / "doc.dvi"), &status);
    writer.join();
    EXPECT_EQ(status, 0);
    std::string expected;
    for (int page = 1; page <= 40; ++page) expected += (dir / ("f-" + std::to_string(page) + ".png")) + "\n";
    EXPECT_EQ(listing, expected);
    KsdviOk("render -r 20 -o " + (dir / "r-%d.png") + " " + (dir / "doc.dvi"));
    for (int page = 1; page <= 40; ++page) {
        std::string const n = std::to_string(page);
        EXPECT_EQ(ReadFileBytes(dir / ("f-" + n + ".png")), ReadFileBytes(dir / ("r-" + n + ".png"))) << page;
    }
}

TEST(RenderCli, MissingFontsAndFacesLeaveTheRestOfThePage) {
    DviBuilder b;
    b.Pre().Bop(1).FntDef(0, "nosuchfont").FntDef(1, "broken").Op(171).Op('A').Op(172).Op('B');
    TempFile dvi(b.Rule(10 * 65536, 100 * 65536).Eop().Post().bytes);
    TempDir dir;
    std::ofstream(dir / "broken.tfm") << "not a font";
    std::string out =
        KsdviOk("render -r 72 --tfm-path " + dir.Path() + " -o " + (dir / "m-%d.png") + " " + dvi.Path(), true);
    EXPECT_NE(out.find("ksdvi: " + dvi.Path() + ": warning: font nosuchfont: not found; its characters are left out"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("font broken: " + (dir / "broken.tfm") + " is damaged"), std::string::npos) << out;
    GreyImage page;
    ASSERT_TRUE(ReadGreyPng(dir / "m-1.png", page));
    EXPECT_GT(page.DarkCount(), 900);  // the rule: 10pt x 100pt

    // A face that is not installed falls back to the system's substitute.
    TempFile map(".map");
    map.WriteText("cmr10 { fontname = 'No Such Face At All', encoding = 'raw' }");
    GreyImage substituted = RenderFirstPage("-r 72 --map " + map.Path(), DataFile("plain.dvi"));
    GreyImage own = RenderFirstPage("-r 72", DataFile("plain.dvi"));
    EXPECT_GT(substituted.DarkCount(), own.DarkCount() / 3);
    EXPECT_NE(substituted.pixels, own.pixels);
}

// Pictures that cannot be drawn are named once each with the reason; the
// page is drawn and the exit status stays 0. info lists every picture.
TEST(RenderCli, PicturesThatCannotBeDrawnAreNamedWithTheReason) {
    TempDir dir;
    std::string out = KsdviOk("render -r 72 -o " + (dir / "p-%d.png") + " " + DataFile("rasters.dvi"), true);
    for (char const* line : {"warning: page 1: picture pictures/truncated.png: cannot be decoded\n",
                             "warning: page 1: picture pictures/missing.eps: not found\n",
                             "warning: page 1: picture pictures/broken.eps: PostScript error: undefined\n"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line << out;
        EXPECT_EQ(out.find(line), out.rfind(line)) << line << out;
    }

    auto pictures = nlohmann::json::parse(Ksdvi("info --json " + DataFile("rasters.dvi")))["pages"][0]["pictures"];
    ASSERT_EQ(pictures.size(), 7u);
    EXPECT_EQ(pictures[1]["type"], "jpeg");
    EXPECT_EQ(pictures[1]["found"], true);
    EXPECT_EQ(pictures[5]["type"], "eps");
    EXPECT_EQ(pictures[6]["file"], "pictures/missing.eps");
    EXPECT_EQ(pictures[6]["found"], false);
}

// A figure's last line may end the file without a newline (Ghostscript's
// own EPS export ends with a bare "showpage"); what the figure draws is drawn.
TEST(RenderCli, FiguresWhoseLastLineHasNoNewlineAreDrawn) {
    struct Case {
        char const* name;
        char const* last;  // the file's end, after the square's path
    } const kCases[] = {
        {"own showpage", "fill\nshowpage"},
        {"no showpage", "fill"},
        {"a comment", "fill\n% the end"},
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileText(dir / "square.eps", std::string("%!PS-Adobe-2.0 EPSF-2.0\n%%BoundingBox: 0 0 72 72\n"
                                                      "0 0 moveto 72 0 lineto 72 72 lineto 0 72 lineto ") +
                                              c.last);
        DviBuilder b;
        b.Pre().Bop(1).Special("psfile=square.eps llx=0 lly=0 urx=72 ury=72").Eop().Post().WriteTo(dir / "f.dvi");
        std::string out = KsdviOk("render -r 72 -o " + (dir / "p-%d.png") + " " + (dir / "f.dvi"), true);
        EXPECT_EQ(out.find("warning"), std::string::npos) << out;
        GreyImage page;
        ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
        EXPECT_NEAR(page.DarkCount(), 72 * 72, 150);
    }
}

// What a page defines in global VM holds on the pages after it, drawn with
// the document or alone, as in dvips' one job. PostScript that fails is
// left out with its page's reason, that page's rule drawn all the same.
TEST(RenderCli, GlobalDefinitionsOfEarlierPagesHold) {
    DviBuilder b;
    b.Pre()
        .Bop(1)
        .Special(
            "ps: save true setglobal globaldict begin /ksdviSquare { 0 0 moveto 50 0 rlineto 0 50 rlineto "
            "-50 0 rlineto closepath fill } bind def end restore")
        .Special("ps: save true setglobal thisisnotdefined restore")
        .Rule(10 * 65536, 100 * 65536)
        .Eop()
        .Bop(2)
        .Special("ps: ksdviSquare")
        .Eop()
        .Post();
    TempFile dvi(b.bytes);
    TempDir dir;
    for (char const* pages : {"1-2", "2"}) {
        SCOPED_TRACE(pages);
        std::string out =
            KsdviOk("render -r 72 -p " + std::string(pages) + " -o " + (dir / "p-%d.png") + " " + dvi.Path(), true);
        std::string const page1 = "warning: page 1: its PostScript is left out: PostScript error: undefined\n";
        EXPECT_EQ(out.find(page1) != std::string::npos, std::string(pages) == "1-2") << out;
        EXPECT_EQ(out.find("page 2"), std::string::npos) << out;
        GreyImage page;
        ASSERT_TRUE(ReadGreyPng(dir / "p-2.png", page));
        EXPECT_NEAR(page.DarkCount(), 2500, 200);  // the square, 50 pixels a side
        if (std::string(pages) == "1-2") {
            ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
            EXPECT_GT(page.DarkCount(), 900);  // the rule: 10pt x 100pt
        }
    }
}

}  // namespace

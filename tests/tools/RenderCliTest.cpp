// ksdvi render: one PNG per page, the paper the document asks for, output that
// does not depend on the number of workers, and pages drawn despite missing fonts.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/PictureFiles.h"
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
    int status = -1;
    std::string listing = Ksdvi("render -r 72 -j 1 -o " + (dir / "one-%d.png") + " " + DataFile("plain.dvi"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(listing, (dir / "one-1.png") + "\n" + (dir / "one-2.png") + "\n" + (dir / "one-3.png") + "\n");
    Ksdvi("render -r 72 -j 3 -o " + (dir / "three-%d.png") + " " + DataFile("plain.dvi"), &status);
    ASSERT_EQ(status, 0);
    for (std::string p : {"1", "2", "3"})
        EXPECT_EQ(ReadFileBytes(dir / ("one-" + p + ".png")), ReadFileBytes(dir / ("three-" + p + ".png"))) << p;
}

TEST(RenderCli, DefaultNamesAndPagesInTheCurrentDirectory) {
    TempDir dir;
    int status = -1;
    RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " render -r 30 -p 2 " + DataFile("plain.dvi") + " >/dev/null",
               &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "plain-2.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plain-1.png"));
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
                                         PaperCase{"letter", "", "letter", 816, 1056},
                                         PaperCase{"dimensions", "", "2inx3in", 192, 288},
                                         PaperCase{"special", "papersize=100pt,200pt", "letter", 132, 265},
                                         PaperCase{"true_units", "papersize=2truein,1truein", "", 192, 96},
                                         PaperCase{"bad_special_ignored", "papersize=wide,tall", "", 793, 1122}),
                         [](auto const& info) { return std::string(info.param.name); });

struct BadRenderCase {
    char const* name;
    std::string args;     // before the document's path
    std::string message;  // a part of standard error
};

class BadRender : public testing::TestWithParam<BadRenderCase> {};

// Every mistake is one clear line and exit status 1, with nothing written.
TEST_P(BadRender, SaysWhatIsWrongAndExitsOne) {
    TempDir dir;
    int status = -1;
    std::string out = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " render " + GetParam().args + " " +
                                     DataFile("plain.dvi") + " 2>&1 >/dev/null",
                                 &status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find(GetParam().message), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Options, BadRender,
    testing::Values(
        BadRenderCase{"paper", "--paper huge", DataFile("plain.dvi") + ": bad paper size 'huge'"},
        BadRenderCase{"unwritable", "-p 1 -o /nonexistent-dir/x-%d.png",
                      "/nonexistent-dir/x-1.png: cannot write the PNG file: No such file or directory"},
        BadRenderCase{"one_file_many_pages", "-o page.png", "page.png: one output file for 3 pages; put %d"},
        BadRenderCase{"zoom_nan", "-z nan", "not a finite number"},
        BadRenderCase{"resolution_text", "-r abc", "--resolution"},
        BadRenderCase{"map_directory", "--map /", "--map: File is actually a directory"},
        BadRenderCase{"font_path_missing", "--tfm-path /nonexistent-dir", "--tfm-path: Directory does not exist"},
        BadRenderCase{"page_memory", "-r 4800 -z 20", "MiB pages may take; lower the resolution"},
        BadRenderCase{"xhan_table", "--xhan-table " + DataFile("korean.tex"), "korean.tex: line 1: not a row"}),
    [](auto const& info) { return std::string(info.param.name); });

// Documents arrive through pipes and under odd names too.
TEST(RenderCli, PipesAndNamesWithPercentSigns) {
    TempDir dir;
    int status = -1;
    std::string const in = "cd " + dir.Path() + " && ";
    EXPECT_NE(Ksdvi("info " + dir.Path(), &status, true).find("is a directory, not a DVI file"), std::string::npos);
    EXPECT_EQ(status, 1);
    std::string listing =
        RunCommand(in + "cat " + DataFile("plain.dvi") + " | " + KSDVI_CLI + " render -r 20 -p 2 /dev/stdin", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(listing, "stdin-2.png\n");
    std::filesystem::copy_file(DataFile("plain.dvi"), dir / "100%d done.dvi");
    listing = RunCommand(in + KSDVI_CLI + " render -r 20 -p 1 '100%d done.dvi'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(listing, "100%d done-1.png\n");
    RunCommand(in + KSDVI_CLI + " render -r 20 -p 2 -o direct-%d.png " + DataFile("plain.dvi"), &status);
    EXPECT_EQ(ReadFileBytes(dir / "stdin-2.png"), ReadFileBytes(dir / "direct-2.png"));
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
    Ksdvi("render -r 20 -o " + (dir / "r-%d.png") + " " + (dir / "doc.dvi"), &status);
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
    int status = -1;
    std::string out =
        Ksdvi("render -r 72 --tfm-path " + dir.Path() + " -o " + (dir / "m-%d.png") + " " + dvi.Path(), &status, true);
    EXPECT_EQ(status, 0);
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
    int status = -1;
    std::string out = Ksdvi("render -r 72 -o " + (dir / "p-%d.png") + " " + DataFile("rasters.dvi"), &status, true);
    EXPECT_EQ(status, 0);
    for (char const* line : {"warning: page 1: picture pictures/truncated.png: cannot be decoded\n",
                             "warning: page 1: picture pictures/missing.eps: not found\n",
                             "warning: page 1: picture pictures/broken.eps: PostScript error: undefined\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << out;

    auto pictures = nlohmann::json::parse(Ksdvi("info --json " + DataFile("rasters.dvi")))["pages"][0]["pictures"];
    ASSERT_EQ(pictures.size(), 7u);
    EXPECT_EQ(pictures[1]["type"], "jpeg");
    EXPECT_EQ(pictures[1]["found"], true);
    EXPECT_EQ(pictures[5]["type"], "eps");
    EXPECT_EQ(pictures[6]["file"], "pictures/missing.eps");
    EXPECT_EQ(pictures[6]["found"], false);
}

// A picture that would take more than the page's picture memory is named
// once with that reason; the same picture shown small is drawn, and the exit
// status stays 0. (A JPEG of 16 x 16 given a frame of 16000 x 16000: shown at
// its own size at 144 dpi it would be some 8000 pixels square.)
TEST(RenderCli, PicturesBeyondThePagesPictureMemoryAreNamed) {
    TempDir dir;
    ksdvi::test::WriteBytes(dir / "declaring.jpg", ksdvi::test::DeclaringJpeg(16000, 16000));
    DviBuilder b;
    b.Pre().Bop(1);
    b.Special("graphics: 0pt 0pt 12000pt 12000pt 12000pt 12000pt JPEG declaring.jpg");
    b.Special("graphics: 0pt 0pt 12000pt 12000pt 72pt 72pt JPEG declaring.jpg");
    ksdvi::test::WriteBytes(dir / "doc.dvi", b.Eop().Post().bytes);
    int status = -1;
    std::string out = Ksdvi("render -r 144 -o " + (dir / "p-%d.png") + " " + (dir / "doc.dvi"), &status, true);
    EXPECT_EQ(status, 0);
    std::string const line = "warning: page 1: picture declaring.jpg: larger than the page's picture memory\n";
    EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_EQ(out.find(line), out.rfind(line)) << out;
    GreyImage page;
    ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
    EXPECT_NEAR(page.At(144 + 72, 144 + 72), 128, 2) << "the picture shown small, mid-grey";
    EXPECT_EQ(page.At(144 + 200, 144 + 200), 255) << "the one shown large is left out";
}

// PostScript that fails is left out with the page's reason; the page's text
// is drawn all the same, and pages without PostScript never need it.
TEST(RenderCli, PostScriptThatFailsIsLeftOut) {
    DviBuilder b;
    b.Pre().Bop(1).Special("ps: 0 0 moveto thisisnotdefined").Rule(10 * 65536, 100 * 65536).Eop().Post();
    TempFile dvi(b.bytes);
    TempDir dir;
    int status = -1;
    std::string out = Ksdvi("render -r 72 -o " + (dir / "p-%d.png") + " " + dvi.Path(), &status, true);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("warning: page 1: its PostScript is left out: PostScript error: undefined\n"),
              std::string::npos)
        << out;
    GreyImage page;
    ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
    EXPECT_GT(page.DarkCount(), 900);  // the rule: 10pt x 100pt
}

// What a page defines in global VM holds on the pages after it, drawn with
// the document or alone, as in dvips' one job; a global definition that
// fails is its own page's problem only.
TEST(RenderCli, GlobalDefinitionsOfEarlierPagesHold) {
    DviBuilder b;
    b.Pre()
        .Bop(1)
        .Special(
            "ps: save true setglobal globaldict begin /ksdviSquare { 0 0 moveto 50 0 rlineto 0 50 rlineto "
            "-50 0 rlineto closepath fill } bind def end restore")
        .Special("ps: save true setglobal thisisnotdefined restore")
        .Eop()
        .Bop(2)
        .Special("ps: ksdviSquare")
        .Eop()
        .Post();
    TempFile dvi(b.bytes);
    TempDir dir;
    for (char const* pages : {"1-2", "2"}) {
        SCOPED_TRACE(pages);
        int status = -1;
        std::string out = Ksdvi(
            "render -r 72 -p " + std::string(pages) + " -o " + (dir / "p-%d.png") + " " + dvi.Path(), &status, true);
        EXPECT_EQ(status, 0);
        std::string const page1 = "warning: page 1: its PostScript is left out: PostScript error: undefined\n";
        EXPECT_EQ(out.find(page1) != std::string::npos, std::string(pages) == "1-2") << out;
        EXPECT_EQ(out.find("page 2"), std::string::npos) << out;
        GreyImage page;
        ASSERT_TRUE(ReadGreyPng(dir / "p-2.png", page));
        EXPECT_NEAR(page.DarkCount(), 2500, 200);  // the square, 50 pixels a side
    }
}

}  // namespace

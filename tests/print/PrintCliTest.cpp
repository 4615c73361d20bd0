// ksdvi print: a PDF whose pages look as `ksdvi render` draws them, PostScript
// on standard output, and errors that write nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/Rasterised.h"
#include "support/TempDir.h"

namespace {

constexpr int kDpi = 100;

TEST(PrintCli, PdfPagesMatchRender) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils are not installed";
    TempDir dir;
    KsdviOk("print -r " + std::to_string(kDpi) + " -o " + (dir / "out.pdf") + " " + DataFile("plain.dvi"));
    std::string const info = RunOk("pdfinfo " + (dir / "out.pdf"));
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +3\n"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +595.27.* x 841.8.* pts"))) << info;
    KsdviOk("render -r " + std::to_string(kDpi) + " -o " + (dir / "r-%d.png") + " " + DataFile("plain.dvi"));
    for (int page = 1; page <= 3; ++page) {
        GreyImage rendered;
        RgbImage printed;
        ASSERT_TRUE(ReadGreyPng(dir / ("r-" + std::to_string(page) + ".png"), rendered));
        ASSERT_TRUE(RasterisePdfPage(dir / "out.pdf", page, kDpi, dir / "p.ppm", printed));
        EXPECT_LE(std::abs(printed.width - rendered.width), 1);
        EXPECT_LE(std::abs(printed.height - rendered.height), 1);
        long const dark = rendered.DarkCount();
        EXPECT_GT(dark, 300) << page;
        EXPECT_LE(DarkAndUnmatched(rendered, printed).second, dark / 100) << page;
        EXPECT_LE(DarkAndUnmatched(printed, rendered).second, dark / 100) << page;
    }
}

TEST(PrintCli, PostScriptOnStandardOutputAndPaper) {
    std::string const ps = KsdviOk("print -r 72 -p 2 --paper letter -o - " + DataFile("plain.dvi"));
    EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0", 0), 0u);
    EXPECT_NE(ps.find("%%Pages: 1\n"), std::string::npos);
    EXPECT_NE(ps.find("%%DocumentMedia: Letter 612 792"), std::string::npos);
}

TEST(PrintCli, ErrorsSayOneLineAndWriteNothing) {
    TempDir dir;
    struct Case {
        std::string args, output;
    } const cases[] = {
        {"-p 9", dir / "missing-page.pdf"},
        {"", dir / "no-such-dir/out.pdf"},
        {"", dir / "out.png"},
        {"--paper nonsense", dir / "bad-paper.pdf"},
    };
    for (Case const& c : cases) {
        int status = -1;
        std::string const err = RunCommand(std::string(KSDVI_CLI) + " print " + c.args + " -o " + c.output + " " +
                                               DataFile("plain.dvi") + " 2>&1 >/dev/null",
                                           &status);
        EXPECT_EQ(status, 1) << c.args << " " << c.output;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(std::filesystem::exists(c.output)) << c.output;
    }
}

}  // namespace

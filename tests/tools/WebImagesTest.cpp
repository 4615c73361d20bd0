// Images for the web, as dvipng makes them for Sphinx, matplotlib and Anki:
// ksdvi-dvipng and `ksdvi render -T` agree with dvipng on the same DVI
// files (formulas LaTeX makes here) in their sizes and baselines, print
// their numbers as dvipng prints them, and leave the background transparent.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/PngImage.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

struct Numbers {
    int depth = 0, height = 0, width = 0;
};

bool ReadRgba(std::string const& path, PngPixels& out) { return ReadPng(path, PNG_FORMAT_RGBA, out); }

// The numbers a quiet run prints after its first line: " depth=N height=N width=N" per page.
std::vector<Numbers> ParseNumbers(std::string const& out) {
    std::vector<Numbers> pages;
    std::regex const page(" depth=(-?\\d+) height=(-?\\d+) width=(-?\\d+)");
    std::string body = out.substr(std::min(out.size(), out.find('\n') + 1));
    for (std::sregex_iterator m(body.begin(), body.end(), page), end; m != end; ++m)
        pages.push_back({std::stoi((*m)[1]), std::stoi((*m)[2]), std::stoi((*m)[3])});
    return pages;
}

// Each number as N: the form of the output, not its values.
std::string Form(std::string const& out) {
    return std::regex_replace(out.substr(std::min(out.size(), out.find('\n') + 1)), std::regex("-?\\d+"), "N");
}

std::string const kFormulas = R"(\documentclass{article}
\pagestyle{empty}
\begin{document}
$x^2+y_1$\newpage
$\displaystyle\int_0^1 f(x)\,dx=\sum_{n=1}^\infty\frac{1}{n^2}$\newpage
\[ \left(\frac{a}{b}\right)^{\!2} \ne \sqrt[3]{\gamma} \]\newpage
\rule{1cm}{2mm} $g$
\end{document}
)";

// preview's tight pages (\usepackage[active,tightpage]{preview}) written by
// hand: its prologue, and each formula shipped with its baseline on the DVI
// origin and its box's border and size first on its page.
std::string const kHandPreview = R"(\documentclass{article}
\newcount\shipped
\def\formula#1{\setbox0\hbox{$#1$}\shipout\vbox to0pt{%
  \ifnum\shipped=0
    \special{!userdict begin/preview-bop-level 0 def/bop-hook{/preview-bop-level dup load dup 0 le{/isls false def/vsize 792 def/hsize 612 def}if 1 add store}bind def/eop-hook{/preview-bop-level dup load dup 0 gt{1 sub}if store}bind def end}%
    \special{!/preview@tightpage true def}%
  \fi
  \global\advance\shipped1
  \special{ps::-32891 -32891 32891 32891 \number\ht0 \space\number\dp0 \space\number\wd0}%
  \vss\box0}}
\begin{document}
\formula{x^2+y_1}
\formula{\displaystyle\int_0^1 f(x)\,dx=\sum_{n=1}^\infty\frac{1}{n^2}}
\formula{g}
\formula{\left(\frac{a}{b}\right)^{\!2}}
\end{document}
)";

std::string const kPreview = R"(\documentclass{article}
\usepackage[active,tightpage]{preview}
\begin{document}
\begin{preview}$x^2+y_1$\end{preview}
\begin{preview}$\displaystyle\int_0^1 f(x)\,dx=\sum_{n=1}^\infty\frac{1}{n^2}$\end{preview}
\begin{preview}$g$\end{preview}
\end{document}
)";

struct Document {
    char const* name;
    std::string const* source;
    char const* needs;  // a LaTeX package file, or null
    bool previewBox;    // images are preview's boxes: dvipng's arithmetic, to the pixel
};

// doc.dvi in `dir`; false with LaTeX's log when LaTeX fails.
testing::AssertionResult MakeDvi(Document const& doc, TempDir const& dir) {
    std::ofstream(dir / "doc.tex") << *doc.source;
    return Typeset(dir.Path(), "latex");
}

// The width and height of a PNG file.
std::pair<int, int> PngSize(std::string const& path) {
    PngPixels image;
    if (!ReadRgba(path, image)) return {-1, -1};
    return {image.width, image.height};
}

class WebImages : public testing::TestWithParam<Document> {
protected:
    // The case's doc.dvi in a directory of its own; skipped without LaTeX or
    // the case's package.
    void SetUp() override {
        if (!TexFileInstalled("article.cls")) GTEST_SKIP() << "LaTeX is not installed";
        if (GetParam().needs && !TexFileInstalled(GetParam().needs))
            GTEST_SKIP() << GetParam().needs << " is not installed";
        ASSERT_TRUE(MakeDvi(GetParam(), dir));
        dvi = dir / "doc.dvi";
    }
    TempDir dir;
    std::string dvi;
};

// -T tight and -T bbox at two resolutions: every page's numbers and image
// size as dvipng's, printed in dvipng's form: to the pixel for preview's
// boxes, within one where the ink decides (ksdvi's glyphs stand up to a
// pixel and a half higher than dvipng's at 300 dpi: the height within two).
TEST_P(WebImages, AgreeWithDvipng) {
    Document const& doc = GetParam();
    for (char const* size : {"tight", "bbox"}) {
        for (int dpi : {120, 300}) {
            std::string const args = "-q -D " + std::to_string(dpi) + " -T " + size + " --depth --height --width ";
            SCOPED_TRACE(args);
            std::string const theirs =
                RunOk("dvipng " + args + "-o " + (dir / "theirs-%d.png") + " " + dvi + " 2>/dev/null");
            std::string const ours =
                RunOk(std::string(KSDVI_DVIPNG_CLI) + " " + args + "-o " + (dir / "ours-%d.png") + " " + dvi + " 2>&1");
            EXPECT_EQ(Form(ours), Form(theirs)) << ours;
            std::vector<Numbers> const t = ParseNumbers(theirs), o = ParseNumbers(ours);
            ASSERT_EQ(o.size(), t.size()) << ours;
            ASSERT_GT(t.size(), 0u);
            for (size_t i = 0; i < t.size(); ++i) {
                SCOPED_TRACE("page " + std::to_string(i + 1));
                int const near = doc.previewBox ? 0 : 1;
                EXPECT_NEAR(o[i].depth, t[i].depth, near);
                EXPECT_NEAR(o[i].height, t[i].height, 2 * near);
                EXPECT_NEAR(o[i].width, t[i].width, near);
                std::string const n = std::to_string(i + 1) + ".png";
                auto [theirWidth, theirHeight] = PngSize(dir / ("theirs-" + n));
                auto [ourWidth, ourHeight] = PngSize(dir / ("ours-" + n));
                EXPECT_NEAR(ourWidth, theirWidth, near);
                EXPECT_NEAR(ourHeight, theirHeight, near);
                // The numbers are the image's.
                EXPECT_EQ(ourWidth, o[i].width);
                EXPECT_EQ(ourHeight, o[i].height + o[i].depth);
            }
        }
    }
}

// Transparent: every pixel the opaque image leaves white has no alpha, and
// every other keeps some; `ksdvi render` makes the same images and numbers.
TEST_P(WebImages, TransparentBackgroundLeavesOnlyInk) {
    std::string const tool = std::string(KSDVI_DVIPNG_CLI) + " -q -D 150 -T tight --depth --height --width ";
    std::string const opaque = RunOk(tool + "-bg 'rgb 1 1 1' -o " + (dir / "opaque-%d.png") + " " + dvi);
    std::string const clear = RunOk(tool + "-bg Transparent -o " + (dir / "clear-%d.png") + " " + dvi);
    std::string const rendered = KsdviOk("render -r 150 -T tight --bg transparent --depth --height --width -o " +
                                         (dir / "render-%d.png") + " " + dvi);
    EXPECT_EQ(ParseNumbers(opaque).size(), ParseNumbers(clear).size());
    std::vector<Numbers> const numbers = ParseNumbers(clear);
    for (size_t page = 1; page <= numbers.size(); ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        std::string const n = std::to_string(page) + ".png";
        PngPixels a, b, c;
        ASSERT_TRUE(ReadRgba(dir / ("opaque-" + n), a));
        ASSERT_TRUE(ReadRgba(dir / ("clear-" + n), b));
        ASSERT_TRUE(ReadRgba(dir / ("render-" + n), c));
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        long ink = 0, wrong = 0;
        for (size_t i = 0; i < a.bytes.size(); i += 4) {
            bool const white = a.bytes[i] == 255 && a.bytes[i + 1] == 255 && a.bytes[i + 2] == 255;
            ink += !white;
            wrong += white != (b.bytes[i + 3] == 0);
        }
        EXPECT_GT(ink, 0);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(c.bytes, b.bytes);
        Numbers const& m = numbers[page - 1];
        EXPECT_NE(rendered.find((dir / ("render-" + n)) + " depth=" + std::to_string(m.depth) +
                                " height=" + std::to_string(m.height) + " width=" + std::to_string(m.width) + "\n"),
                  std::string::npos)
            << rendered;
    }
}

INSTANTIATE_TEST_SUITE_P(Formulas, WebImages,
                         testing::Values(Document{"formulas", &kFormulas, nullptr, false},
                                         Document{"preview_by_hand", &kHandPreview, nullptr, true},
                                         Document{"preview", &kPreview, "preview.sty", true}),
                         ByName());

// dvipng's command line as its callers write it: page choices by TeX page
// number, %0Nd names, options joined to their values, one warning for the
// options that are accepted and not acted on.
TEST(DvipngCommandLine, PagesNamesAndIgnoredOptions) {
    if (!TexFileInstalled("article.cls")) GTEST_SKIP() << "LaTeX is not installed";
    TempDir dir;
    ASSERT_TRUE(MakeDvi(Document{"formulas", &kFormulas, nullptr, false}, dir));
    std::string const dvi = dir / "doc";  // FILENAME[.dvi]
    struct Case {
        std::string args;
        std::vector<std::string> files;
        int warnings;
    } const cases[] = {
        {"-p 2 -l 3", {"p-2.png", "p-3.png"}, 0},
        {"-p =4", {"p-4.png"}, 0},
        {"-pp 1,3-4", {"p-1.png", "p-3.png", "p-4.png"}, 0},
        {"-pp -2", {"p-1.png", "p-2.png"}, 0},
        {"-pp 2:", {"p-2.png", "p-3.png", "p-4.png"}, 0},
        {"-p 3 -pp 1-2", {}, 0},
        {"-D120 -Ttight -z9 -l 1", {"p-1.png"}, 0},
        {"--freetype0 -Q 4 --follow -l 1", {"p-1.png"}, 1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.args);
        TempDir out;
        int status = -1;
        std::string const warnings = RunCommand(std::string(KSDVI_DVIPNG_CLI) + " -T tight " + c.args + " -o " +
                                                    (out / "p-%d.png") + " " + dvi + " 2>&1 >/dev/null",
                                                &status);
        EXPECT_EQ(status, 0) << warnings;
        std::vector<std::string> files;
        for (auto const& entry : std::filesystem::directory_iterator(out.Path()))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), c.warnings) << warnings;
    }
    TempDir out;
    RunOk(std::string(KSDVI_DVIPNG_CLI) + " -q -T tight -pp 3 -o " + (out / "f%03d.png") + " " + dvi);
    int status = -1;
    EXPECT_TRUE(std::filesystem::exists(out / "f003.png"));
    for (char const* bad : {"--no-such-option", "-T huge", "-D 5", "-bg 'rgb 1'", "-z 12", "-pp x"}) {
        std::string const error =
            RunCommand(std::string(KSDVI_DVIPNG_CLI) + " " + bad + " " + dvi + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 1) << bad;
        EXPECT_NE(error.find("ksdvi-dvipng: "), std::string::npos) << bad << ": " << error;
    }
}

// --picky writes no image of a page that met a problem (a font that exists
// nowhere, whose characters are left out), --strict stops there; both exit
// with 1, as dvipng does.
TEST(DvipngCommandLine, PickyAndStrictRefuseAPageWithAMissingFont) {
    DviBuilder body;
    body.FntDef(0, "ksnosuchfont").Op(171).Op('A');
    TempFile missing(OnePage(body));
    for (char const* option : {"--picky", "--strict"}) {
        TempDir out;
        int status = -1;
        std::string const said = RunCommand(
            std::string(KSDVI_DVIPNG_CLI) + " " + option + " -o " + (out / "p-%d.png") + " " + missing.Path() + " 2>&1",
            &status);
        EXPECT_EQ(status, 1) << option << ": " << said;
        EXPECT_TRUE(std::filesystem::is_empty(out.Path())) << option << ": " << said;
    }
    TempDir out;
    RunOk(std::string(KSDVI_DVIPNG_CLI) + " -q -o " + (out / "p-%d.png") + " " + missing.Path());
    EXPECT_TRUE(std::filesystem::exists(out / "p-1.png"));
}

}  // namespace

// XeTeX's documents, made by xelatex at test time, look as xdvipdfmx and
// pdftoppm show them, and their text reads and is found as their sources
// say: OpenType fonts by glyph index, Unicode mathematics, colour, Hangul.
// Cases are skipped on a machine without XeTeX, the peers or a package or
// font a case needs. Files made to mislead draw what they can and say what
// they cannot.

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/InkOverlap.h"
#include "support/PictureFiles.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

using ksdvi::test::Bytes, ksdvi::test::MakeJpeg, ksdvi::test::MakePng, ksdvi::test::OneColour,
    ksdvi::test::WithJfifDensity;

struct XeLatexCase {
    char const* name;
    std::vector<char const*> needs;  // files kpathsea must find
    std::vector<char const*> faces;  // faces fontconfig must know; the source is tests/data/typeset/NAME.tex
    std::vector<char const*> words;  // the source's words, in the order of its text
    char const* searched;            // a word that search finds on page 1
    std::vector<char const*> files{};  // files of tests/data/typeset the source includes
};

class XeLatexPeer : public testing::TestWithParam<XeLatexCase> {};

TEST_P(XeLatexPeer, PagesLookAsXdvipdfmxDrawsThemAndReadAsWritten) {
    XeLatexCase const& c = GetParam();
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    for (char const* file : c.needs)
        if (!TexFileInstalled(file)) GTEST_SKIP() << file << " is not installed";
    for (char const* face : c.faces)
        if (!Succeeds(std::string("fc-list | grep -qi '") + face + "'")) GTEST_SKIP() << "no face " << face;

    TempDir dir;
    std::filesystem::copy_file(DataFile(std::string("typeset/") + c.name + ".tex"), dir / "doc.tex");
    for (char const* file : c.files) std::filesystem::copy_file(DataFile(std::string("typeset/") + file), dir / file);
    ASSERT_TRUE(Typeset(dir.Path(), "xelatex -no-pdf"));
    std::string const xdv = dir / "doc.xdv";
    RunOk("cd " + dir.Path() +
          " && xdvipdfmx -q -o doc.pdf doc.xdv >/dev/null 2>&1 && pdftoppm -r 150 -gray -png doc.pdf theirs");
    KsdviOk("render -r 150 --paper a4 -o " + (dir / "ours-%d.png") + " " + xdv);

    ExpectPagesOverlap(dir.Path(), c.name);

    std::string text = KsdviOk("text " + xdv);
    ExpectWordsInOrder(text, c.words);
    std::string matches = KsdviOk("search " + xdv + " '" + c.searched + "'");
    EXPECT_EQ(matches.rfind("page 1 ", 0), 0u) << c.searched << ": " << matches;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XeLatexPeer,
    testing::Values(
        XeLatexCase{"fontspec_latin_modern_math_colour",
                    {"fontspec.sty", "unicode-math.sty", "xcolor.sty", "lmroman10-regular.otf", "latinmodern-math.otf"},
                    {},
                    // old-style figures: glyphs the face's cmap gives private codes, named zero.oldstyle …
                    {"Native", "fonts", "Office", "workers", "find", "waffles", "fjord", "coloured", "words", "bold",
                     "slanted", "since", "1984."},
                    "waffles"},
        // set_text_and_glyphs: each run carries the text it sets.
        XeLatexCase{"actual_text",
                    {"fontspec.sty", "lmroman10-regular.otf"},
                    {},
                    {"Office", "workers", "find", "waffles", "fjord", "affluent", "fluffy", "official", "flow"},
                    "affluent"},
        XeLatexCase{"xetexko_nanum",
                    {"xetexko.sty"},
                    {"NanumMyeongjo"},
                    {"한글", "한글 문서를 조판합니다.", "다람쥐 헌 쳇바퀴에 타고파.", "Latin", "words"},
                    "쳇바퀴"},
        // graphicx's xetex driver turns and scales boxes with pdf:btrans and x:scale
        XeLatexCase{"rotated_and_scaled_boxes",
                    {"graphicx.sty", "xetex.def"},
                    {},
                    {"Before", "Upward", "Tilted", "Wide", "end", "Head", "Slanted"},
                    "Tilted"},
        // pgf's xetex driver draws with pdf: specials: paths, colours, a
        // shading made on page 1 and placed again on page 2, opacity, a
        // white node over a line, rules among the drawing
        XeLatexCase{"tikz_xetex_driver", {"tikz.sty"}, {}, {"Pictures", "follow", "Boxed", "Again"}, "Boxed"},
        // a vertical font: glyphs stand across the line at their vertical
        // origins, in their vertical forms; the text is the ideographs'
        // (HaranoAji draws 日 and the radical ⽇ with one glyph)
        XeLatexCase{"vertical_font",
                    {"fontspec.sty", "graphicx.sty", "HaranoAjiMincho-Regular.otf"},
                    {},
                    {"日本語の文書です。", "縦書きの文章です", "かぎ括弧", "句読点", "ABC"},
                    "括弧"},
        // kotex under XeLaTeX: xetexko with its own faces (UnBatang), whose
        // word spaces are a fifth of an em
        XeLatexCase{"kotex_unbatang",
                    {"kotex.sty", "xetexko.sty", "UnBatang.ttf"},
                    {},
                    {"한글", "한글 문서를 조판합니다.", "다람쥐 헌 쳇바퀴에 타고파.", "Latin", "words"},
                    "쳇바퀴"},
        // FakeBold: filled and stroked with the pen XeTeX names, from a hair
        // to heavy, also turned and scaled
        XeLatexCase{"fontspec_fake_bold",
                    {"fontspec.sty", "graphicx.sty", "lmroman10-regular.otf"},
                    {},
                    {"Plain", "Hairline", "bold", "Heavy", "Scaled", "Turned", "Small"},
                    "Heavy"},
        // pstricks for xdvipdfmx: drawing, nodes, turned and scaled boxes and
        // a clip, which ends before the closing words; a picture and a
        // figure turned and scaled by graphicx
        XeLatexCase{"pstricks_xetex",
                    {"pstricks.sty", "pst-node.sty", "graphicx.sty"},
                    {},
                    {"Pictures", "follow", "Inside", "Turned", "Start", "Goal", "Scaled", "Closing", "words", "Turning",
                     "Growing"},
                    "Goal",
                    {"shape.eps"}}),
    ByName());

// In the vector outputs, the PDF as pdftoppm shows it and the SVG as
// librsvg shows it look as the rendered page: pgf's pdf: drawing, and
// FakeBold's glyphs, filled and stroked.
TEST(XdvVector, DrawingAndStrokedGlyphsInPdfAndSvg) {
    for (char const* tool : {"xelatex", "pdftoppm", "rsvg-convert"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    struct Document {
        char const* name;
        char const* needs;
        std::string source;
    };
    Document const documents[] = {
        {"tikz", "tikz.sty",
         "\\documentclass[a4paper]{article}\n\\usepackage{tikz}\n"
         "\\begin{document}\n\\begin{tikzpicture}\n"
         "\\draw[thick,blue] (0,0) rectangle (3,2);\n\\shade[left color=blue,right color=black] (4,0) "
         "rectangle (6,2);\n\\fill[black,opacity=0.8] (7,0) rectangle (9,2);\n"
         "\\node[draw,fill=yellow] at (1.5,1) {Boxed};\n\\end{tikzpicture}\n"
         "\\end{document}\n"},
        {"fake_bold", "lmroman10-regular.otf", ReadFileText(DataFile("typeset/fontspec_fake_bold.tex"))},
    };
    int compared = 0;
    for (Document const& d : documents) {
        if (!TexFileInstalled(d.needs)) continue;
        ++compared;
        TempDir dir;
        WriteFileText(dir / "doc.tex", d.source);
        ASSERT_TRUE(Typeset(dir.Path(), "xelatex -no-pdf")) << d.name;
        std::string const xdv = dir / "doc.xdv";
        KsdviOk("render -r 100 -o " + (dir / "ours-%d.png") + " " + xdv);
        KsdviOk("pdf -o " + (dir / "doc.pdf") + " " + xdv);
        RunOk("pdftoppm -r 100 -png " + (dir / "doc.pdf") + " " + (dir / "theirs"));
        ExpectPagesOverlap(dir.Path(), std::string(d.name) + " pdf", 0.97);
        KsdviOk("svg -p 1 -o " + (dir / "doc.svg") + " " + xdv);
        RunOk("rsvg-convert -b white -d 100 -p 100 " + (dir / "doc.svg") + " -o " + (dir / "theirs-1.png"));
        ExpectPagesOverlap(dir.Path(), std::string(d.name) + " svg", 0.97);
    }
    if (compared == 0) GTEST_SKIP() << "neither tikz.sty nor Latin Modern's OpenType fonts are installed";
}

// A glyph index past the face's glyphs, and a font whose file is nowhere:
// both are named missing; the glyph the face has is drawn.
TEST(XdvRender, MissingGlyphsAndFontsAreNamed) {
    if (!TexFileInstalled("lmroman10-regular.otf")) GTEST_SKIP() << "no Latin Modern OpenType";
    DviBuilder b;
    b.Pre(1000, 7).Bop(1);
    b.NativeFontDef(1, 20 * 65536, 0, "lmroman10-regular.otf").NativeFontDef(2, 655360, 0, "no-such-font.otf");
    b.Op(141).Op(160).U(2 * 65536 * 72, 4);  // push, down4 2in
    b.Op(171 + 1).Glyphs(0, {{0, 0, 40}, {655360, 0, 65000}});
    b.Op(171 + 2).Glyphs(0, {{0, 0, 40}}).Op(142).Eop().Post();
    b.bytes[b.bytes.size() - 5] = 7;
    TempDir dir;
    b.WriteTo(dir / "bad.xdv");
    std::string said = KsdviOk("render -r 72 -o " + (dir / "page-%d.png") + " " + (dir / "bad.xdv"), true);
    EXPECT_NE(said.find("no-such-font.otf"), std::string::npos) << said;
    EXPECT_NE(said.find("65000"), std::string::npos) << said;
    GreyImage page;
    ASSERT_TRUE(ReadGreyPng(dir / "page-1.png", page));
    EXPECT_GT(page.DarkCount(), 20);
}

// graphicx's pictures in XeTeX's pdf:image specials: drawn at the size and
// place xdvipdfmx gives them, PNG files and PDF pages (shapes.eps made a PDF
// file by Ghostscript), also scaled, turned and mirrored; and XeTeX's own
// \XeTeXpicfile and \XeTeXpdffile, and dvipdfm's own keys for a turned picture.
TEST(XdvPictures, PdfImageLiesWhereXdvipdfmxPutsIt) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm", "ps2pdf"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    if (!TexFileInstalled("graphicx.sty")) GTEST_SKIP() << "graphicx.sty is not installed";
    for (auto [figure, own] :
         {std::pair{"pic.png", "\\XeTeXpicfile \"plain.png\""}, {"fig.pdf", "\\XeTeXpdffile \"fig.pdf\""}}) {
        SCOPED_TRACE(figure);
        TempDir dir;
        std::filesystem::copy_file(DataFile("pictures/rgb.png"), dir / "pic.png");
        std::filesystem::copy_file(DataFile("pictures/deep.png"), dir / "plain.png");
        RunOk("cd " + dir.Path() + " && ps2pdf -dEPSCrop " + DataFile("pictures/shapes.eps") + " fig.pdf");
        std::ofstream(dir / "doc.tex")
            << "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
               "A picture: \\includegraphics[width=5cm]{"
            << figure << "}\n\n\\includegraphics{" << figure << "}\n\n"
            << "\\includegraphics[width=3cm,angle=30]{" << figure << "}\n\n\\reflectbox{\\includegraphics[width=3cm]{"
            << figure
            << "}}\n\n"
            // XeTeX's own: at the file's size (a PNG file's at 72 dpi, which
            // plain.png does not give), scaled and turned by a matrix
            << own << " scaled 8000\n\n"
            << own << " rotated 30 scaled 5000\n\n"
            << "\\vspace*{3cm}\\noindent\\hspace{5cm}\\special{pdf:image width 3cm height 2cm rotate 45 (" << figure
            << ")}\n"
            << "\\end{document}\n";
        RunOk("cd " + dir.Path() + " && xelatex -no-pdf -interaction=batchmode doc.tex >/dev/null 2>&1 && " +
              "xdvipdfmx -q -o doc.pdf doc.xdv && pdftoppm -r 150 -gray -png doc.pdf theirs");
        std::string warnings =
            KsdviOk("render -r 150 --paper a4 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.xdv"), true);
        EXPECT_EQ(warnings.find("warning"), std::string::npos) << warnings;
        ExpectPagesOverlap(dir.Path(), figure);
    }
}

// The pure red and blue pixels of two pages: as many, within the same box.
void ExpectSameColours(std::string const& ours, std::string const& theirs) {
    struct Found {
        long n = 0;
        int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    };
    auto find = [](std::string const& file, uint32_t colour) {
        RgbImage page;
        EXPECT_TRUE(ReadRgbPng(file, page)) << file;
        Found f;
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x)
                if (page.At(x, y) == colour) {
                    ++f.n;
                    f.left = std::min(f.left, x), f.right = std::max(f.right, x);
                    f.top = std::min(f.top, y), f.bottom = std::max(f.bottom, y);
                }
        return f;
    };
    SCOPED_TRACE(ours);
    for (uint32_t colour : {0xFF0000u, 0x0000FFu}) {
        SCOPED_TRACE(colour);
        Found const o = find(ours, colour), t = find(theirs, colour);
        EXPECT_GT(t.n, 1000);
        EXPECT_NEAR(o.n, t.n, t.n / 20);
        for (auto [a, b] : {std::pair{o.left, t.left}, {o.top, t.top}, {o.right, t.right}, {o.bottom, t.bottom}})
            EXPECT_NEAR(a, b, 2);
    }
}

// pdf: content as dvipdfmx draws it and pdftoppm shows it (100 dpi):
// - hair lines (TikZ's 0.4 pt, thinner than a pixel, at every fraction of a
//   pixel, a \draw each) a pixel wide and dark, not smeared grey over two;
// - TeX's characters in the content's transformation and clip: pgf's
//   transform canvas scales and turns a node's text about the picture's
//   origin (pdf:bcontent), a clip path (TikZ's \clip) cuts it, and what
//   follows the content's end stands upright and whole again.
TEST(DvipdfmxContent, LooksAsDvipdfmxDrawsIt) {
    for (char const* tool : {"latex", "dvipdfmx", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    std::string lines;
    for (int i = 0; i < 10; ++i) {
        std::string const at = std::to_string(i * 7.13);
        lines += at + " 0 m " + at + " -100 l S 0 -" + at + " m 60 -" + at + " l S ";
    }
    struct Case {
        char const* name;
        std::string body;
        double least;
    } const cases[] = {
        {"hair lines",
         "\\special{pdf:bcontent}\\special{pdf:code 0.4 w " + lines + "80 0 m 140 -100 l S}\\special{pdf:econtent}",
         0.9},
        {"text in the canvas",
         "Plain words.\\special{pdf:bcontent}\\special{pdf:code q 3 0 0 3 0 0 cm}Big\\special{pdf:code Q}"
         "\\special{pdf:econtent}\n\n\\vspace{3cm}\n\\noindent\\special{pdf:bcontent}"
         "\\special{pdf:code 0.866 0.5 -0.5 0.866 0 0 cm}Turned by a canvas\\special{pdf:econtent} then upright."
         "\n\n\\vspace{1cm}\\noindent\\special{pdf:bcontent}\\special{pdf:code q 0 -5 m 30 -5 l 30 10 l 0 10 l h W n}"
         "Words cut at the clip\\special{pdf:code Q}\\special{pdf:econtent} and whole ones.",
         0.95},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::ofstream(dir / "doc.tex") << "\\documentclass{article}\n\\pagestyle{empty}\n\\begin{document}\n\\noindent "
                                       << c.body << "\n\\end{document}\n";
        ASSERT_TRUE(Typeset(dir.Path(), "latex"));
        RunOk("cd " + dir.Path() + " && dvipdfmx -q -o doc.pdf doc.dvi && pdftoppm -r 100 -gray -png doc.pdf theirs");
        KsdviOk("render -r 100 --paper a4 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.dvi"));
        ExpectPagesOverlap(dir.Path(), c.name, c.least);
    }
}

// Glyphs under a fill opacity of pdf: content (pgf's text opacity, the
// transparent package) and of a font colour with alpha (fontspec's Opacity)
// let the paper through as xdvipdfmx's do: the page's pixels fall into the
// same classes of grey, and nothing is drawn black that should be faint.
TEST(XdvText, FaintWhereTheDocumentAsksForOpacity) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    if (!TexFileInstalled("lmroman10-regular.otf")) GTEST_SKIP() << "lmroman10-regular.otf is not installed";
    TempDir dir;
    std::ofstream(dir / "doc.tex")
        << "\\documentclass{article}\n\\font\\half=\"[lmroman10-regular.otf]:color=0000FF80\" at 40pt\n"
           "\\begin{document}\n\\special{pdf:put @resources << /ExtGState << /ksFaint << /ca 0.3 >> >> >>}\n"
           "{\\fontsize{40}{48}\\selectfont \\special{pdf:code q /ksFaint gs}Faded\\special{pdf:code Q} Solid}\\par\n"
           "{\\half Blue}\n\\end{document}\n";
    ASSERT_TRUE(Typeset(dir.Path(), "xelatex -no-pdf"));
    RunOk("cd " + dir.Path() +
          " && xdvipdfmx -q -o doc.pdf doc.xdv && pdftoppm -r 100 -gray -png -singlefile doc.pdf theirs");
    for (char const* output : {"render", "pdf"}) {
        SCOPED_TRACE(output);
        if (output == std::string("render")) {
            KsdviOk("render -r 100 --paper a4 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.xdv"));
        } else {
            KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + (dir / "doc.xdv"));
            RunOk("pdftoppm -r 100 -gray -png -singlefile " + (dir / "ours.pdf") + " " + (dir / "ours-1"));
        }
        // Pixels black (Solid), mid grey (Blue at half) and light grey (Faded).
        auto classes = [](std::string const& file) {
            GreyImage page;
            EXPECT_TRUE(ReadGreyPng(file, page)) << file;
            std::array<long, 3> n{};
            for (uint8_t v : page.pixels)
                if (v < 215) ++n[v < 80 ? 0 : v < 160 ? 1 : 2];
            return n;
        };
        std::array<long, 3> const ours = classes(dir / "ours-1.png"), theirs = classes(dir / "theirs.png");
        for (size_t i = 0; i < ours.size(); ++i) {
            EXPECT_GT(theirs[i], 200) << i;
            EXPECT_NEAR(ours[i], theirs[i], theirs[i] / 5 + 20) << i;
        }
    }
}

// A PNG file trimmed unevenly keeps the part xdvipdfmx keeps: its red top
// and blue bottom shown in the same proportions and places (rgb.png, 300 dpi),
// on the page and in a PDF, with an alpha channel (opaque: decoded with its
// transparency, drawn through Cairo) or without.
TEST(XdvPictures, TrimmedPngKeepsThePartXdvipdfmxKeeps) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm", "convert"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    if (!TexFileInstalled("graphicx.sty")) GTEST_SKIP() << "graphicx.sty is not installed";
    for (bool const alpha : {false, true}) {
        // Cut at the box, and without clip the whole picture about the box.
        for (char const* clip : {",clip", ""}) {
            SCOPED_TRACE(std::string(clip) + (alpha ? " alpha" : ""));
            TempDir dir;
            if (alpha)
                RunOk("convert " + DataFile("pictures/rgb.png") + " -alpha set PNG32:" + (dir / "pic.png"));
            else
                std::filesystem::copy_file(DataFile("pictures/rgb.png"), dir / "pic.png");
            std::ofstream(dir / "doc.tex")
                << "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
                   "\\vspace*{3cm}\\hspace*{3cm}\\includegraphics[width=4cm,trim=0.5 0.25 0.75 0.5"
                << clip << "]{pic.png}\n\\end{document}\n";
            RunOk("cd " + dir.Path() + " && xelatex -no-pdf -interaction=batchmode doc.tex >/dev/null 2>&1 && " +
                  "xdvipdfmx -q -o doc.pdf doc.xdv && pdftoppm -r 100 -png -singlefile doc.pdf theirs");
            KsdviOk("render -r 100 --paper a4 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.xdv"));
            ExpectSameColours(dir / "ours-1.png", dir / "theirs.png");
            KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + (dir / "doc.xdv"));
            RunOk("pdftoppm -r 100 -png -singlefile " + (dir / "ours.pdf") + " " + (dir / "ours-pdf"));
            ExpectSameColours(dir / "ours-pdf.png", dir / "theirs.png");
        }
    }
}

// Classes of pixels by their colour.
using PixelClass = bool (*)(int r, int g, int b);
bool Red(int r, int g, int b) { return r > 200 && g < 60 && b < 60; }
bool Green(int r, int g, int b) { return g > 150 && r < 80 && b < 80; }
bool Blue(int r, int g, int b) { return b > 200 && r < 60 && g < 60; }
bool Black(int r, int g, int b) { return r < 60 && g < 60 && b < 60; }

// ksdvi's page of dir/doc.xdv on `paper`, and the page of its PDF, hold as
// many pixels of each class as xdvipdfmx's (theirs.png), within an eighth;
// theirs holds at least 300 of each.
void ExpectColoursAsTheirs(TempDir const& dir, std::string const& paper, std::vector<PixelClass> const& classes) {
    KsdviOk("render -r 100 --paper " + paper + " -o " + (dir / "ours-%d.png") + " " + (dir / "doc.xdv"));
    KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + (dir / "doc.xdv"));
    RunOk("pdftoppm -r 100 -png -singlefile " + (dir / "ours.pdf") + " " + (dir / "ours-pdf"));
    auto counts = [&](std::string const& file) {
        RgbImage page;
        EXPECT_TRUE(ReadRgbPng(file, page)) << file;
        std::vector<long> n(classes.size());
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x) {
                uint32_t const p = page.At(x, y);
                for (size_t i = 0; i < classes.size(); ++i) n[i] += classes[i](p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
            }
        return n;
    };
    std::vector<long> const theirs = counts(dir / "theirs.png");
    for (std::string const ours : {"ours-1.png", "ours-pdf.png"}) {
        std::vector<long> const n = counts(dir / ours);
        for (size_t i = 0; i < n.size(); ++i) {
            EXPECT_GT(theirs[i], 300) << i;
            EXPECT_NEAR(n[i], theirs[i], theirs[i] / 8) << ours << " class " << i;
        }
    }
}

// A XeLaTeX page of `body` in dir/doc.xdv, and xdvipdfmx's page of it,
// through pdftoppm, in dir/theirs.png.
void TypesetWithTheirs(TempDir const& dir, std::string const& body) {
    std::ofstream(dir / "doc.tex") << "\\documentclass{article}\n\\pagestyle{empty}\n\\begin{document}\n"
                                   << body << "\\end{document}\n";
    ASSERT_TRUE(Typeset(dir.Path(), "xelatex -no-pdf"));
    RunOk("cd " + dir.Path() + " && xdvipdfmx -q -o doc.pdf doc.xdv && pdftoppm -r 100 -png -singlefile doc.pdf theirs");
}

// TikZ's drawing after a picture it places lies over it, as xdvipdfmx
// stacks them: a red bar and a green ring over a blue PNG and a JPEG, and a
// picture inside the ring over it again; what the drawing drew before stays
// beneath the words set on it (a colour box); on the page and in a PDF.
TEST(XdvPictures, DrawingAfterAPictureLiesOverIt) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    if (!TexFileInstalled("tikz.sty")) GTEST_SKIP() << "tikz.sty is not installed";
    TempDir dir;
    auto write = [&](std::string const& name, Bytes const& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<char const*>(bytes.data()), std::streamsize(bytes.size()));
    };
    write("blue.png", MakePng(40, 20, OneColour(0, 0, 255)));
    write("blue.jpg", MakeJpeg(40, 20, OneColour(0, 0, 255)));
    std::ofstream(dir / "doc.tex")
        << "\\documentclass{article}\n\\usepackage{tikz}\n\\begin{document}\n"
           "\\colorbox{yellow}{\\Huge Words on a box}\\par\n"
           "\\begin{tikzpicture}\\node[inner sep=0] at (0,0) {\\includegraphics[width=4cm]{blue.png}};\n"
           "\\fill[red] (-1,-0.3) rectangle (1,0.3);\\end{tikzpicture}\\par\n"
           "\\begin{tikzpicture}\\node[inner sep=0] at (0,0) {\\includegraphics[width=4cm]{blue.jpg}};\n"
           "\\draw[green,line width=4pt] (0,0) circle (0.7);\n"
           "\\node[inner sep=0] at (0,0) {\\includegraphics[width=0.8cm]{blue.png}};\\end{tikzpicture}\n"
           "\\end{document}\n";
    RunOk("cd " + dir.Path() + " && xelatex -no-pdf -interaction=batchmode doc.tex >/dev/null 2>&1 && " +
          "xdvipdfmx -q -o doc.pdf doc.xdv && pdftoppm -r 100 -png -singlefile doc.pdf theirs");
    ExpectColoursAsTheirs(dir, "letter",
                          {Red, Green, Blue, Black});
}

// Spot colours as xespotcolor writes them, shown in their alternate
// colours as xdvipdfmx's are: a Separation space put in the page's
// resources (its function a named object, defined after), as the page's
// background, in a colour special and set by pdf:literal (\SpotColor) for
// the words and the rule after it; on the page and in a PDF.
TEST(XdvColours, SpotColoursShowAsXdvipdfmxShowsThem) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    TypesetWithTheirs(
        dir, "\\special{pdf:put @resources << /ColorSpace << /Teal [/Separation /Ink#20Teal /DeviceCMYK @tealfn]\n"
           "  /Leaf @leaf >> >>}\n"
           "\\special{pdf:obj @tealfn << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0.92 0.24 0 0] /N 1 >>}\n"
           "\\special{pdf:obj @leaf [/Separation /Ink#20Leaf /DeviceRGB\n"
           "  << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0.8 0] /N 1 >>]}\n"
           "\\special{background spot Teal 1.0}\n"
           "\\Huge Black words \\special{pdf:literal /Leaf cs 1 sc}green words \\rule{3cm}{1cm}\\par\n"
           "\\special{color push spot Leaf 1.0}Green again\\special{color pop} black\n");
    ExpectColoursAsTheirs(dir, "a4",
                          {[](int r, int g, int b) { return b > 180 && r < 80 && g > 100; },  // teal
                           Green, Black});
}

// dvipdfmx's colour specials as LaTeX's l3color and the graphics drivers
// write them, on words, rules and the drawing: a colour that ends brings
// back the one pushed before it (also for the drawing after it); a fill
// colour named by l3color's spot object or after "fill"; bare numbers;
// scolor; a colour that does not read keeps the one in force.
TEST(XdvColours, PdfColourSpecialsShowAsXdvipdfmxShowsThem) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    TypesetWithTheirs(
        dir, "\\special{pdf:obj @pdf.obj1 << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0.8 0] /N 1 >>}\n"
           "\\special{pdf:obj @pdf.obj2 [ /Separation/Leaf#20Ink /DeviceRGB @pdf.obj1 ]}\n"
           "\\def\\bar{\\noindent\\special{pdf:content 0 0 m 90 0 l 90 30 l 0 30 l f}\\kern100bp"
           "\\rule{1cm}{12mm} words\\par}\n"
           "\\special{color push rgb 1 0 0}\\special{pdf:bc [0 0 1]}\\bar\\special{pdf:ec}\\bar"
           "\\special{color pop}\n"
           "\\special{pdf:bc fill @pdf.obj2 [1.0] stroke [1 0 0]}\\bar\\special{pdf:ec}\n"
           "\\special{pdf:bc 0 0 1}\\bar\\special{pdf:sc [0 0.8 0]}\\bar\\special{pdf:ec}\n"
           "\\special{pdf:bc [1 0 0]}\\special{pdf:bc garbage}\\bar\\special{pdf:ec}\\bar\\special{pdf:ec}\n"
           "\\bar\n");
    ExpectColoursAsTheirs(dir, "a4", {Red, Green, Blue, Black});
}

// ksdvi's page of dir/`file` on letter paper, and the page of its PDF,
// show `rules` rules stacked at the top of the page in the colours of the
// peer's page (theirs.png), within 2 in each component: at the middle of
// each rule down the first one's middle column.
void ExpectRuleColoursAsTheirs(TempDir const& dir, std::string const& file, size_t rules) {
    KsdviOk("render -r 100 --paper letter -o " + (dir / "ours-%d.png") + " " + (dir / file));
    KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + (dir / file));
    RunOk("pdftoppm -r 100 -png -singlefile " + (dir / "ours.pdf") + " " + (dir / "ours-pdf"));
    RgbImage theirs, ours, oursPdf;
    ASSERT_TRUE(ReadRgbPng(dir / "theirs.png", theirs));
    ASSERT_TRUE(ReadRgbPng(dir / "ours-1.png", ours));
    ASSERT_TRUE(ReadRgbPng(dir / "ours-pdf.png", oursPdf));
    int x = -1;
    for (int y = 0; y < theirs.height && x < 0; ++y) {
        std::vector<int> ink;
        for (int i = 0; i < theirs.width; ++i)
            if (theirs.At(i, y) != 0xFFFFFF) ink.push_back(i);
        if (!ink.empty()) x = (ink.front() + ink.back()) / 2;
    }
    std::vector<int> middles;
    for (int y = 0, start = -1; y < theirs.height; ++y) {
        bool const ink = theirs.At(x, y) != 0xFFFFFF;
        if (ink && start < 0) start = y;
        if (!ink && start >= 0) {
            middles.push_back((start + y) / 2);
            start = -1;
        }
    }
    ASSERT_EQ(middles.size(), rules);
    for (int y : middles)
        for (RgbImage const* image : {&ours, &oursPdf})
            for (int shift : {16, 8, 0}) {
                int const a = theirs.At(x, y) >> shift & 0xFF, b = image->At(x, y) >> shift & 0xFF;
                EXPECT_NEAR(a, b, 2) << "at y " << y << (image == &ours ? " on the page" : " in the PDF");
            }
}

// CMYK colours (dvipsnames', xcolor's cmyk model) show as the document's
// peer shows them: a document for xdvipdfmx or dvipdfmx as poppler shows
// their PDF, one for dvips as Ghostscript shows its PostScript. The two
// differ by up to 40 in a component (NavyBlue: (38, 107, 189) and
// (0, 110, 184)). Each rule's middle, on the page and in `ksdvi pdf`.
TEST(PeerColours, CmykShowsAsTheDocumentsPeerShowsIt) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "latex", "platex", "dvipdfmx", "dvips", "gs", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    std::string rules;
    for (char const* cmyk : {"0.94 0.54 0 0", "0.91 0 0.88 0.12", "0 0.10 0.84 0", "0.86 0 0.34 0.02", "0 0 0 0.5"})
        rules += std::string("\\special{color push cmyk ") + cmyk + "}\\rule{3cm}{3mm}\\special{color pop}\\par\n";
    struct Peer {
        char const *engine, *file, *options, *peer;
    } const peers[] = {
        {"xelatex -no-pdf", "doc.xdv", "",
         "xdvipdfmx -q -o doc.pdf doc.xdv && pdftoppm -r 100 -png -singlefile doc.pdf theirs"},
        {"latex", "doc.dvi", "\\special{pdf:pagesize default}",
         "dvipdfmx -q -o doc.pdf doc.dvi && pdftoppm -r 100 -png -singlefile doc.pdf theirs"},
        {"platex", "doc.dvi", "\\char\\jis\"3021",  // a pTeX font after the colours, nothing else for dvipdfmx
         "dvipdfmx -q -o doc.pdf doc.dvi && pdftoppm -r 100 -png -singlefile doc.pdf theirs"},
        {"latex", "doc.dvi", "",
         "dvips -q -o doc.ps doc.dvi && gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r100 -sOutputFile=theirs.png "
         "doc.ps"},
    };
    for (Peer const& p : peers) {
        SCOPED_TRACE(p.peer);
        TempDir dir;
        std::ofstream(dir / "doc.tex") << "\\documentclass{article}\n\\pagestyle{empty}\n\\begin{document}\n"
                                       << "\\noindent\n"
                                       << rules << p.options << "\\end{document}\n";
        ASSERT_TRUE(Typeset(dir.Path(), p.engine));
        RunOk("cd " + dir.Path() + " && " + p.peer);
        ExpectRuleColoursAsTheirs(dir, p.file, 5);
    }
}

// l3color's spot colours for dvips: the colour special names a procedure
// of a `!` special that sets a Separation space, and the tint through its
// transform shows as Ghostscript shows dvips' page. l3color's own
// procedures: CMYK values scaled by the tint, and the one it writes for an
// RGB alternate (whose stack words take the first value for the tint).
TEST(PeerColours, L3ColourSeparationsShowAsGhostscriptShowsThem) {
    for (char const* tool : {"latex", "dvips", "gs", "pdftoppm"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    std::ofstream(dir / "doc.tex")
        << "\\documentclass{article}\n\\pagestyle{empty}\n"
           "\\special{!TeXDict begin /color1{[ /Separation (PANTONE#203005#20U) [ /DeviceCMYK ] {1 0.56 0 0 4 "
           "index mul 4 1 roll 4 index mul 4 1 roll 4 index mul 4 1 roll 4 index mul 4 1 roll 5 -1 roll pop}] "
           "setcolorspace} def end}\n"
           "\\special{!TeXDict begin /color2{[ /Separation (Lab#20Red) [ /DeviceRGB ] {0.9 0.1 0.1 2 index mul 2 1 "
           "roll 2 index mul 2 1 roll 3 -1 roll pop}] setcolorspace} def end}\n"
           "\\begin{document}\n\\noindent\n"
           "\\special{color push separation color1 1.0}\\rule{3cm}{3mm}\\special{color pop}\\par\n"
           "\\special{color push separation color1 0.5}\\rule{3cm}{3mm}\\special{color pop}\\par\n"
           "\\special{color push separation color2 0.8}\\rule{3cm}{3mm}\\special{color pop}\\par\n"
           "\\end{document}\n";
    ASSERT_TRUE(Typeset(dir.Path(), "latex"));
    RunOk("cd " + dir.Path() +
          " && dvips -q -o doc.ps doc.dvi && gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r100 "
          "-sOutputFile=theirs.png doc.ps");
    ExpectRuleColoursAsTheirs(dir, "doc.dvi", 3);
}

// A PDF page 100 by 50 points with transparency: a red half see-through on
// its left, an opaque dark green square on its right; nothing else.
void WriteGlassPdf(std::string const& path) {
    cairo_surface_t* pdf = cairo_pdf_surface_create(path.c_str(), 100, 50);
    cairo_t* cr = cairo_create(pdf);
    cairo_set_source_rgba(cr, 1, 0, 0, 0.5);
    cairo_rectangle(cr, 5, 5, 40, 40);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0.3, 0);
    cairo_rectangle(cr, 70, 20, 20, 20);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(pdf);
}

// Figures of graphicx's xetex and dvipdfmx drivers, as the peer draws them
// on the page and in a PDF: XeLaTeX's PDF figures cut by the pdf:literal clip
// around them (upright: a turned clip cuts to its bounding box); the dvipdfmx
// driver's (pdf:epdf) at their size, stretched to a width and a height,
// trimmed and cut; EPS figures whose box counts from their own box's corner;
// a JPEG photo of 200 dots per inch at its size; a PNG file, half of it
// transparent, and a PDF page with transparency over black rules.
TEST(DvipdfmxFigures, LieAndAreCutWhereThePeerPutsThem) {
    struct Case {
        char const *engine, *peer, *file, *options, *body;
    } const cases[] = {
        {"xelatex -no-pdf", "xdvipdfmx", "doc.xdv", "",
         "X\\includegraphics[width=5cm,trim=2 1 4 3,clip]{fig.pdf}X\\par\n"
         "X\\includegraphics[width=3cm,viewport=4 2 12 10,clip]{fig.pdf}X\\par\n"
         "X\\includegraphics[width=4cm]{fig.eps}X\\par\n"
         "X\\includegraphics[width=5cm,trim=2 1 4 3,clip]{fig.eps}X\\par\n"
         "\\noindent\\rlap{\\rule{4cm}{3cm}}\\includegraphics[width=4cm]{alpha.png}\\par\n"
         "\\noindent\\rlap{\\rule{6cm}{3cm}}\\includegraphics[width=6cm]{glass.pdf}\n"},
        {"latex", "dvipdfmx", "doc.dvi", "[dvipdfmx]",
         "\\noindent\\includegraphics[width=4cm]{fig.pdf}\\par\n"
         "\\noindent\\includegraphics[width=10cm,height=2cm]{fig.pdf}\\par\n"
         "\\noindent X\\includegraphics[width=5cm,trim=2 1 4 3,clip]{fig.pdf}X\\par\n"
         "\\noindent X\\includegraphics[width=5cm,trim=2 1 4 3]{fig.pdf}X\\par\n"
         "\\noindent X\\includegraphics[width=4cm]{fig.eps}X\\par\n"
         "\\noindent X\\includegraphics[width=5cm,trim=2 1 4 3,clip]{fig.eps}X\\par\n"
         "\\noindent X\\includegraphics{photo.jpg}X\\par\n"
         // by hand, a width or a height alone: the other side in proportion
         "\\vspace*{4cm}\\noindent X\\special{pdf:image height 4cm (photo.jpg)}X"
         "\\special{pdf:image width 2cm (fig.pdf)}\\par\n"
         "\\noindent\\rlap{\\rule{4cm}{3cm}}\\includegraphics[width=4cm]{alpha.png}\\par\n"
         "\\noindent\\rlap{\\rule{6cm}{3cm}}\\includegraphics[width=6cm]{glass.pdf}\n"},
    };
    if (!TexFileInstalled("graphicx.sty")) GTEST_SKIP() << "graphicx.sty is not installed";
    for (Case const& c : cases) {
        std::string const engine = std::string(c.engine).substr(0, std::string(c.engine).find(' '));
        if (!HaveCommand(engine) || !HaveCommand(c.peer) || !HaveCommand("pdftoppm") || !HaveCommand("ps2pdf"))
            continue;
        SCOPED_TRACE(engine);
        TempDir dir;
        RunOk("cd " + dir.Path() + " && ps2pdf -dEPSCrop " + DataFile("pictures/shapes.eps") + " fig.pdf");
        std::filesystem::copy_file(DataFile("pictures/shapes.eps"), dir / "fig.eps");
        std::filesystem::copy_file(DataFile("pictures/greyalpha.png"), dir / "alpha.png");
        WriteGlassPdf(dir / "glass.pdf");
        Bytes const photo = WithJfifDensity(MakeJpeg(300, 150, OneColour(200, 30, 30)), 1, 200, 200);
        std::ofstream(dir / "photo.jpg", std::ios::binary)
            .write(reinterpret_cast<char const*>(photo.data()), std::streamsize(photo.size()));
        std::ofstream(dir / "doc.tex") << "\\documentclass{article}\n\\usepackage" << c.options
                                       << "{graphicx}\n\\begin{document}\n"
                                       << c.body << "\\end{document}\n";
        RunOk("cd " + dir.Path() + " && " + c.engine + " -interaction=batchmode doc.tex >/dev/null 2>&1 && " + c.peer +
              " -q -o doc.pdf " + c.file + " && pdftoppm -r 150 -gray -png doc.pdf theirs");
        std::string warnings =
            KsdviOk("render -r 150 --paper a4 -o " + (dir / "ours-%d.png") + " " + (dir / c.file), true);
        EXPECT_EQ(warnings.find("warning"), std::string::npos) << warnings;
        ExpectPagesOverlap(dir.Path(), "render");
        KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + (dir / c.file));
        RunOk("pdftoppm -r 150 -gray -png " + (dir / "ours.pdf") + " " + (dir / "ours"));
        ExpectPagesOverlap(dir.Path(), "pdf");
    }
}

}  // namespace

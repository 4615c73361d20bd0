// Pages rendered by ksdvi put their ink where the peers put it, at the same
// resolution, paper and origin: dvipng for TeX's fonts (the same outline
// fonts of the installation, the same METAFONT bitmaps where it has none), and
// dvips with Ghostscript for what dvipng leaves out: EPS figures and the
// PostScript that documents carry. Documents of LaTeX packages that write
// PostScript (beamer, TikZ, graphicx, hyperref) are made by LaTeX at test time;
// their cases are skipped on a machine without the package.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/InkOverlap.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

using namespace std::literals;

enum class Peer { Dvipng, DvipsGhostscript };

// dvips and Ghostscript's pages of `dvi` as theirs-N.png in `out`: dvips runs
// in `cwd`, where it finds the figures, as ksdvi finds them beside the
// document; the paper is the document's. Colour pages, so that both images
// turn grey the same way. `throughPdf`: Ghostscript writes a PDF, which
// pdftoppm rasterises (the opacity and fadings of pgf, beamer's shadows, only
// a PDF writer draws); else Ghostscript draws the pages itself.
bool RenderWithDvips(std::string const& cwd, std::string const& dvi, TempDir const& out, int dpi,
                     bool throughPdf = true) {
    std::string const resolution = std::to_string(dpi);
    std::string const draw =
        throughPdf ? "gs -q -dSAFER -dALLOWPSTRANSPARENCY -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -o " +
                         (out / "page.pdf") + " " + (out / "page.ps") + " >/dev/null 2>&1 && pdftoppm -png -r " +
                         resolution + " " + (out / "page.pdf") + " " + (out / "theirs")
                   : "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -dTextAlphaBits=4 -dGraphicsAlphaBits=4 -r" +
                         resolution + " -o " + (out / "theirs-%d.png") + " " + (out / "page.ps") + " >/dev/null 2>&1";
    return Succeeds("cd " + cwd + " && dvips -q -o " + (out / "page.ps") + " " + dvi + " 2>/dev/null && " + draw);
}

struct Case {
    char const* file;
    int dpi;
    int pages;
    Peer peer = Peer::Dvipng;
};

class PeerAgreement : public testing::TestWithParam<Case> {};

TEST_P(PeerAgreement, InkLiesWhereThePeerPutsIt) {
    Case const& c = GetParam();
    TempDir dir;
    std::string dpi = std::to_string(c.dpi);
    KsdviOk("render -r " + dpi + " -o " + (dir / "ours-%d.png") + " " + DataFile(c.file));
    if (c.peer == Peer::Dvipng) {
        RunOk("dvipng -q -D " + dpi + " -T 210mm,297mm -O 1in,1in -o " + (dir / "theirs-%d.png") + " " +
              DataFile(c.file) + " >/dev/null 2>&1");
    } else {
        ASSERT_TRUE(RenderWithDvips(DataFile(""), c.file, dir, c.dpi));
    }
    // dvipng keeps TeX's pixel convention, where a reference point is the lower
    // left corner of its pixel: its ink sits one row lower than the exact
    // baseline ksdvi draws on. The overlap's pixel of slack absorbs that row.
    int pages = 0;
    ExpectPagesOverlap(dir.Path(), c.file, 0.95, c.peer == Peer::Dvipng ? 0 : 1, &pages);
    EXPECT_EQ(pages, c.pages);
}

INSTANTIATE_TEST_SUITE_P(Documents, PeerAgreement,
                         testing::Values(Case{"plain.dvi", 150, 3}, Case{"latex.dvi", 150, 2},
                                         Case{"latex.dvi", 300, 2}, Case{"fonts.dvi", 72, 2}, Case{"times.dvi", 150, 1},
                                         Case{"t1fonts.dvi", 150, 1}, Case{"lmodern.dvi", 150, 1},
                                         Case{"psnfss.dvi", 150, 1}, Case{"metafont.dvi", 150, 1},
                                         Case{"kotex.dvi", 150, 1}, Case{"figures.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"postscript.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"beamer.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"clipped.dvi", 150, 1, Peer::DvipsGhostscript}),
                         [](auto const& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.')) + "_" + std::to_string(info.param.dpi) +
                                    (info.param.peer == Peer::Dvipng ? "" : "_dvips");
                         });

// ---- documents LaTeX makes at test time

// A document of LaTeX, with the files it reads written beside it.
struct LatexCase {
    char const* name;
    std::vector<char const*> needs;  // files of the packages it uses, as kpsewhich finds them
    char const* source;
    std::vector<std::pair<char const*, std::string_view>> files = {};
    int runs = 1;  // LaTeX runs until its references are resolved
    // Ghostscript draws the reference pages itself: pgf's patterns, whose
    // hatching pdftoppm lays at another phase.
    bool throughPdf = true;
};

// doc.dvi made from the case in `dir`; false (with the reason) when LaTeX failed.
testing::AssertionResult MakeDvi(LatexCase const& c, TempDir const& dir) {
    WriteFileText(dir / "doc.tex", c.source);
    for (auto const& [name, text] : c.files) WriteFileText(dir / name, std::string(text));
    return Typeset(dir.Path(), "latex", c.runs);
}

// What `ksdvi ARGS`, which must succeed, writes to standard error.
std::string KsdviWarnings(std::string const& args) {
    return RunOk(std::string(KSDVI_CLI) + " " + args + " 2>&1 >/dev/null");
}

class LatexPeerAgreement : public testing::TestWithParam<LatexCase> {};

// Every page agrees with dvips and Ghostscript, is the same drawn alone as
// drawn with the document, and PostScript that runs cleanly says nothing.
TEST_P(LatexPeerAgreement, PagesLookAsDvipsDrawsThem) {
    LatexCase const& c = GetParam();
    for (char const* file : {"latex.ltx", "article.cls"})
        if (!TexFileInstalled(file)) GTEST_SKIP() << "LaTeX is not installed (" << file << ")";
    for (char const* file : c.needs)
        if (!TexFileInstalled(file)) GTEST_SKIP() << file << " is not installed";
    TempDir dir;
    ASSERT_TRUE(MakeDvi(c, dir));
    int const dpi = 150;
    std::string const dvi = dir / "doc.dvi";
    EXPECT_EQ(KsdviWarnings("render -r " + std::to_string(dpi) + " -o " + (dir / "ours-%d.png") + " " + dvi), "");
    ASSERT_TRUE(RenderWithDvips(dir.Path(), "doc.dvi", dir, dpi, c.throughPdf));
    int pages = 0;
    ExpectPagesOverlap(dir.Path(), c.name, 0.95, 1, &pages);
    EXPECT_FALSE(std::filesystem::exists(dir / ("ours-" + std::to_string(pages + 1) + ".png")));
    for (int page = 1; page <= pages; ++page) {
        std::string const n = std::to_string(page);
        KsdviWarnings("render -r " + std::to_string(dpi) + " -p " + n + " -o " + (dir / "alone-%d.png") + " " + dvi);
        EXPECT_TRUE(ReadFileText(dir / ("alone-" + n + ".png")) == ReadFileText(dir / ("ours-" + n + ".png")))
            << c.name << " page " << n << " drawn alone differs from the page drawn with the document";
    }
}

// An EPS figure, a triangle with a bar on its left: turned, mirrored or
// squeezed, it shows which.
constexpr char kShapeEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 60\n"
    "0 setgray 0 0 12 60 rectfill\n"
    "newpath 20 5 moveto 95 5 lineto 20 55 lineto closepath fill\n%%EOF\n";

// Two figures of the same size: a black square under a white one with a
// light grey band; dvips paints the second over the first.
constexpr char kUnderEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n0 setgray 0 0 100 100 rectfill\n%%EOF\n";
constexpr char kOverEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n"
    "1 setgray 0 0 60 100 rectfill 0.9 setgray 60 0 20 100 rectfill\n%%EOF\n";

// A frame whose stroke lies on the bounding box, half of it outside.
constexpr char kFrameEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 120 80\n"
    "0 setgray 6 setlinewidth 0 0 120 80 rectstroke 0 0 moveto 120 80 lineto stroke\n%%EOF\n";

constexpr char kTagsEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 200 100\n"
    "newpath 10 10 moveto 190 90 lineto stroke /Helvetica findfont 14 scalefont setfont\n"
    "20 60 moveto (XLABEL) show 150 20 moveto (YLABEL) show\n%%EOF\n";

constexpr char kLightEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 300 60\n0.85 setgray 0 0 300 60 rectfill\n%%EOF\n";

// A frame the size of mwe's example-image.eps, which LaTeX scales to odd
// resolutions.
constexpr char kWideFrameEps[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 320 240\n"
    "0 setgray 4 setlinewidth 2 2 316 236 rectstroke\n%%EOF\n";

// An image of binary data, as ImageMagick's EPS files hold theirs: the
// bytes hold NULs and a newline; the left half is dark.
constexpr std::string_view kBinaryImageEps =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 160 80\n160 80 scale\n"
    "8 4 8 [8 0 0 -4 0 4] {currentfile 32 string readstring pop} image\n"
    "\0\0\n\0\xff\xff\xff\xff\0\0\n\0\xff\xff\xff\xff\0\0\n\0\xff\xff\xff\xff\0\0\n\0\xff\xff\xff\xff\n%%EOF\n"sv;

// A figure as dvips writes one (mwe's example-image.eps): a whole page of
// dvips's output that asks for its paper.
constexpr char kPageEps[] =
    "%!PS-Adobe-2.0\n%%BoundingBox: 0 0 100 60\n"
    "statusdict /setpageparams known { 100 60 0 1 statusdict begin { setpageparams } stopped end } if\n"
    "<< /PageSize [100 60] >> setpagedevice\n"
    "0.6 setgray 0 0 100 60 rectfill 0 setgray 10 10 80 40 rectstroke\nshowpage\n%%EOF\n";

INSTANTIATE_TEST_SUITE_P(
    Packages, LatexPeerAgreement,
    testing::Values(
        // Items not uncovered yet lie under pgf's null device; the first
        // document goes through Ghostscript (its navigation symbols are
        // pictures of pgf), the second without.
        LatexCase{"beamer_overlays",
                  {"beamer.cls"},
                  "\\documentclass{beamer}\n\\begin{document}\n\\begin{frame}{Overlays}\n\\begin{itemize}\n"
                  "\\item<+-> First point, shown at once\n\\item<+-> Second point\n\\item<+-> Third point\n"
                  "\\end{itemize}\n\\pause\nA last line after a pause, long enough to reach the right edge "
                  "of the slide.\n\\end{frame}\n\\end{document}\n"},
        LatexCase{"beamer_overlays_without_navigation",
                  {"beamer.cls"},
                  "\\documentclass{beamer}\n\\setbeamertemplate{navigation symbols}{}\n\\begin{document}\n"
                  "\\begin{frame}{Overlays}\n\\only<1>{Only on the first slide.}\\uncover<2->{Uncovered "
                  "on the second.}\n\\begin{itemize}\n\\item<+-> First point\n\\item<+-> Second point\n"
                  "\\end{itemize}\n\\pause\nA last line after a pause.\n\\end{frame}\n\\end{document}\n"},
        // beamer's shadows are pgf's fadings, made on the first slide that
        // shows one and used again on the next
        LatexCase{"beamer_shadows_on_later_slides",
                  {"beamer.cls"},
                  "\\documentclass{beamer}\n\\usetheme{Warsaw}\n\\begin{document}\n"
                  "\\begin{frame}{One}\\begin{block}{A block}Text in a block.\\end{block}\\end{frame}\n"
                  "\\begin{frame}{Two}\\begin{block}{Another}More text.\\end{block}\\end{frame}\n"
                  "\\end{document}\n"},
        // pgf defines a pattern in global VM on the page that first uses it
        LatexCase{"tikz_pattern_of_an_earlier_page",
                  {"tikz.sty"},
                  "\\documentclass{article}\n\\usepackage{tikz}\n\\usetikzlibrary{patterns}\n"
                  "\\begin{document}\n\\begin{tikzpicture}\n"
                  "\\fill[pattern=north east lines] (0,0) rectangle (4,3);\n\\draw[very thick] (0,0) rectangle (4,3);\n"
                  "\\end{tikzpicture}\n\\newpage\n\\begin{tikzpicture}\n"
                  "\\fill[pattern=north east lines] (0,0) rectangle (5,2);\n\\draw[very thick] (0,0) circle (1);\n"
                  "\\end{tikzpicture}\n\\end{document}\n",
                  {},
                  1,
                  false},
        // half-opaque discs show each other and the text beneath
        LatexCase{"tikz_opacity",
                  {"tikz.sty"},
                  "\\documentclass{article}\n\\usepackage{tikz}\n\\begin{document}\n"
                  "Words under the discs.\\begin{tikzpicture}[overlay]\n"
                  "\\fill[red, opacity=0.4] (0,0) circle (1.5);\n\\fill[blue, fill opacity=0.4] (1,0) circle (1.5);\n"
                  "\\end{tikzpicture}\n\\end{document}\n"},
        // a white fill hides the page's colour, as in dvips
        LatexCase{"tikz_white_fill_on_a_coloured_page",
                  {"tikz.sty"},
                  "\\documentclass{article}\n\\usepackage{tikz}\n\\pagecolor{black!60}\n\\begin{document}\n"
                  "\\begin{tikzpicture}\n\\node[fill=white,minimum width=12cm,minimum height=18cm] {A white "
                  "box};\n\\end{tikzpicture}\n\\end{document}\n"},
        // TikZ draws over a figure it places, as dvips stacks them
        LatexCase{"tikz_over_an_eps_figure",
                  {"tikz.sty"},
                  "\\documentclass{article}\n\\usepackage{tikz}\n\\begin{document}\n\\begin{tikzpicture}\n"
                  "\\node[inner sep=0,anchor=south west] at (0,0) {\\includegraphics{under.eps}};\n"
                  "\\fill[white] (0,0) rectangle (1.7,3.5);\n\\end{tikzpicture}\n\\end{document}\n",
                  {{"under.eps", kUnderEps}}},
        // figures turned, mirrored and squeezed by graphicx
        LatexCase{"graphicx_transformed_eps",
                  {"graphicx.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
                  "\\includegraphics[angle=30]{shape.eps}\\par\n\\rotatebox{90}{\\includegraphics{shape.eps}}\\par\n"
                  "\\reflectbox{\\includegraphics{shape.eps}}\\par\n"
                  "\\resizebox{6cm}{1cm}{\\includegraphics{shape.eps}}\n\\end{document}\n",
                  {{"shape.eps", kShapeEps}}},
        // the white of the second figure hides the first
        LatexCase{"overlapping_eps",
                  {"graphicx.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
                  "\\includegraphics{under.eps}\\hspace{-50bp}\\includegraphics{over.eps}\n\\end{document}\n",
                  {{"under.eps", kUnderEps}, {"over.eps", kOverEps}}},
        // what TeX sets after a figure lies over it; a figure that asks for
        // a page of its own stays where TeX put it
        LatexCase{
            "text_over_eps_figures",
            {"graphicx.sty"},
            "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
            "\\noindent\\includegraphics{light.eps}\\hspace{-300bp}\\raisebox{20bp}{\\Huge Over the figure}\\par\n"
            "\\fbox{\\includegraphics[width=4cm]{page.eps}}\\hspace{-3cm}\\raisebox{1cm}{\\Huge Over}\n"
            "\\end{document}\n",
            {{"light.eps", kLightEps}, {"page.eps", kPageEps}}},
        // figures scaled to sizes no whole resolution gives
        LatexCase{"eps_scaled_to_odd_sizes",
                  {"graphicx.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n\\noindent"
                  "\\includegraphics[width=4cm]{wide.eps}\\includegraphics[width=8cm]{wide.eps}\\par\n"
                  "\\noindent\\includegraphics[width=2cm]{wide.eps}\\includegraphics[width=12cm]{wide.eps}\n"
                  "\\end{document}\n",
                  {{"wide.eps", kWideFrameEps}}},
        LatexCase{"eps_with_binary_image_data",
                  {"graphicx.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
                  "\\includegraphics{binary.eps}\\par\n\\includegraphics[angle=90,width=2cm]{binary.eps}\n"
                  "\\end{document}\n",
                  {{"binary.eps", kBinaryImageEps}}},
        // dvips cuts a figure at its box only when asked: trimmed without
        // clip, the whole figure shows
        LatexCase{"eps_frame_on_its_bounding_box",
                  {"graphicx.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n"
                  "\\includegraphics{frame.eps}\\par\\bigskip\n\\includegraphics[clip]{frame.eps}\\par\\bigskip\n"
                  "\\includegraphics[width=3cm]{frame.eps}\\par\\bigskip\n"
                  "\\noindent\\includegraphics[trim=0 0 200 120]{wide.eps}\n\\end{document}\n",
                  {{"frame.eps", kFrameEps}, {"wide.eps", kWideFrameEps}}},
        // psfile's own keys, as papers of the nineties wrote them: a figure
        // turned, one turned and squeezed, one sized by rwi and turned (graphicx
        // for the paper only)
        LatexCase{"psfile_turned",
                  {"graphicx.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx}\n\\begin{document}\n\\noindent\\vbox to 6cm{\\vfil"
                  "\\special{psfile=shape.eps angle=30 hoffset=50 voffset=20}}\\par\n\\noindent\\vbox to 5cm{"
                  "\\vfil\\special{psfile=shape.eps angle=-90 hscale=60 vscale=40 hoffset=40 voffset=150}}\\par\n"
                  "\\noindent\\vbox to 5cm{\\vfil\\special{psfile=shape.eps llx=0 lly=0 urx=100 ury=60 rwi=1500 "
                  "angle=45 hoffset=120}}\n\\end{document}\n",
                  {{"shape.eps", kShapeEps}}},
        // psfrag hides its list of replacements under an empty clip and sets
        // each where its tag is in the figure
        LatexCase{"psfrag_replacements",
                  {"psfrag.sty"},
                  "\\documentclass{article}\n\\usepackage{graphicx,psfrag}\n\\begin{document}\n"
                  "\\psfrag{XLABEL}{$\\alpha+\\beta$}\\psfrag{YLABEL}[r][r]{\\textbf{bold}}\n"
                  "\\includegraphics{tags.eps}\n\\end{document}\n",
                  {{"tags.eps", kTagsEps}}},
        // pst-text and \\pscharpath redefine show: the characters they
        // enclose are Ghostscript's to draw, along a curve or as outlines
        LatexCase{"pstricks_text_drawn_by_postscript",
                  {"pst-text.sty"},
                  "\\documentclass{article}\n\\usepackage{pst-text}\n\\begin{document}\n"
                  "\\pstextpath(0,0){\\pscurve[linestyle=none](0,0)(2,1)(4,0)}{Text along a curve}\\par\\bigskip\n"
                  "\\pscharpath[linecolor=red,fillstyle=solid,fillcolor=yellow]{\\Huge\\bfseries Outline} and "
                  "plain words after it.\n\\end{document}\n"},
        // tpic's paths: lines, a spline, dashes and dots, filled and drawn
        // circles and ellipses, a shaded square, a thick pen, in colour too.
        LatexCase{"eepic_tpic_paths",
                  {"eepic.sty"},
                  "\\documentclass{article}\n\\usepackage{color,epic,eepic}\n\\begin{document}\n"
                  "\\setlength{\\unitlength}{1mm}\\begin{picture}(80,70)\n"
                  "\\drawline(0,0)(40,30)(80,0)\\dashline{2}(0,10)(80,10)\\dottedline{2}(0,20)(80,20)\n"
                  "\\put(40,40){\\circle{20}}\\put(20,40){\\circle*{8}}\\put(60,40){\\ellipse{20}{10}}\n"
                  "\\put(60,50){\\ellipse*{10}{5}}\\path(0,60)(10,50)(20,60)\\spline(30,0)(40,20)(50,0)(60,20)\n"
                  "\\color{blue}\\allinethickness{1mm}\\drawline(0,-10)(80,-10)\n"
                  "\\shade\\path(70,60)(80,60)(80,50)(70,50)(70,60)\n"
                  "\\end{picture}\n\\end{document}\n"},
        // dvips' page hooks, as draftcopy and watermark packages define them:
        // drawn on every page, those without PostScript of their own too.
        LatexCase{"dvips_page_hooks",
                  {},
                  "\\documentclass{article}\n\\special{! userdict begin /bop-hook { gsave 0.8 setgray "
                  "100 300 moveto 400 500 lineto 30 setlinewidth stroke grestore } def /eop-hook { gsave 0 0 1 "
                  "setrgbcolor 72 72 100 20 rectfill grestore } def end}\n\\begin{document}\nA first page "
                  "with a few words.\n\\newpage\nA second page.\n\\end{document}\n",
                  {},
                  1,
                  false},
        LatexCase{"hyperref_colour_links",
                  {"hyperref.sty"},
                  "\\documentclass{article}\n\\usepackage[colorlinks,linkcolor=red]{hyperref}\n"
                  "\\begin{document}\n\\section{First}\\label{first}\nSee section~\\ref{first} on "
                  "page~\\pageref{first}, and a few more words of text for the ink on the page.\n\\end{document}\n",
                  {},
                  2}),
    ByName());

// Pixels of each strong colour on a page: red, green, blue, and the mixtures
// of two of them (yellow, magenta, cyan).
std::array<long, 6> StrongColours(RgbImage const& image) {
    std::array<long, 6> counts{};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.At(x, y);
            int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            if (std::max({r, g, b}) - std::min({r, g, b}) < 128) continue;
            bool hr = r > 128, hg = g > 128, hb = b > 128;
            int kind = hr && hg ? 3 : hr && hb ? 4 : hg && hb ? 5 : hr ? 0 : hg ? 1 : 2;
            ++counts[static_cast<size_t>(kind)];
        }
    }
    return counts;
}

// The text of links keeps the document's colours, with either of hyperref's
// drivers for DVI, with colorlinks and without: no colour of ksdvi's own.
TEST(LatexLinkColours, LinkTextKeepsTheDocumentsColours) {
    if (!TexFileInstalled("hyperref.sty")) GTEST_SKIP() << "hyperref.sty is not installed";
    for (char const* options : {"colorlinks,linkcolor=red", "hypertex,colorlinks,linkcolor=red", "hypertex"}) {
        SCOPED_TRACE(options);
        std::string const source = std::string("\\documentclass{article}\n\\usepackage[") + options +
                                   "]{hyperref}\n\\begin{document}\n\\section{First}\\label{first}\n"
                                   "See section~\\ref{first} on page~\\pageref{first}.\n\\end{document}\n";
        LatexCase const c{"links", {}, source.c_str(), {}, 2};
        TempDir dir;
        ASSERT_TRUE(MakeDvi(c, dir));
        KsdviWarnings("render -r 150 -p 1 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.dvi"));
        ASSERT_TRUE(RenderWithDvips(dir.Path(), "doc.dvi", dir, 150));
        RgbImage ours, theirs;
        ASSERT_TRUE(ReadRgbPng(dir / "ours-1.png", ours));
        ASSERT_TRUE(ReadRgbPng(dir / "theirs-1.png", theirs));
        std::array<long, 6> a = StrongColours(ours), b = StrongColours(theirs);
        for (size_t kind = 0; kind < a.size(); ++kind)
            EXPECT_NEAR(a[kind], b[kind], 20 + b[kind] / 4) << "colour " << kind;
    }
}

// TeX's characters in TikZ's see-through nodes are as light as dvips and
// Ghostscript draw them: of the ink, as much dark and as much light.
TEST(LatexOpacity, CharactersTakeTheOpacityOfTheirNode) {
    if (!TexFileInstalled("tikz.sty")) GTEST_SKIP() << "tikz.sty is not installed";
    LatexCase const c{"opacity",
                      {},
                      "\\documentclass{article}\n\\usepackage{tikz}\n\\begin{document}\n\\Huge Plain\\par\n"
                      "\\tikz\\node[opacity=0.3]{Opacity};\\par\n\\tikz\\node[text opacity=0.3]{Text};\n"
                      "\\end{document}\n"};
    TempDir dir;
    ASSERT_TRUE(MakeDvi(c, dir));
    KsdviWarnings("render -r 150 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.dvi"));
    ASSERT_TRUE(RenderWithDvips(dir.Path(), "doc.dvi", dir, 150));
    auto inks = [](std::string const& file) {
        RgbImage page;
        EXPECT_TRUE(ReadRgbPng(file, page)) << file;
        std::array<long, 2> n{};  // dark, light
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x) {
                uint32_t const p = page.At(x, y);
                int const grey = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) / 3;
                if (grey < 100)
                    ++n[0];
                else if (grey < 230)
                    ++n[1];
            }
        return n;
    };
    std::array<long, 2> const ours = inks(dir / "ours-1.png"), theirs = inks(dir / "theirs-1.png");
    for (size_t i = 0; i < ours.size(); ++i) {
        EXPECT_GT(theirs[i], 300) << i;
        EXPECT_NEAR(ours[i], theirs[i], theirs[i] / 4) << (i ? "light" : "dark");
    }
}

// A fill that comes after a word hides it, as dvips draws the page; one
// before a word lies beneath it. Both on a page Ghostscript draws and on
// one that goes through a PDF writer (opacity).
TEST(LatexCoveredText, LaterFillsHideTheCharactersBeneath) {
    for (char const* before : {"", "/.setfillconstantalpha where { pop 0.99 .setfillconstantalpha } if "}) {
        std::string const fill = std::string("\\special{\" ") + before + "1 1 0 setrgbcolor -150 -6 150 24 rectfill}";
        std::string const source = "\\documentclass{article}\n\\pagestyle{empty}\n\\begin{document}\n\\Huge Hidden" +
                                   fill +
                                   "\\par Shown\\par\\special{\" 0 0 1 setrgbcolor 0 -6 150 24 rectfill}Over\n"
                                   "\\end{document}\n";
        LatexCase const c{"covered", {}, source.c_str()};
        TempDir dir;
        ASSERT_TRUE(MakeDvi(c, dir));
        KsdviWarnings("render -r 100 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.dvi"));
        ASSERT_TRUE(RenderWithDvips(dir.Path(), "doc.dvi", dir, 100, false));
        // the black pixels of each row: none where a word is hidden
        auto bands = [](std::string const& file) {
            RgbImage page;
            EXPECT_TRUE(ReadRgbPng(file, page)) << file;
            std::vector<long> rows(static_cast<size_t>(page.height));
            for (int y = 0; y < page.height; ++y)
                for (int x = 0; x < page.width; ++x) {
                    uint32_t const p = page.At(x, y);
                    rows[static_cast<size_t>(y)] += std::max({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF}) < 100;
                }
            return rows;
        };
        std::vector<long> const ours = bands(dir / "ours-1.png"), theirs = bands(dir / "theirs-1.png");
        ASSERT_EQ(ours.size(), theirs.size());
        long oursTotal = 0, theirsTotal = 0, apart = 0;
        for (size_t y = 0; y < ours.size(); ++y) {
            oursTotal += ours[y], theirsTotal += theirs[y];
            apart += std::labs(ours[y] - theirs[y]);
        }
        EXPECT_GT(theirsTotal, 100) << before;
        EXPECT_LT(apart, theirsTotal / 4) << before << ": black pixels " << oursTotal << " against " << theirsTotal;
    }
}

// pst-grad's gradients: hundreds of stripes, each a tenth of a pixel, over a
// grey ground, with pstricks' opacity of 1. Each pixel takes the colour of its
// last stripes, as Ghostscript draws them, not a blend with the ground.
TEST(LatexGradient, HairThinStripesShowTheirColours) {
    LatexCase const c{
        "gradient",
        {},
        "\\documentclass{article}\n\\pagestyle{empty}\n\\begin{document}\n\\noindent\\special{\" "
        "/.setopacityalpha where { pop 1. revision 952 gt { .setstrokeconstantalpha }{ .setopacityalpha } "
        "ifelse } if 0.5 setgray 0 0 200 30 rectfill 0 1 299 { /i exch def 1 i 300 div sub dup i 300 "
        "div setrgbcolor 0 i 0.1 mul 200 0.1 rectfill } for}\n\\end{document}\n"};
    TempDir dir;
    ASSERT_TRUE(MakeDvi(c, dir));
    EXPECT_EQ(KsdviWarnings("render -r 100 -o " + (dir / "ours-%d.png") + " " + (dir / "doc.dvi")), "");
    ASSERT_TRUE(RenderWithDvips(dir.Path(), "doc.dvi", dir, 100, false));
    RgbImage ours, theirs;
    ASSERT_TRUE(ReadRgbPng(dir / "ours-1.png", ours));
    ASSERT_TRUE(ReadRgbPng(dir / "theirs-1.png", theirs));
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    long painted = 0, apart = 0;  // pixels of the gradient, and their channels' differences
    for (int y = 0; y < theirs.height; ++y)
        for (int x = 0; x < theirs.width; ++x) {
            uint32_t const a = ours.At(x, y), b = theirs.At(x, y);
            if (b == 0xFFFFFF) continue;
            ++painted;
            for (int shift : {16, 8, 0}) apart += std::labs(long(a >> shift & 0xFF) - long(b >> shift & 0xFF));
        }
    EXPECT_GT(painted, 200 * 30);
    EXPECT_LT(apart / std::max(painted, 1L), 12) << "the channels differ on average by so much";
}

}  // namespace

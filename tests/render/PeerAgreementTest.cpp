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
// a PDF writer draws), kept upright however its text runs; else Ghostscript
// draws the pages itself.
bool RenderWithDvips(std::string const& cwd, std::string const& dvi, TempDir const& out, int dpi,
                     bool throughPdf = true) {
    std::string const resolution = std::to_string(dpi);
    std::string const draw =
        throughPdf
            ? "gs -q -dSAFER -dALLOWPSTRANSPARENCY -dAutoRotatePages=/None -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -o " +
                  (out / "page.pdf") + " " + (out / "page.ps") + " >/dev/null 2>&1 && pdftoppm -png -r " + resolution +
                  " " + (out / "page.pdf") + " " + (out / "theirs")
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
                                         Case{"clipped.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"turned-bitmap-glyphs.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"huge-letters.dvi", 400, 1, Peer::DvipsGhostscript},
                                         Case{"mirrored-figures.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"given-boxes.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"cut-figures.dvi", 150, 2, Peer::DvipsGhostscript}),
                         [](auto const& info) {
                             std::string name = info.param.file;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name.substr(0, name.find('.')) + "_" + std::to_string(info.param.dpi) +
                                    (info.param.peer == Peer::Dvipng ? "" : "_dvips");
                         });

// ---- documents LaTeX makes at test time

// A document of LaTeX in tests/data/typeset, NAME.tex, with the files of
// that folder it reads.
struct LatexCase {
    char const* name;
    std::vector<char const*> needs;  // files of the packages it uses, as kpsewhich finds them
    std::vector<char const*> files = {};
    int runs = 1;  // LaTeX runs until its references are resolved
    // Ghostscript draws the reference pages itself: pgf's patterns, whose
    // hatching pdftoppm lays at another phase.
    bool throughPdf = true;
};

std::string TypesetFile(std::string const& name) { return DataFile("typeset/" + name); }

// doc.dvi made in `dir` from `source` with `files` beside it; false (with
// the reason) when LaTeX failed.
testing::AssertionResult MakeDvi(TempDir const& dir, std::string const& source,
                                 std::vector<char const*> const& files = {}, int runs = 1) {
    WriteFileText(dir / "doc.tex", source);
    for (char const* name : files) std::filesystem::copy_file(TypesetFile(name), dir / name);
    return Typeset(dir.Path(), "latex", runs);
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
    ASSERT_TRUE(MakeDvi(dir, ReadFileText(TypesetFile(std::string(c.name) + ".tex")), c.files, c.runs));
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

INSTANTIATE_TEST_SUITE_P(Packages, LatexPeerAgreement,
                         testing::Values(
                             // Items not uncovered yet lie under pgf's null device; the first
                             // document goes through Ghostscript (its navigation symbols are
                             // pictures of pgf), the second without.
                             LatexCase{"beamer_overlays", {"beamer.cls"}},
                             LatexCase{"beamer_overlays_without_navigation", {"beamer.cls"}},
                             // beamer's shadows are pgf's fadings, made on the first slide that
                             // shows one and used again on the next
                             LatexCase{"beamer_shadows_on_later_slides", {"beamer.cls"}},
                             // pgf defines a pattern in global VM on the page that first uses it
                             LatexCase{"tikz_pattern_of_an_earlier_page", {"tikz.sty"}, {}, 1, false},
                             // half-opaque discs show each other and the text beneath
                             LatexCase{"tikz_opacity", {"tikz.sty"}},
                             // a white fill hides the page's colour, as in dvips
                             LatexCase{"tikz_white_fill_on_a_coloured_page", {"tikz.sty"}},
                             // TikZ draws over a figure it places, as dvips stacks them
                             LatexCase{"tikz_over_an_eps_figure", {"tikz.sty"}, {"under.eps"}},
                             // figures turned, mirrored and squeezed by graphicx
                             LatexCase{"graphicx_transformed_eps", {"graphicx.sty"}, {"shape.eps"}},
                             // the white of the second figure hides the first
                             LatexCase{"overlapping_eps", {"graphicx.sty"}, {"under.eps", "over.eps"}},
                             // what TeX sets after a figure lies over it; a figure that asks for
                             // a page of its own stays where TeX put it
                             LatexCase{"text_over_eps_figures", {"graphicx.sty"}, {"light.eps", "page.eps"}},
                             // figures scaled to sizes no whole resolution gives
                             LatexCase{"eps_scaled_to_odd_sizes", {"graphicx.sty"}, {"wide.eps"}},
                             LatexCase{"eps_with_binary_image_data", {"graphicx.sty"}, {"binary.eps"}},
                             // dvips cuts a figure at its box only when asked: trimmed without
                             // clip, the whole figure shows
                             LatexCase{"eps_frame_on_its_bounding_box", {"graphicx.sty"}, {"frame.eps", "wide.eps"}},
                             // psfile's own keys, as papers of the nineties wrote them: a figure
                             // turned, one turned and squeezed, one sized by rwi and turned (graphicx
                             // for the paper only)
                             LatexCase{"psfile_turned", {"graphicx.sty"}, {"shape.eps"}},
                             // psfrag hides its list of replacements under an empty clip and sets
                             // each where its tag is in the figure
                             LatexCase{"psfrag_replacements", {"psfrag.sty"}, {"tags.eps"}},
                             // pst-text and \\pscharpath redefine show: the characters they
                             // enclose are Ghostscript's to draw, along a curve or as outlines
                             LatexCase{"pstricks_text_drawn_by_postscript", {"pst-text.sty"}},
                             // tpic's paths: lines, a spline, dashes and dots, filled and drawn
                             // circles and ellipses, a shaded square, a thick pen, in colour too.
                             LatexCase{"eepic_tpic_paths", {"eepic.sty"}},
                             // dvips' page hooks, as draftcopy and watermark packages define them:
                             // drawn on every page, those without PostScript of their own too.
                             LatexCase{"dvips_page_hooks", {}, {}, 1, false},
                             LatexCase{"hyperref_colour_links", {"hyperref.sty"}, {}, 2}),
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
        TempDir dir;
        ASSERT_TRUE(MakeDvi(dir, source, {}, 2));
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
    TempDir dir;
    ASSERT_TRUE(MakeDvi(dir, ReadFileText(TypesetFile("tikz_text_opacity.tex"))));
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
        TempDir dir;
        ASSERT_TRUE(MakeDvi(dir, source));
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
// The first page of typeset/NAME.tex as ksdvi renders it, without a warning,
// and as dvips and Ghostscript's raster draw it, at `dpi`.
void RenderFirstPages(std::string const& name, int dpi, RgbImage& ours, RgbImage& theirs) {
    TempDir dir;
    ASSERT_TRUE(MakeDvi(dir, ReadFileText(TypesetFile(name + ".tex"))));
    std::string const resolution = std::to_string(dpi);
    EXPECT_EQ(KsdviWarnings("render -r " + resolution + " -o " + (dir / "ours-%d.png") + " " + (dir / "doc.dvi")), "");
    ASSERT_TRUE(RenderWithDvips(dir.Path(), "doc.dvi", dir, dpi, false));
    ASSERT_TRUE(ReadRgbPng(dir / "ours-1.png", ours));
    ASSERT_TRUE(ReadRgbPng(dir / "theirs-1.png", theirs));
}

TEST(LatexGradient, HairThinStripesShowTheirColours) {
    RgbImage ours, theirs;
    ASSERT_NO_FATAL_FAILURE(RenderFirstPages("hair_thin_stripes", 100, ours, theirs));
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

// A page with opacity goes through a PDF writer; its hatchings' hair-thin
// lines are still drawn a pixel wide and dark, as Ghostscript draws them,
// not as faint half-pixel lines. (Where each line falls depends on the
// renderer's phase: the dark pixels are counted, not compared one by one.)
TEST(LatexHatching, HairThinLinesStayDarkOnAPageWithOpacity) {
    if (!TexFileInstalled("tikz.sty")) GTEST_SKIP() << "tikz.sty is not installed";
    RgbImage ours, theirs;
    ASSERT_NO_FATAL_FAILURE(RenderFirstPages("tikz_hatching_beside_a_shadow", 150, ours, theirs));
    long const mine = ours.DarkCount(), peer = theirs.DarkCount();
    ASSERT_GT(peer, 4000);
    EXPECT_GT(mine, peer / 2) << "the hatching's lines are faint";
    EXPECT_LT(mine, peer * 3 / 2);
}

}  // namespace

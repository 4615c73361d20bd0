// ksdvi pdf and ksdvi svg: pages that look as `ksdvi render` draws them when
// poppler or librsvg rasterise them, with fonts embedded, text a reader
// extracts, and the document's links, anchors and bookmarks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/PngImage.h"
#include "support/Rasterised.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

constexpr int kDpi = 100;

// The words a reader extracts from a PDF file, in Unicode's compatibility
// form: ligature characters become their letters, accents join theirs.
std::vector<std::string> Words(std::string const& pdf) {
    std::istringstream in(RunCommand("pdftotext '" + pdf +
                                     "' - | python3 -c 'import sys, unicodedata; "
                                     "print(unicodedata.normalize(\"NFKC\", sys.stdin.read()))'"));
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// How many of `theirs` appear in `ours` in the same order (longest common
// subsequence).
size_t InOrder(std::vector<std::string> const& ours, std::vector<std::string> const& theirs) {
    std::vector<size_t> row(theirs.size() + 1, 0), next(theirs.size() + 1, 0);
    for (std::string const& word : ours) {
        for (size_t j = 0; j < theirs.size(); ++j)
            next[j + 1] = word == theirs[j] ? row[j] + 1 : std::max(next[j], row[j + 1]);
        std::swap(row, next);
    }
    return row.back();
}

// The share of dark pixels of `a` with a darkish pixel of `b` near them.
double Matched(RgbImage const& a, RgbImage const& b) {
    auto const [dark, unmatched] = DarkAndUnmatched(a, b);
    return dark > 20 ? 1 - double(unmatched) / double(dark) : 0;
}

// The readers that rasterise the vector pages: librsvg for SVG; poppler for
// PDF, through its own rasteriser (pdftoppm) or through Cairo, as evince and
// zathura draw pages (pdftocairo).
enum class Reader { Rsvg, Pdftoppm, Pdftocairo };

// Every page of `file`, written as vector pages and rasterised by a real
// reader, against `ksdvi render` at the same resolution.
void ExpectPagesLikeRender(std::string const& file, Reader reader) {
    bool const svg = reader == Reader::Rsvg;
    TempDir dir;
    int const pages = std::stoi(Ksdvi("info " + DataFile(file) + " | sed -n 's/^pages: *//p'"));
    KsdviOk("render -r " + std::to_string(kDpi) + " -o " + (dir / "r-%d.png") + " " + DataFile(file));
    std::string const out = svg ? dir / "v-%d.svg" : dir / "v.pdf";
    // What only a raster holds at twice the comparison's resolution: at 600
    // dpi Ghostscript may outrun its time bound on a slow (sanitizer) build.
    KsdviOk(std::string(svg ? "svg" : "pdf") + " -r " + std::to_string(2 * kDpi) + " -o " + out + " " + DataFile(file));
    for (int page = 1; page <= pages; ++page) {
        std::string const n = std::to_string(page);
        if (svg)
            RunCommand("rsvg-convert -b white -d " + std::to_string(kDpi) + " -p " + std::to_string(kDpi) + " -o " +
                       (dir / ("v-" + n + ".png")) + " " + (dir / ("v-" + n + ".svg")));
        else
            RunCommand(std::string(reader == Reader::Pdftoppm ? "pdftoppm" : "pdftocairo") + " -png -singlefile -r " +
                       std::to_string(kDpi) + " -f " + n + " -l " + n + " " + out + " " + (dir / ("v-" + n)));
        RgbImage rendered, vector;
        ASSERT_TRUE(ReadRgbPng(dir / ("r-" + n + ".png"), rendered)) << file << " " << page;
        ASSERT_TRUE(ReadRgbPng(dir / ("v-" + n + ".png"), vector)) << file << " " << page;
        EXPECT_LE(std::abs(vector.width - rendered.width), 1) << file << " " << page;
        EXPECT_LE(std::abs(vector.height - rendered.height), 1) << file << " " << page;
        EXPECT_GE(Matched(vector, rendered), 0.97) << file << " page " << page;
        EXPECT_GE(Matched(rendered, vector), 0.97) << file << " page " << page;
    }
}

void ExpectTextAsDvipdfmxs(std::string const& file) {
    TempDir dir;
    KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + DataFile(file));
    std::string const fonts = RunCommand("pdffonts " + (dir / "ours.pdf") + " | tail -n +3");
    ASSERT_FALSE(fonts.empty());
    std::istringstream lines(fonts);
    // TeX's Type 1 fonts go in as CFF and small objects into object streams,
    // as dvipdfmx writes them: the file is not much larger than dvipdfmx's.
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(std::regex_search(line, std::regex(" yes +yes +yes "))) << line;
        EXPECT_TRUE(std::regex_search(line, std::regex(" (Type 1C|CID Type 0C) "))) << line;
    }
    RunOk("cd " + dir.Path() + " && dvipdfmx -q -o theirs.pdf " + DataFile(file) + " 2>/dev/null");
    EXPECT_LE(std::filesystem::file_size(dir / "ours.pdf"), 3 * std::filesystem::file_size(dir / "theirs.pdf") / 2)
        << file;
    auto const ours = Words(dir / "ours.pdf");
    auto const theirs = Words(dir / "theirs.pdf");
    ASSERT_GT(theirs.size(), 100u) << file;
    EXPECT_GE(InOrder(ours, theirs), theirs.size() * 95 / 100) << file;
}

class VectorCli : public testing::Test {
protected:
    void SetUp() override {
        for (char const* tool : {"pdftoppm", "pdftotext", "pdffonts", "pdfinfo", "pdftohtml", "pdfimages"})
            if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    }
};

// Outline fonts, bitmap fonts, colours, EPS figures (also turned), a page's
// PostScript, beamer, XeTeX's native fonts.
TEST_F(VectorCli, PdfPagesLookAsRenderDrawsThem) {
    for (char const* file : {"plain.dvi", "latex.dvi", "metafont.dvi", "specials.dvi", "figures.dvi",
                             "turned-figures.dvi", "mirrored-figures.dvi", "given-boxes.dvi", "cut-figures.dvi",
                             "postscript.dvi", "patterns.dvi", "beamer.dvi", "clipped.dvi", "xetex.xdv"})
        ExpectPagesLikeRender(file, Reader::Pdftoppm);
    // pdftoppm samples turned bitmap glyphs (Type 3 image masks) without
    // smoothing them: their strokes come out blotchy, at any resolution; and
    // leaves out a glyph larger than the page (fonts.dvi's 2047 pt letters).
    for (char const* file : {"turned-bitmap-glyphs.dvi", "fonts.dvi"}) ExpectPagesLikeRender(file, Reader::Pdftocairo);
}

TEST_F(VectorCli, SvgPagesLookAsRenderDrawsThem) {
    if (!HaveCommand("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
    for (char const* file : {"plain.dvi", "fonts.dvi", "metafont.dvi", "turned-bitmap-glyphs.dvi", "turned-figures.dvi",
                             "mirrored-figures.dvi", "given-boxes.dvi", "cut-figures.dvi", "postscript.dvi",
                             "patterns.dvi", "beamer.dvi", "xetex.xdv"})
        ExpectPagesLikeRender(file, Reader::Rsvg);
}

// A coloured page is coloured to its edges on papers of a fraction of a
// point (A4 is 595.276 by 841.89 points, beamer's 362.835 by 272.126), and
// the page is the paper's size.
// A bitmap font's glyph that the page's PostScript squashes flat shows
// nothing, as in dvips; what was drawn before it stays, in every output.
TEST_F(VectorCli, AGlyphSquashedFlatLeavesThePageDrawn) {
    TempDir dir;
    // EC fonts at 14.4 pt exist only as METAFONT sources in a plain TeX installation.
    WriteFileText(dir / "doc.tex",
                  "\\nopagenumbers\\font\\big=ecbx1440 \\big Drawn "
                  "\\special{ps: currentpoint currentpoint translate 0 0 scale neg exch neg exch "
                  "translate}Flat\\bye\n");
    ASSERT_TRUE(Typeset(dir.Path(), "tex"));
    std::string const dvi = " " + (dir / "doc.dvi");
    KsdviOk("render -r 75 -o " + (dir / "r-%d.png") + dvi);
    KsdviOk("pdf -r 75 -o " + (dir / "v.pdf") + dvi);
    KsdviOk("svg -r 75 -o " + (dir / "v.svg") + dvi);
    RunOk("rsvg-convert -b white -d 75 -p 75 -o " + (dir / "s.png") + " " + (dir / "v.svg"));
    RgbImage rendered, pdf, svg;
    ASSERT_TRUE(ReadRgbPng(dir / "r-1.png", rendered));
    ASSERT_TRUE(RasterisePdfPage(dir / "v.pdf", 1, 75, dir / "p.ppm", pdf));
    ASSERT_TRUE(ReadRgbPng(dir / "s.png", svg));
    EXPECT_GT(rendered.DarkCount(), 50);
    EXPECT_NEAR(pdf.DarkCount(), rendered.DarkCount(), rendered.DarkCount() / 4);
    EXPECT_NEAR(svg.DarkCount(), rendered.DarkCount(), rendered.DarkCount() / 4);
}

TEST_F(VectorCli, PagesAreColouredToThePapersEdges) {
    struct Case {
        char const* paper;
        char const* size;  // as pdfinfo gives it
    } const cases[] = {
        {"a4", "595.276 x 841.89 pts"}, {"letter", "612 x 792 pts"}, {"128mmx96mm", "362.835 x 272.126 pts"}};
    TempDir dir;
    DviBuilder dvi;
    dvi.Pre().Bop(1).Special("background rgb 1 1 0").Eop().Post();
    dvi.WriteTo(dir / "yellow.dvi");
    for (Case const& c : cases) {
        SCOPED_TRACE(c.paper);
        KsdviOk(std::string("pdf --paper ") + c.paper + " -o " + (dir / "v.pdf") + " " + (dir / "yellow.dvi"));
        EXPECT_NE(RunCommand("pdfinfo " + (dir / "v.pdf")).find(c.size), std::string::npos);
        RunOk("pdftoppm -png -singlefile -r 300 " + (dir / "v.pdf") + " " + (dir / "v"));
        RgbImage page;
        ASSERT_TRUE(ReadRgbPng(dir / "v.png", page));
        long white = 0;
        for (int x = 0; x < page.width; ++x) white += page.At(x, page.height - 1) == 0xFFFFFF;
        for (int y = 0; y < page.height; ++y) white += page.At(page.width - 1, y) == 0xFFFFFF;
        EXPECT_EQ(white, 0);
        EXPECT_LT(page.At(page.width - 1, page.height - 1) & 0xFF, 0x80u) << "yellow in the corner";
    }
}

// Each page on its own paper as dvipdfmx gives it: KOMA's landscape page,
// and pdflscape's page turned for reading (/Rotate 90), in the PDF and in
// the pages render writes.
TEST_F(VectorCli, PagesKeepTheirOwnPaperAndTurn) {
    TempDir dir;
    KsdviOk("pdf -o " + (dir / "ours.pdf") + " " + DataFile("papers.dvi"));
    RunOk("cd " + dir.Path() + " && dvipdfmx -q -o theirs.pdf " + DataFile("papers.dvi") + " 2>/dev/null");
    auto pages = [&](std::string const& pdf) {
        return RunCommand("pdfinfo -f 1 -l 5 " + (dir / pdf) +
                          " | sed -n 's/^Page *\\([0-9]\\) *\\(size\\|rot\\): *\\([0-9]*\\).*/\\1 \\2 \\3/p'");
    };
    std::string const theirs = pages("theirs.pdf");
    EXPECT_NE(theirs.find("2 size 841"), std::string::npos) << theirs;
    EXPECT_NE(theirs.find("4 rot 90"), std::string::npos) << theirs;
    EXPECT_EQ(pages("ours.pdf"), theirs);
    KsdviOk("render -r 50 -o " + (dir / "r-%d.png") + " " + DataFile("papers.dvi"));
    RunOk("pdftoppm -png -r 50 " + (dir / "theirs.pdf") + " " + (dir / "p"));
    for (int page = 1; page <= 5; ++page) {
        RgbImage ours, reference;
        ASSERT_TRUE(ReadRgbPng(dir / ("r-" + std::to_string(page) + ".png"), ours));
        ASSERT_TRUE(ReadRgbPng(dir / ("p-" + std::to_string(page) + ".png"), reference));
        EXPECT_LE(std::abs(ours.width - reference.width), 1) << page;
        EXPECT_LE(std::abs(ours.height - reference.height), 1) << page;
        EXPECT_GE(Matched(ours, reference), 0.9) << page;
    }
    // The turned page's SVG is turned too.
    KsdviOk("svg -p 4 -o " + (dir / "t.svg") + " " + DataFile("papers.dvi"));
    RunOk("rsvg-convert -b white -d 50 -p 50 -o " + (dir / "t.png") + " " + (dir / "t.svg"));
    RgbImage svg, rendered;
    ASSERT_TRUE(ReadRgbPng(dir / "t.png", svg));
    ASSERT_TRUE(ReadRgbPng(dir / "r-4.png", rendered));
    EXPECT_GT(svg.width, svg.height);
    EXPECT_LE(std::abs(svg.width - rendered.width), 1);
    EXPECT_LE(std::abs(svg.height - rendered.height), 1);
    EXPECT_GE(Matched(svg, rendered), 0.9);
}

// A page's PostScript and its EPS figures go through Ghostscript's pdfwrite
// and stay paths and text: no picture of them is embedded. TikZ's hatchings
// stay repeating patterns, a few per page, not a path per tile.
TEST_F(VectorCli, PostScriptAndEpsFiguresStayVectors) {
    TempDir dir;
    for (char const* file : {"postscript.dvi", "figures.dvi", "patterns.dvi"}) {
        KsdviOk("pdf -o " + (dir / "v.pdf") + " " + DataFile(file));
        EXPECT_EQ(RunCommand("pdfimages -list " + (dir / "v.pdf") + " | tail -n +3"), "") << file;
        KsdviOk("svg -p 1 -o " + (dir / "v.svg") + " " + DataFile(file));
        EXPECT_EQ(RunCommand("grep -c '<image' " + (dir / "v.svg")), "0\n") << file;
    }
    EXPECT_EQ(RunCommand("grep -c '<pattern' " + (dir / "v.svg")), "3\n");
    EXPECT_LT(std::filesystem::file_size(dir / "v.svg"), 64u << 10);
    EXPECT_LT(std::filesystem::file_size(dir / "v.pdf"), 16u << 10);
}

// Light neutral greys: the shadows of beamer's blocks, drawn through soft
// masks.
long LightGreys(RgbImage const& image) {
    long count = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t const p = image.At(x, y);
            int const r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF, light = (r * 299 + g * 587 + b * 114) / 1000;
            count += light >= 150 && light <= 235 && std::abs(r - g) < 6 && std::abs(g - b) < 6;
        }
    return count;
}

// The shadows under beamer's blocks (soft masks in the PDF that pdfwrite
// makes of the page's PostScript) show in PDF and in SVG as render draws
// them: poppler would leave them out of an SVG page. pgf's fadings twice the
// paper's width (beamer's title shadows; fadings.dvi) are drawn whole.
TEST_F(VectorCli, SoftMaskedShadowsShow) {
    if (!HaveCommand("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
    for (char const* file : {"beamer.dvi", "fadings.dvi"}) {
        TempDir dir;
        std::string const dpi = std::to_string(kDpi);
        KsdviOk("render -r " + dpi + " -o " + (dir / "r-%d.png") + " " + DataFile(file));
        KsdviOk("pdf -o " + (dir / "v.pdf") + " " + DataFile(file));
        KsdviOk("svg -o " + (dir / "v-%d.svg") + " " + DataFile(file));
        RunOk("pdftoppm -png -singlefile -r " + dpi + " " + (dir / "v.pdf") + " " + (dir / "p"));
        RunOk("rsvg-convert -b white -d " + dpi + " -p " + dpi + " -o " + (dir / "s.png") + " " + (dir / "v-1.svg"));
        RgbImage rendered, pdf, svg;
        ASSERT_TRUE(ReadRgbPng(dir / "r-1.png", rendered) && ReadRgbPng(dir / "p.png", pdf) &&
                    ReadRgbPng(dir / "s.png", svg));
        long const greys = LightGreys(rendered);
        ASSERT_GT(greys, 1000) << file;
        EXPECT_GT(LightGreys(pdf), greys * 8 / 10) << file;
        EXPECT_GT(LightGreys(svg), greys * 8 / 10) << file;
    }
}

// What a document says of itself (hyperref's pdftitle, pdfauthor,
// pdfsubject, pdfkeywords) through the dvips driver's pdfmark and
// xdvipdfmx's pdf:docinfo is the PDF's information.
TEST_F(VectorCli, DocumentInformationIsKept) {
    if (!TexFileInstalled("hyperref.sty")) GTEST_SKIP() << "hyperref is not installed";
    for (auto [engine, file] : {std::pair{"latex", "doc.dvi"}, {"xelatex -no-pdf", "doc.xdv"}}) {
        if (!HaveCommand(std::string(engine).substr(0, std::string(engine).find(' ')))) continue;
        TempDir dir;
        WriteFileText(dir / "doc.tex",
                      "\\documentclass{article}\n\\usepackage[pdftitle={Größen und Links},pdfauthor={A. Author},"
                      "pdfsubject={Tests},pdfkeywords={links, anchors}]{hyperref}\n"
                      "\\begin{document}\nText.\n\\end{document}\n");
        ASSERT_TRUE(Typeset(dir.Path(), engine));
        KsdviOk("pdf -o " + (dir / "d.pdf") + " " + (dir / file));
        std::string const info = RunCommand("pdfinfo " + (dir / "d.pdf"));
        for (char const* line : {"Title:           Größen und Links", "Author:          A. Author",
                                 "Subject:         Tests", "Keywords:        links, anchors"})
            EXPECT_NE(info.find(line), std::string::npos) << engine << ": " << line << "\n" << info;
    }
}

// The fonts are embedded subsets with Unicode maps, and a reader finds the
// words dvipdfmx's PDF of the same file gives, in the same order.
TEST_F(VectorCli, FontsAreEmbeddedAndTheTextReadsAsDvipdfmxs) {
    for (char const* tool : {"dvipdfmx", "python3"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    for (char const* file : {"pages.dvi", "hyperref-dvips.dvi"}) ExpectTextAsDvipdfmxs(file);
}

// An SVG page carries its links to the web over their areas, as `ksdvi
// links` gives them (96 dpi); a script's link is not carried, and what the
// document writes in a URI cannot leave its attribute.
TEST_F(VectorCli, SvgPagesCarryTheirWebLinks) {
    TempDir dir;
    std::string const file = DataFile("hyperref-dvips.dvi");
    KsdviOk("svg -p 1 -o " + (dir / "h.svg") + " " + file);
    std::string const svg = ReadFileText(dir / "h.svg");
    std::istringstream links(Ksdvi("links -p 1 " + file));
    int web = 0;
    for (std::string line; std::getline(links, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, std::regex(" (https?://[^ ]+) \\S+ (\\d+),(\\d+),"))) continue;
        ++web;
        std::smatch a;
        std::string const pattern = "<a xlink:href=\"" + m[1].str() + "\"><rect x=\"([0-9.]+)\" y=\"([0-9.]+)\"";
        ASSERT_TRUE(std::regex_search(svg, a, std::regex(pattern))) << line;
        EXPECT_NEAR(std::stod(a[1]) * 96 / 72, std::stoi(m[2]), 2) << line;
        EXPECT_NEAR(std::stod(a[2]) * 96 / 72, std::stoi(m[3]), 2) << line;
    }
    EXPECT_GT(web, 1);

    TempDir other;
    WriteFileText(other / "doc.tex",
                  "\\special{html:<a href=\"javascript:alert(1)\">}Script\\special{html:</a>} "
                  "\\special{html:<a href=\"https://example.org/?a=1&b=\\string<2\\string>\">}Web"
                  "\\special{html:</a>}\n\\bye\n");
    ASSERT_TRUE(Typeset(other.Path(), "tex"));
    KsdviOk("svg -o " + (other / "x.svg") + " " + (other / "doc.dvi"));
    std::string const hostile = ReadFileText(other / "x.svg");
    EXPECT_EQ(hostile.find("javascript"), std::string::npos);
    EXPECT_NE(hostile.find("<a xlink:href=\"https://example.org/?a=1&amp;b=&lt;2&gt;\">"), std::string::npos)
        << hostile.substr(hostile.size() - std::min<size_t>(hostile.size(), 600));
}

// Links lead where `ksdvi links` says, anchors are named destinations, and
// the bookmarks are `ksdvi outline`'s.
TEST_F(VectorCli, LinksAnchorsAndBookmarks) {
    TempDir dir;
    std::string const file = DataFile("hyperref-dvips.dvi");
    KsdviOk("pdf -o " + (dir / "h.pdf") + " " + file);
    std::string const dests = RunCommand("pdfinfo -dests " + (dir / "h.pdf"));
    std::string const xml = RunCommand("pdftohtml -xml -i -stdout " + (dir / "h.pdf") + " 2>/dev/null");
    std::istringstream anchors(Ksdvi("info " + file));
    int anchorCount = 0;
    for (std::string line; std::getline(anchors, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, std::regex("^anchor \"(.*)\": page (\\d+)"))) continue;
        ++anchorCount;
        EXPECT_TRUE(std::regex_search(dests, std::regex("\\n +" + m[2].str() + " \\[ XYZ .*\"" + m[1].str() + "\"")))
            << m[1] << "\n"
            << dests;
    }
    EXPECT_GT(anchorCount, 5);
    std::istringstream links(Ksdvi("links " + file));
    for (std::string line; std::getline(links, line);) {
        std::smatch m;
        if (std::regex_search(line, m, std::regex(" (https?://[^ ]+) "))) {
            EXPECT_NE(xml.find("href=\"" + m[1].str() + "\""), std::string::npos) << m[1];
        }
    }
    std::istringstream outline(Ksdvi("outline " + file));
    for (std::string line; std::getline(outline, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, std::regex("^ *(.*) -> .*, page (\\d+)"))) << line;
        EXPECT_NE(xml.find("<item page=\"" + m[2].str() + "\">" + m[1].str() + "</item>"), std::string::npos) << line;
    }
}

// Pixels of the frame colours hyperref gives links: red (sections, pages),
// green (citations), cyan and blue (URLs).
std::array<long, 4> FramePixels(RgbImage const& page) {
    std::array<long, 4> counts{};
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            uint32_t const p = page.At(x, y);
            bool const r = (p >> 16 & 0xFF) > 200, g = (p >> 8 & 0xFF) > 200, b = (p & 0xFF) > 200;
            bool const r0 = (p >> 16 & 0xFF) < 60, g0 = (p >> 8 & 0xFF) < 60, b0 = (p & 0xFF) < 60;
            counts[0] += r && g0 && b0;
            counts[1] += r0 && g && b0;
            counts[2] += r0 && g && b;
            counts[3] += r0 && g0 && b;
        }
    return counts;
}

// The frames hyperref asks for around links (pdfmarks of its dvips driver,
// pdf: annotations of its xetex one) show in a reader as in ps2pdf's and
// xdvipdfmx's PDF of the same file: colour, width and place.
TEST_F(VectorCli, LinksHaveTheFramesTheDocumentAsksFor) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler's tools are not installed";
    TempDir dir;
    WriteFileText(dir / "doc.tex",
                  "\\documentclass{article}\n\\usepackage{hyperref}\n"
                  "\\hypersetup{pdfborder={0 0 2},urlbordercolor={0 0 1}}\n\\input{" +
                      DataFile("inputs/hyperref-body") + "}\n");
    struct Case {
        std::string file, reference;
    } const cases[] = {
        {DataFile("hyperref-dvips.dvi"),
         "dvips -q -o r.ps " + DataFile("hyperref-dvips.dvi") + " && ps2pdf r.ps r.pdf"},
        {dir / "doc.xdv", "xdvipdfmx -q -o r.pdf doc.xdv"},
    };
    int compared = 0;
    for (Case const& c : cases) {
        if (c.file.ends_with(".xdv") && (!HaveCommand("xelatex") || !Typeset(dir.Path(), "xelatex -no-pdf", 2)))
            continue;
        int status = -1;
        RunCommand("cd " + dir.Path() + " && " + c.reference + " 2>/dev/null", &status);
        if (status != 0) continue;
        KsdviOk("pdf -o " + (dir / "o.pdf") + " " + c.file);
        for (int page = 1; page <= 2; ++page) {
            RgbImage ours, theirs;
            ASSERT_TRUE(RasterisePdfPage(dir / "o.pdf", page, kDpi, dir / "o.ppm", ours));
            ASSERT_TRUE(RasterisePdfPage(dir / "r.pdf", page, kDpi, dir / "r.ppm", theirs));
            std::array<long, 4> const mine = FramePixels(ours), peer = FramePixels(theirs);
            // Areas grown from glyphs differ by a pixel from TeX's boxes.
            for (size_t colour = 0; colour < mine.size(); ++colour)
                EXPECT_NEAR(mine[colour], peer[colour], std::max(peer[colour] / 4, 30L))
                    << c.file << " page " << page << " colour " << colour;
            EXPECT_GT(Matched(ours, theirs), 0.8) << c.file << " page " << page;
            compared += peer[0] > 0;
        }
    }
    EXPECT_GT(compared, 0) << "no reference PDF could be made";
}

TEST_F(VectorCli, OutputsAndMistakes) {
    TempDir dir;
    struct Case {
        std::string args;
        int status;
        std::string output;  // what standard output starts with, or a message on stderr
    };
    std::string const plain = DataFile("plain.dvi");
    Case const cases[] = {
        {"pdf -p 2 -o - " + plain, 0, "%PDF-"},
        {"svg -p 1 -o - " + plain, 0, "<?xml"},
        {"svg -o " + (dir / "one.svg") + " " + plain, 1, "put %d where the page number goes"},
        {"pdf -p 9 -o " + (dir / "x.pdf") + " " + plain, 1, "plain.dvi"},
        {"pdf -o " + (dir / "x.pdf") + " " + (dir / "missing.dvi"), 1, "missing.dvi"},
        {"pdf --paper nonsense -o " + (dir / "x.pdf") + " " + plain, 1, "bad paper size"},
    };
    for (Case const& c : cases) {
        int status = -1;
        std::string const out = Ksdvi(c.args, &status, c.status != 0);
        EXPECT_EQ(status, c.status) << c.args;
        if (c.status == 0)
            EXPECT_EQ(out.rfind(c.output, 0), 0u) << c.args;
        else
            EXPECT_NE(out.find(c.output), std::string::npos) << c.args << ": " << out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.pdf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "one.svg"));
}

}  // namespace

// Pages rendered by ksdvi put their ink where the peers put it, at the same
// resolution, paper and origin: dvipng for TeX's fonts (the same outline
// fonts of the installation, the same METAFONT bitmaps where it has none), and
// dvips with Ghostscript for what dvipng leaves out: EPS figures and the
// PostScript that documents carry.

#include <gtest/gtest.h>

#include <string>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace {

struct Overlap {
    long ours = 0, theirs = 0;
    long oursMatched = 0, theirsMatched = 0;
    double Precision() const { return ours ? double(oursMatched) / ours : 1.0; }
    double Recall() const { return theirs ? double(theirsMatched) / theirs : 1.0; }
};

// Dark pixels of each image that have a dark pixel of the other within one pixel.
Overlap Compare(GreyImage const& a, GreyImage const& b) {
    auto near = [](GreyImage const& img, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img.Dark(x + dx, y + dy)) return true;
        return false;
    };
    Overlap o;
    for (int y = 0; y < std::max(a.height, b.height); ++y) {
        for (int x = 0; x < std::max(a.width, b.width); ++x) {
            if (a.Dark(x, y)) {
                ++o.ours;
                o.oursMatched += near(b, x, y);
            }
            if (b.Dark(x, y)) {
                ++o.theirs;
                o.theirsMatched += near(a, x, y);
            }
        }
    }
    return o;
}

enum class Peer { Dvipng, DvipsGhostscript };

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
    int status = -1;
    Ksdvi("render -r " + dpi + " -o " + (dir / "ours-%d.png") + " " + DataFile(c.file), &status);
    ASSERT_EQ(status, 0);
    if (c.peer == Peer::Dvipng) {
        RunCommand("dvipng -q -D " + dpi + " -T 210mm,297mm -O 1in,1in -o " + (dir / "theirs-%d.png") + " " +
                       DataFile(c.file) + " >/dev/null 2>&1",
                   &status);
    } else {
        // dvips finds the figures beside the document, as ksdvi does; the paper is the document's.
        // Colour pages, so that both images turn grey the same way.
        RunCommand("cd " + DataFile("") + " && dvips -q -o " + (dir / "page.ps") + " " + c.file + " 2>/dev/null && " +
                       "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -dTextAlphaBits=4 -dGraphicsAlphaBits=4 -r" +
                       dpi + " -o " + (dir / "theirs-%d.png") + " " + (dir / "page.ps") + " >/dev/null 2>&1",
                   &status);
    }
    ASSERT_EQ(status, 0);
    for (int page = 1; page <= c.pages; ++page) {
        GreyImage ours, theirs;
        ASSERT_TRUE(ReadGreyPng(dir / ("ours-" + std::to_string(page) + ".png"), ours)) << page;
        ASSERT_TRUE(ReadGreyPng(dir / ("theirs-" + std::to_string(page) + ".png"), theirs)) << page;
        // Ghostscript rounds the paper up to whole pixels, dvipng and ksdvi down.
        EXPECT_NEAR(ours.width, theirs.width, c.peer == Peer::Dvipng ? 0 : 1);
        EXPECT_NEAR(ours.height, theirs.height, c.peer == Peer::Dvipng ? 0 : 1);
        Overlap o = Compare(ours, theirs);
        SCOPED_TRACE(std::string(c.file) + " page " + std::to_string(page));
        EXPECT_GT(o.ours, 1000);
        // dvipng keeps TeX's pixel convention, where a reference point is the lower left
        // corner of its pixel: its ink sits one row lower than the exact baseline we draw
        // on. The pixel of slack absorbs that row; the rest is anti-aliasing at the edges.
        EXPECT_GT(o.Precision(), 0.95) << o.oursMatched << " of " << o.ours;
        EXPECT_GT(o.Recall(), 0.95) << o.theirsMatched << " of " << o.theirs;
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, PeerAgreement,
                         testing::Values(Case{"plain.dvi", 150, 3}, Case{"latex.dvi", 150, 2},
                                         Case{"latex.dvi", 300, 2}, Case{"fonts.dvi", 72, 1}, Case{"times.dvi", 150, 1},
                                         Case{"t1fonts.dvi", 150, 1}, Case{"lmodern.dvi", 150, 1},
                                         Case{"psnfss.dvi", 150, 1}, Case{"metafont.dvi", 150, 1},
                                         Case{"kotex.dvi", 150, 1}, Case{"figures.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"postscript.dvi", 150, 1, Peer::DvipsGhostscript},
                                         Case{"beamer.dvi", 150, 1, Peer::DvipsGhostscript}),
                         [](auto const& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.')) + "_" + std::to_string(info.param.dpi) +
                                    (info.param.peer == Peer::Dvipng ? "" : "_dvips");
                         });

}  // namespace

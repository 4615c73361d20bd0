// Colour, lines, shapes, pictures and links drawn or queued from specials of
// TeX documents. graphics.tex places every special at a known point; at 72 dpi
// an inch is 72 pixels and the DVI origin lies at (72, 72), so a point X
// inches right and Y inches down is pixel (72 + 72 X, 72 + 72 Y). Probes sit
// inside strokes and fills, away from their anti-aliased edges.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "render/RenderedPage.h"
#include "specials/PictureSpecials.h"
#include "support/RecordingDrawer.h"

namespace ksdvi::test {
namespace {

constexpr COLORREF kGreen = RGB(0, 255, 0), kCyan = RGB(0, 255, 255);

TEST(GraphicsPixels, ShowTheSpecials) {
    std::vector<std::vector<Probe>> const pages{
        {// colours and lines
         Probe{180, 144, kRed, "a line in the colour of color:"},
         Probe{180, 149, kWhite, "width: 4pt makes it 4 pixels wide"}, Probe{222, 144, kWhite, "it ends an inch on"},
         Probe{144, 216, kBlue, "colorpush: colours a line going down"},
         Probe{144, 260, kWhite, "which ends an inch down"},
         Probe{324, 144, kBlack, "colorpop: returns to the page's colour"},
         Probe{324, 180, kGreen, "COLOR: counts, color: with text after it does not"},
         Probe{324, 216, kMagenta, "colorpush: with text after it counts"},
         Probe{324, 220, kWhite, "width: with a blank before the unit changes nothing"},
         Probe{216, 303, kMagenta, "line: starts at its offsets, 10pt wide"},
         Probe{216, 309, kMagenta, "line: starts at its offsets, 10pt wide"}, Probe{216, 313, kWhite, "and no wider"},
         Probe{170, 306, kWhite, "nothing before the offset"},
         Probe{180, 378, RGB(0, 128, 0), "rules in the pushed colour"},
         Probe{324, 360, kBlack, "pops end at the page's bottom entry"}},
        {// shapes
         Probe{180, 144, kMagenta, "the colour pushed on the page before"}, Probe{180, 180, kBlack, "box: top edge"},
         Probe{144, 216, kBlack, "box: left edge"}, Probe{180, 216, kBlack, "box: the rule under it shows through"},
         Probe{150, 190, kWhite, "box: inside, not filled"}, Probe{324, 198, kGreen, "boxfill: filled with its colour"},
         Probe{324, 180, kBlack, "boxfill: outlined with the pen"}, Probe{180, 306, kRed, "ellipsefill: filled"},
         Probe{148, 291, kWhite, "ellipsefill: not the corners of its box"},
         Probe{349, 298, kBlack, "arc: the upper right quarter"}, Probe{360, 320, kBlack, "arc: from the right"},
         Probe{328, 288, kBlack, "arc: to the top"}, Probe{298, 298, kWhite, "arc: not the upper left"},
         Probe{298, 349, kWhite, "arc: not the lower left"}, Probe{349, 349, kWhite, "arc: not the lower right"},
         Probe{180, 396, kBlack, "box: round corners, straight edge"},
         Probe{145, 397, kWhite, "box: round corners, the corner cut"},
         Probe{324, 414, kWhite, "ellipsefill: text after the colour ignores it"},
         Probe{288, 414, kWhite, "box: five dimensions are too few"}}};
    ExpectPagePixels("graphics.dvi", pages);
}

// The colour packages of LaTeX write dvips specials. The one-inch rules of
// dvipscolor.tex, in order, and the colours they are given. Text after a
// colour carried over from the page before is drawn in it: the glyphs of the
// second page show pure blue, and nothing dark on the yellow page as black
// glyphs would.
TEST(DvipsColourPixels, RulesAndTextOfALatexDocumentInTheirColours) {
    constexpr int dpi = 300;
    std::vector<std::vector<COLORREF>> const expected{
        // red, Maroon, cmyk, gray, hsb, rgb; inks as Ghostscript shows them
        {kRed, RGB(174, 50, 54), RGB(0, 174, 240), RGB(128, 128, 128), kCyan, kBlue},
        {kBlue},   // \color{blue} from the page before
        {kBlack},  // \normalcolor
    };
    for (int index = 0; index < 3; ++index) {
        RenderedPage page("dvipscolor.dvi", index, dpi);
        ASSERT_TRUE(page.Opened());
        std::vector<COLORREF> colors;
        int blue = 0, dark = 0;
        for (Call const& item : RecordingDrawer(page.Document(), index).calls) {
            if (item.kind == "rule")  // probed at its centre, half an inch in
                colors.push_back(
                    page.Pixel(ToPixel(item.h + kSpPerInch / 2, dpi), ToPixel(item.v - kSpPerInch / 2, dpi)));
            if (item.kind != "char" || index != 1) continue;
            for (int y = ToPixel(item.v - item.height, dpi); y <= ToPixel(item.v, dpi); ++y) {
                for (int x = ToPixel(item.h, dpi); x <= ToPixel(item.h + item.b, dpi); ++x) {
                    COLORREF c = page.Pixel(x, y);
                    blue += c == kBlue;
                    dark += (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF) < 128;
                }
            }
        }
        EXPECT_EQ(colors, expected[static_cast<size_t>(index)]) << "page index " << index;
        if (index != 1) continue;
        EXPECT_EQ(page.Pixel(5, 5), RGB(255, 242, 0));  // the page colour the document set (Yellow)
        EXPECT_GT(blue, 50);
        EXPECT_EQ(dark, 0);
    }
}

constexpr int kNoBox = -1000000;

struct Queued {
    std::string file;
    int type;
    int anchorTop;
    int x, y;
    double xScale, yScale;
    std::array<int, 4> box = {kNoBox, kNoBox, kNoBox, kNoBox};
};

// The third page: what its text specials queue, where and at what scale. Its
// binary records draw their pictures at once, none of them queued, and keep
// the mask and the watermark; 72 record units an inch make record units
// pixels at 72 dpi.
TEST(PictureQueue, TextSpecialsQueueBinaryRecordsKeepMaskAndWatermark) {
    RenderedPage page("graphics.dvi", 2, 72);
    ASSERT_TRUE(page.Opened());
    std::vector<Queued> const expected{
        // graphics: at (1in, 1in) + (0.3in, 0.2in), offsets rounded up;
        // 2in / 1in by 3in / 1in
        {"fig.png", kPicturePng, 1, 166, 159, 2.0, 3.0},
        // zero sizes scale by 1; the name is the rest of the special
        {"zero scales.bmp", kPictureBmp, 1, 144, 144, 1.0, 1.0},
        // plotfile at (2in, 2in) in the frame 144 by 72 over 72 by 72
        {"plot.eps", kPictureEps, 1, 216, 216, 2.0, 1.0},
        {"plot2.eps", kPictureEps, 1, 216, 216, 2.0, 1.0},
        // psfile at (1in, 3in) moved 36pt right and 72pt up; rwi 2000 over a
        // 100pt box scales both ways by 2
        {"quoted.eps", kPictureEps, 0, 180, 216, 2.0, 2.0, {0, 0, 100, 50}},
        {"v.eps", kPictureEps, 0, 144, 288, 1.0, 0.5},
        // last the watermark, in record units converted when drawn, marked by an all-zero box
        {"wm.gif", kPictureGif, 1, 72, 72, -36, -36, {0, 0, 0, 0}},
    };
    KsDviDrawer& d = page.Drawer();
    // The code 16 picture consumed the first mask; the last one waits.
    ASSERT_NE(d.GetMask(), nullptr);
    EXPECT_EQ(std::string(d.GetMask()->fileName.view()), "end.bmp");
    EXPECT_EQ(d.GetMask()->type, kPictureBmp);
    std::vector<KsDviDrawer::PictInfo const*> queued(d.GetPictList().begin(), d.GetPictList().end());
    queued.push_back(d.GetWaterMark());
    ASSERT_EQ(queued.size(), expected.size());
    ASSERT_NE(queued.back(), nullptr);
    for (size_t i = 0; i < queued.size(); ++i) {
        KsDviDrawer::PictInfo const& p = *queued[i];
        Queued const& e = expected[i];
        SCOPED_TRACE(e.file);
        EXPECT_EQ(std::string(p.fileName.view()), e.file);
        EXPECT_EQ((std::vector<int>{p.type, p.anchorTop, p.x, p.y, p.llx, p.lly, p.urx, p.ury, p.drawn}),
                  (std::vector<int>{e.type, e.anchorTop, e.x, e.y, e.box[0], e.box[1], e.box[2], e.box[3], 0}));
        EXPECT_NEAR(p.xScale, e.xScale, 1e-5);
        EXPECT_NEAR(p.yScale, e.yScale, 1e-5);
    }
}

// rasters.tex shows a 16 x 12 picture (red, lime / blue, white quarters) in
// each raster format at four times its natural size, then pictures that
// cannot be drawn. A picture's pixels are 96 to the inch unless the file says
// otherwise (the PNG says 300).
TEST(PictureDrawing, RasterPicturesFillTheirBoxesAndBrokenOnesSayWhy) {
    RenderedPage page("rasters.dvi", 0, 72);
    ASSERT_TRUE(page.Opened());
    page.Drawer().DrawAllPictures(nullptr);
    std::vector<KsDviDrawer::PictInfo const*> queued(page.Drawer().GetPictList().begin(),
                                                     page.Drawer().GetPictList().end());
    ASSERT_EQ(queued.size(), 7u);
    for (size_t i = 0; i < 4; ++i) {
        KsDviDrawer::PictInfo const& p = *queued[i];
        int w = p.type == kPicturePng ? 16 : 48, h = p.type == kPicturePng ? 12 : 36;
        SCOPED_TRACE(p.fileName.c_str());
        EXPECT_EQ(p.drawn, 1);
        for (auto [fx, fy, colour] : std::array<std::tuple<int, int, COLORREF>, 4>{
                 {{1, 1, kRed}, {3, 1, kGreen}, {1, 3, kBlue}, {3, 3, kWhite}}}) {
            COLORREF got = page.Pixel(p.x + w * fx / 4, p.y + h * fy / 4);
            // JPEG is lossy: each channel within a few steps of its colour.
            for (int shift : {0, 8, 16})
                EXPECT_NEAR((got >> shift) & 0xFF, (colour >> shift) & 0xFF, 12) << fx << "," << fy;
        }
        EXPECT_EQ(page.Pixel(p.x + w + 2, p.y + h / 2), kWhite) << "nothing right of the box";
    }
    std::vector<std::pair<std::string, std::string>> problems;
    for (auto const& problem : page.Drawer().GetPictureProblems()) problems.emplace_back(problem.file, problem.reason);
    EXPECT_EQ(problems, (std::vector<std::pair<std::string, std::string>>{
                            {"pictures/truncated.png", "cannot be decoded"},
                            {"pictures/broken.eps", "PostScript error: undefined"},
                            {"pictures/missing.eps", "not found"}}));
}

using gdi::GetBValue, gdi::GetGValue, gdi::GetRValue;

using Link = KsDviDrawer::HyLinkInfo;
using Rect = KsDviDrawer::LinkRect;

// Links and anchors at 100 dpi: links.tex, written with ksdvi's own
// specials, and one LaTeX document made with both of hyperref's drivers for
// DVI, hyperref-hypertex.tex and hyperref-dvips.tex. Text
// inside a link is drawn in the link colour, pure blue, which tells the linked
// text's ink from the rest. Which links the documents hold, their areas and
// where their anchors lie, ksdvi links and locate show (tests/tools).
constexpr int kDpi = 100;

std::vector<Link const*> Links(RenderedPage& page) {
    return {page.Drawer().GetHyLinkList().begin(), page.Drawer().GetHyLinkList().end()};
}

// The first area of the page's link `index`.
Rect FirstArea(RenderedPage& page, size_t index) { return *Links(page).at(index)->rects.begin(); }

bool Inside(Rect const& r, int x, int y) { return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h; }

// Ink of the link colour, anti-aliased on white, is blue at full strength.
bool LinkInk(COLORREF c) { return GetBValue(c) == 255 && GetRValue(c) == GetGValue(c) && GetRValue(c) < 200; }

// Every pixel of link-coloured ink lies in an area of an html: link, and every
// such area holds some.
void ExpectAreasCoverLinkedText(RenderedPage& page) {
    std::vector<Rect> areas;
    for (Link const* link : Links(page))
        if (link->kind == 0) areas.insert(areas.end(), link->rects.begin(), link->rects.end());
    ASSERT_FALSE(areas.empty());
    std::vector<int> inkPerArea(areas.size(), 0);
    int outside = 0;
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            if (!LinkInk(page.Pixel(x, y))) continue;
            bool covered = false;
            for (size_t i = 0; i < areas.size(); ++i)
                if (Inside(areas[i], x, y)) covered = true, ++inkPerArea[i];
            outside += !covered;
        }
    }
    EXPECT_EQ(outside, 0);
    for (size_t i = 0; i < areas.size(); ++i) EXPECT_GT(inkPerArea[i], 0) << "area " << i;
}

// Link-coloured ink (asked for) lies in the link areas, on the pages of
// hyperref-hypertex.tex and links.tex; that the areas hold no more than the linked text, the exact
// rectangles ksdvi links prints show (tests/tools). FindHyLink hits inside
// the areas, not on their right or bottom edge.
TEST(Hyperlinks, LinkAreasCoverTheirText) {
    for (auto [file, index] : {std::pair{"hyperref-hypertex.dvi", 0}, {"hyperref-hypertex.dvi", 1}, {"links.dvi", 0}}) {
        RenderedPage page(file, index, kDpi, String8(), true);
        ASSERT_TRUE(page.Opened());
        ExpectAreasCoverLinkedText(page);
        KsDviDrawer& d = page.Drawer();
        for (Link const* link : Links(page)) {
            Rect r = *link->rects.begin();
            EXPECT_EQ(d.FindHyLink(r.x, r.y), link);
            EXPECT_EQ(d.FindHyLink(r.x + r.w - 1, r.y + r.h - 1), link);
            EXPECT_EQ(d.FindHyLink(r.x + r.w, r.y), nullptr);
            EXPECT_EQ(d.FindHyLink(r.x, r.y + r.h), nullptr);
        }
        EXPECT_EQ(d.FindHyLink(0, 0), nullptr);
    }
}

bool Near(Rect const& a, Rect const& b, int slack) {
    return std::abs(a.x - b.x) <= slack && std::abs(a.y - b.y) <= slack && std::abs(a.x + a.w - b.x - b.w) <= slack &&
           std::abs(a.y + a.h - b.y - b.h) <= slack;
}

bool Within(Rect const& inner, Rect const& outer, int slack) {
    return inner.x >= outer.x - slack && inner.y >= outer.y - slack && inner.x + inner.w <= outer.x + outer.w + slack &&
           inner.y + inner.h <= outer.y + outer.h + slack;
}

// The dvips driver's pdfmark areas cover the text that the hypertex driver's
// areas grow over, within a few pixels: dvips takes the height of a line
// where html: areas take the glyphs'. Where TeX broke a link, the pdfmark
// area is one rectangle a line, inside the html: area's bounding box. Both
// name the same anchors on the same pages, within a line of each other (a
// pdfmark anchor names the top of its line, as a PDF viewer shows it); and
// the dvips pages never start Ghostscript for them.
TEST(Hyperlinks, DvipsDriverAreasAgreeWithHypertexDriver) {
    constexpr int kSlack = 6, kLine = 16;  // pixels at 100 dpi; 16 is a 12 pt line
    for (int index : {0, 1}) {
        RenderedPage dvips("hyperref-dvips.dvi", index, kDpi), hypertex("hyperref-hypertex.dvi", index, kDpi);
        ASSERT_TRUE(dvips.Opened() && hypertex.Opened());
        EXPECT_FALSE(dvips.Document().PageHasPostScript(index));
        std::vector<Link const*> ours = Links(dvips), theirs = Links(hypertex);
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t i = 0; i < ours.size(); ++i) {
            Link const& a = *ours[i];
            Link const& b = *theirs[i];
            EXPECT_EQ(a.kind, 2);
            EXPECT_EQ(a.href, b.href);
            Rect html = *b.rects.begin();
            std::vector<Rect> lines(a.rects.begin(), a.rects.end());
            if (lines.size() == 1) {
                EXPECT_TRUE(Near(lines[0], html, kSlack)) << a.href.c_str();
            } else {
                ASSERT_EQ(lines.size(), 2u);
                for (Rect const& r : lines) EXPECT_TRUE(Within(r, html, 3)) << a.href.c_str();
                EXPECT_NEAR(lines[0].x + lines[0].w, html.x + html.w, 3);  // to the line's end
                EXPECT_NEAR(lines[1].x, html.x, 3);                        // from the next one's start
                EXPECT_GT(lines[1].y, lines[0].y + lines[0].h / 2);
            }
            Rect first = lines[0];
            EXPECT_EQ(dvips.Drawer().FindHyLink(first.x + first.w / 2, first.y + first.h / 2), &a);
        }

        std::map<std::string, std::pair<int, int>> anchors;
        for (auto const& p : hypertex.Drawer().GetAnchorPoints()) anchors[p.name.c_str()] = {p.x, p.y};
        ASSERT_FALSE(anchors.empty());
        size_t met = 0;
        for (auto const& p : dvips.Drawer().GetAnchorPoints()) {
            auto it = anchors.find(p.name.c_str());
            ASSERT_NE(it, anchors.end()) << p.name.c_str();
            EXPECT_NEAR(p.x, it->second.first, 3) << p.name.c_str();
            EXPECT_NEAR(p.y, it->second.second, kLine) << p.name.c_str();
            ++met;
        }
        EXPECT_EQ(met, anchors.size());
    }
}

// DrawHyperlinkMark ORs the link colour into the areas of the chosen kind:
// the black rule under the hypertext area, and a black dot put into the first
// html area, turn blue only when their kind is marked.
TEST(Hyperlinks, MarksMergeTheLinkColourIntoTheChosenKinds) {
    for (int which : {0, 1, 2}) {
        RenderedPage page("links.dvi", 0, kDpi);
        ASSERT_TRUE(page.Opened());
        ASSERT_EQ(Links(page).at(0)->kind, 0);
        ASSERT_EQ(Links(page).at(2)->kind, 1);
        Rect html = FirstArea(page, 0), area = FirstArea(page, 2);
        int hx = html.x + 1, hy = html.y + 1, x = area.x + area.w / 2, y = area.y + area.h / 2;
        page.dc.SetPixel(hx, hy, kBlack);
        ASSERT_EQ(page.Pixel(x, y), kBlack);
        page.Drawer().DrawHyperlinkMark(which);
        EXPECT_EQ(page.Pixel(x, y), which == 1 ? kBlack : kLinkBlue) << "which " << which;
        EXPECT_EQ(page.Pixel(hx, hy), which == 2 ? kBlack : kLinkBlue) << "which " << which;
        EXPECT_EQ(page.Pixel(5, 5), kWhite) << "white stays white";
    }
}

// The drawer looks for an anchor on the page it draws, by its whole name.
TEST(Hyperlinks, AnchorsMatchWholeNamesOnTheDrawnPage) {
    for (auto [index, anchor] : {std::pair{1, "second"}, {0, "second"}, {1, "secon"}, {0, ""}}) {
        RenderedPage page("links.dvi", index, kDpi, String8(anchor));
        ASSERT_TRUE(page.Opened());
        EXPECT_EQ(page.Drawer().IsTagFound() != 0, index == 1 && anchor == std::string("second")) << anchor;
    }
}

}  // namespace
}  // namespace ksdvi::test

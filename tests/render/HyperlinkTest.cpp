// Hyperlinks and anchors of TeX documents at 100 dpi: links.tex, written with
// this system's own specials, and hyperref.tex, written by hyperref's hypertex
// driver. Text inside a link is drawn in the link colour, pure blue, which
// tells the linked text's ink from the rest. Which links the documents hold,
// their areas and where their anchors lie, ksdvi links and locate show
// (tests/tools).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/RenderedPage.h"

namespace ksdvi::test {
namespace {

constexpr int kDpi = 100;

std::vector<KsDviDrawer::HyLinkInfo const*> Links(RenderedPage& page) {
    return {page.Drawer().GetHyLinkList().begin(), page.Drawer().GetHyLinkList().end()};
}

std::vector<KsDviDrawer::LinkRect> Rects(KsDviDrawer::HyLinkInfo const& link) {
    return {link.rects.begin(), link.rects.end()};
}

bool Inside(KsDviDrawer::LinkRect const& r, int x, int y) {
    return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// Ink of the link colour, anti-aliased on white: blue at full strength.
bool LinkInk(COLORREF c) {
    unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return b == 255 && r == g && r < 200;
}

bool DarkGrey(COLORREF c) {
    unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return r == g && g == b && r < 128;
}

// Every pixel of link-coloured ink lies in an area of an html: link, and every
// such area holds some.
void ExpectAreasCoverLinkedText(RenderedPage& page) {
    std::vector<KsDviDrawer::LinkRect> areas;
    for (KsDviDrawer::HyLinkInfo const* link : Links(page))
        if (link->kind == 0)
            for (KsDviDrawer::LinkRect const& r : Rects(*link)) areas.push_back(r);
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

TEST(Hyperlinks, AnHtmlLinkCoversItsTextAndOnlyThat) {
    RenderedPage page("links.dvi", 0, kDpi);
    ASSERT_TRUE(page.Opened());
    ExpectAreasCoverLinkedText(page);
    // "Go" before the link and "now." after it are drawn black, outside it.
    KsDviDrawer::LinkRect site = Rects(*Links(page)[0])[0];
    int dark = 0, darkInside = 0;
    for (int y = site.y - 20; y < site.y + site.h + 20; ++y) {
        for (int x = site.x - 60; x < site.x + site.w + 60; ++x) {
            if (!DarkGrey(page.Pixel(x, y))) continue;
            ++dark;
            darkInside += Inside(site, x, y);
        }
    }
    EXPECT_GT(dark, 0);
    EXPECT_EQ(darkInside, 0);
}

TEST(Hyperlinks, FindHyLinkHitsInsideAndNotOnTheRightEdge) {
    RenderedPage page("links.dvi", 0, kDpi);
    ASSERT_TRUE(page.Opened());
    KsDviDrawer& d = page.Drawer();
    for (KsDviDrawer::HyLinkInfo const* link : Links(page)) {
        KsDviDrawer::LinkRect r = Rects(*link)[0];
        EXPECT_EQ(d.FindHyLink(r.x, r.y), link);
        EXPECT_EQ(d.FindHyLink(r.x + r.w - 1, r.y + r.h - 1), link);
        EXPECT_EQ(d.FindHyLink(r.x + r.w, r.y), nullptr);
        EXPECT_EQ(d.FindHyLink(r.x, r.y + r.h), nullptr);
    }
    EXPECT_EQ(d.FindHyLink(0, 0), nullptr);
}

// DrawHyperlinkMark ORs the link colour into the areas: the black rule under
// the hypertext area turns blue when that kind is marked.
TEST(Hyperlinks, MarksMergeTheLinkColourIntoTheChosenKinds) {
    for (int which : {0, 1, 2}) {
        RenderedPage page("links.dvi", 0, kDpi);
        ASSERT_TRUE(page.Opened());
        KsDviDrawer::LinkRect area = Rects(*Links(page)[2])[0];
        int x = area.x + area.w / 2, y = area.y + area.h / 2;
        ASSERT_EQ(page.Pixel(x, y), RGB(0, 0, 0));
        page.Drawer().DrawHyperlinkMark(which);
        EXPECT_EQ(page.Pixel(x, y), which == 1 ? RGB(0, 0, 0) : kLinkBlue) << "which " << which;
        EXPECT_EQ(page.Pixel(5, 5), RGB(255, 255, 255)) << "white stays white";
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

TEST(Hyperlinks, HyperrefLinksCoverTheirText) {
    for (int index = 0; index < 2; ++index) {
        RenderedPage page("hyperref.dvi", index, kDpi);
        ASSERT_TRUE(page.Opened());
        ExpectAreasCoverLinkedText(page);
    }
}

}  // namespace
}  // namespace ksdvi::test

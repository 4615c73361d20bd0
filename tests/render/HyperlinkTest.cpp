// Hyperlinks and anchors of TeX documents at 100 dpi: links.tex, written with
// this system's own specials, and hyperref.tex, written by hyperref's hypertex
// driver. Text inside a link is drawn in the link colour, pure blue, which
// tells the linked text's ink from the rest.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/PageRecorder.h"
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

TEST(Hyperlinks, LinksOfThisSystemsSpecialsInOrder) {
    RenderedPage page("links.dvi", 0, kDpi);
    ASSERT_TRUE(page.Opened());
    auto links = Links(page);
    ASSERT_EQ(links.size(), 4u);  // the two with an empty or unquoted target are ignored
    struct Expected {
        int kind;
        char const* href;
        char const* target;
    } const expected[] = {
        {0, "http://example.org/", "side"},
        {0, "#second", "_self"},
        {1, "area.html", "_self"},
        {1, "frame.html", "main"},
    };
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i]->kind, expected[i].kind) << i;
        EXPECT_EQ(std::string(links[i]->href.view()), expected[i].href) << i;
        EXPECT_EQ(std::string(links[i]->target.view()), expected[i].target) << i;
        EXPECT_EQ(links[i]->rects.GetCount(), 1) << i;  // a link over two lines grows one rectangle
    }
    // hypertext: areas are absolute: 10 DVI units round up to a pixel.
    KsDviDrawer::LinkRect frame = Rects(*links[3])[0];
    EXPECT_EQ((std::vector<int>{frame.x, frame.y, frame.w, frame.h}), (std::vector<int>{100, 100, 1, 1}));
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

// The hypertext area of links.tex gives the place where TeX set the rule.
TEST(Hyperlinks, AHypertextAreaLiesWhereItsNumbersSay) {
    RenderedPage page("links.dvi", 0, kDpi);
    ASSERT_TRUE(page.Opened());
    KsDviDrawer::LinkRect area = Rects(*Links(page)[2])[0];
    int ruleInside = 0, ruleOutside = 0;
    for (int y = area.y - 5; y < area.y + area.h + 5; ++y) {
        for (int x = area.x - 5; x < area.x + area.w + 5; ++x) {
            if (page.Pixel(x, y) != RGB(0, 0, 0)) continue;
            Inside(area, x, y) ? ++ruleInside : ++ruleOutside;
        }
    }
    EXPECT_EQ(ruleInside, area.w * area.h);
    EXPECT_EQ(ruleOutside, 0);
}

TEST(Hyperlinks, FindHyLinkHitsInsideAndNotOnTheRightEdge) {
    RenderedPage page("links.dvi", 0, kDpi);
    ASSERT_TRUE(page.Opened());
    auto links = Links(page);
    for (KsDviDrawer::HyLinkInfo const* link : links) {
        KsDviDrawer::LinkRect r = Rects(*link)[0];
        EXPECT_EQ(page.Drawer().FindHyLink(r.x, r.y), link);
        EXPECT_EQ(page.Drawer().FindHyLink(r.x + r.w - 1, r.y + r.h - 1), link);
        EXPECT_EQ(page.Drawer().FindHyLink(r.x + r.w, r.y), nullptr);
        EXPECT_EQ(page.Drawer().FindHyLink(r.x, r.y + r.h), nullptr);
    }
    EXPECT_EQ(page.Drawer().FindHyLink(0, 0), nullptr);
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

struct TagCase {
    int page;
    char const* anchor;
    bool found;
};

void PrintTo(TagCase const& c, std::ostream* os) { *os << "page index " << c.page << " anchor " << c.anchor; }

class TagSearch : public testing::TestWithParam<TagCase> {};

TEST_P(TagSearch, FindsNamedAnchorsOnTheirPage) {
    TagCase const& c = GetParam();
    RenderedPage page("links.dvi", c.page, kDpi, String8(c.anchor));
    ASSERT_TRUE(page.Opened());
    ASSERT_EQ(page.Drawer().IsTagFound() != 0, c.found);
    if (!c.found) return;
    // An html: anchor is where its special stands, a hypertext: one where its numbers say.
    int h = 9472573, v = 4736286;
    std::string quoted = "\"" + std::string(c.anchor) + "\"";
    for (PageRecorder::Item const& item : PageRecorder(page.Document(), c.page).items)
        if (item.kind == PageRecorder::Item::Special && item.text.find(quoted) != std::string::npos)
            h = item.h, v = item.v;
    double const pixelsPerSp = kDpi / 4736286.72;
    EXPECT_EQ(page.Drawer().GetTaghPos(), kDpi + static_cast<int>(h * pixelsPerSp + 0.5));
    EXPECT_EQ(page.Drawer().GetTagvPos(), kDpi + static_cast<int>(v * pixelsPerSp + 0.5));
}

INSTANTIATE_TEST_SUITE_P(Anchors, TagSearch,
                         testing::Values(TagCase{0, "top", true}, TagCase{1, "second", true}, TagCase{1, "third", true},
                                         TagCase{0, "second", false}, TagCase{1, "Second", false},
                                         TagCase{1, "secon", false}, TagCase{0, "", false}));

TEST(Hyperlinks, HyperrefLinksListAndCoverTheirText) {
    std::vector<std::vector<std::string>> const hrefs{
        {"http://example.org/", "http://tug.org/", "#section.2", "#cite.knuth", "#Hfootnote.1"}, {"#section.1"}};
    for (int index = 0; index < 2; ++index) {
        RenderedPage page("hyperref.dvi", index, kDpi);
        ASSERT_TRUE(page.Opened());
        std::vector<std::string> found;
        for (KsDviDrawer::HyLinkInfo const* link : Links(page)) {
            found.emplace_back(link->href.view());
            EXPECT_EQ(link->kind, 0);
            EXPECT_EQ(std::string(link->target.view()), "_self");
        }
        EXPECT_EQ(found, hrefs[static_cast<size_t>(index)]);
        ExpectAreasCoverLinkedText(page);
    }
}

}  // namespace
}  // namespace ksdvi::test

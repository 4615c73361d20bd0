// The viewer's logic without a window: where pages lie in the column and
// which page a point is on, the page cache's bound and its stand-ins, and
// the dark mode's lightness inversion.

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "DarkMode.h"
#include "PageCache.h"
#include "PageColumn.h"

using namespace ksdvi::view;

namespace {

TEST(PageColumn, PagesAndPointsAtEveryZoom) {
    for (double zoom : {0.25, 1.0, 96.0 / 72.0, 3.7}) {
        PageColumn column;
        column.SetPages(std::vector<ksdvi::PageTurn>(5, {{612, 792}}));
        column.zoom = zoom;
        double const page = 792 * zoom;
        for (int i = 0; i < column.Pages(); ++i) {
            EXPECT_DOUBLE_EQ(column.Top(i), PageColumn::kGap + i * (page + PageColumn::kGap)) << zoom;
            EXPECT_EQ(column.PageAt(column.Top(i) + 1), i) << zoom;
            EXPECT_EQ(column.PageAt(column.Top(i) + page - 1), i) << zoom;
            EXPECT_EQ(column.PageAt(column.Top(i) + page + PageColumn::kGap / 2), i) << "in the gap below";
        }
        EXPECT_EQ(column.PageAt(-50), 0);
        EXPECT_EQ(column.PageAt(column.Height() + 1000), 4);
        EXPECT_DOUBLE_EQ(column.Height(), column.Top(5));
        // Centred in a wide view, at the gap in a narrow one, moved by scrolling.
        EXPECT_DOUBLE_EQ(column.Left(2, 612 * zoom + 400, 0), 200);
        EXPECT_DOUBLE_EQ(column.Left(2, 10, 30), PageColumn::kGap - 30);
    }
    PageColumn empty;
    EXPECT_EQ(empty.PageAt(100), -1);
}

// The second page landscape paper, or portrait paper turned a quarter.
TEST(PageColumn, ALandscapePageAmongPortraitOnes) {
    for (ksdvi::PageTurn landscape :
         {ksdvi::PageTurn{{842, 595}, 0}, ksdvi::PageTurn{{595, 842}, 90}, ksdvi::PageTurn{{595, 842}, 270}}) {
        PageColumn column;
        column.SetPages({{{595, 842}}, landscape, {{595, 842}, 180}});
        column.zoom = 1;
        double const gap = PageColumn::kGap;
        EXPECT_DOUBLE_EQ(column.Top(1), gap + 842 + gap);
        EXPECT_DOUBLE_EQ(column.Top(2), gap + 842 + gap + 595 + gap);
        EXPECT_DOUBLE_EQ(column.Height(), 3 * gap + 2 * 842 + 595 + gap);
        EXPECT_DOUBLE_EQ(column.Width(), 842 + 2 * gap);
        EXPECT_EQ(column.PageAt(column.Top(2) - 1), 1);
        EXPECT_EQ(column.PageAt(column.Top(2) + 600), 2);
        // In a narrow view the portrait pages stand centred under the wide one.
        EXPECT_DOUBLE_EQ(column.Left(1, 100, 0), gap);
        EXPECT_DOUBLE_EQ(column.Left(0, 100, 0), gap + (842 - 595) / 2.0);
        EXPECT_DOUBLE_EQ(column.Left(0, 2000, 0), (2000 - 595) / 2.0);
    }
}

cairo_surface_t* Surface(int width, int height) {
    return cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
}

TEST(PageCache, KeepsTheRecentlyShownWithinItsBound) {
    // 256 x 1024 pixels of 4 bytes: 1 MiB each; room for two.
    PageCache cache(std::uint64_t(2) << 20);
    double resolution = 0;
    for (int page = 0; page < 3; ++page) {
        cairo_surface_t* s = Surface(256, 1024);
        cache.Put(page, 2.0, s);
        cairo_surface_destroy(s);
        if (page == 1) {
            EXPECT_NE(cache.Sharp(0, 2.0), nullptr);  // page 0 shown again: page 1 is the oldest
        }
    }
    EXPECT_NE(cache.Sharp(0, 2.0), nullptr);
    EXPECT_EQ(cache.Sharp(1, 2.0), nullptr);
    EXPECT_NE(cache.Sharp(2, 2.0), nullptr);
    EXPECT_EQ(cache.Bytes(), std::uint64_t(2) << 20);
    EXPECT_EQ(cache.Pages(), (std::vector<int>{2, 0}));  // the most recently shown first
    EXPECT_EQ(cache.Sharp(2, 3.0), nullptr);        // another zoom is not sharp ...
    EXPECT_NE(cache.Any(2, &resolution), nullptr);  // ... but stands in
    EXPECT_EQ(resolution, 2.0);

    // A page that changed only stands in; drawing it again replaces it.
    cache.MarkStale(2);
    EXPECT_EQ(cache.Sharp(2, 2.0), nullptr);
    EXPECT_NE(cache.Any(2, &resolution), nullptr);
    cairo_surface_t* s = Surface(256, 1024);
    cache.Put(2, 2.0, s);
    cairo_surface_destroy(s);
    EXPECT_NE(cache.Sharp(2, 2.0), nullptr);
    EXPECT_EQ(cache.Bytes(), std::uint64_t(2) << 20);

    // One page larger than the bound is still kept: the one in view.
    PageCache small(100);
    cairo_surface_t* big = Surface(64, 64);
    small.Put(7, 1.0, big);
    cairo_surface_destroy(big);
    EXPECT_NE(small.Sharp(7, 1.0), nullptr);
}

TEST(DarkMode, InvertsLightnessAndKeepsHue) {
    struct Case {
        std::uint32_t in, out;
    };
    Case const cases[] = {
        {0xFFFFFF, 0x000000}, {0x000000, 0xFFFFFF}, {0xFF0000, 0xFF0000},  // full red is half light
        {0xC0C0C0, 0x3F3F3F}, {0x000080, 0x7F7FFF},                        // dark blue turns light blue
        {0x00FF00, 0x00FF00},
    };
    cairo_surface_t* surface = Surface(static_cast<int>(std::size(cases)), 1);
    auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface));
    for (size_t i = 0; i < std::size(cases); ++i) pixels[i] = cases[i].in;
    cairo_surface_mark_dirty(surface);
    InvertLightness(surface);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(pixels[i] & 0xFFFFFF, cases[i].out) << std::hex << cases[i].in;
    cairo_surface_destroy(surface);
}

// Pictures stay as they are: pixels whose centres lie in a kept area.
TEST(DarkMode, LeavesPicturesAsTheyAre) {
    cairo_surface_t* surface = Surface(4, 3);
    auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface));
    std::fill(pixels, pixels + 12, 0x000080u);
    cairo_surface_mark_dirty(surface);
    InvertLightness(surface, {{0.6, 1, 1.8, 1}, {3, 2.4, 5, 1}});
    std::uint32_t const kept = 0x000080, inverted = 0x7F7FFF;
    std::uint32_t const expected[12] = {inverted, inverted, inverted, inverted,  //
                                        inverted, kept,     inverted, inverted,  //
                                        inverted, inverted, inverted, kept};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(pixels[i] & 0xFFFFFF, expected[i]) << "pixel " << i;
    cairo_surface_destroy(surface);
}

}  // namespace

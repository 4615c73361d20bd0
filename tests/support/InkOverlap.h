#pragma once
// How well the ink of two renderings of a page lies together: the dark pixels
// of each that have a dark pixel of the other within one pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/PngImage.h"

struct Overlap {
    long ours = 0, theirs = 0;
    long oursMatched = 0, theirsMatched = 0;
    double Precision() const { return ours ? double(oursMatched) / ours : 1.0; }
    double Recall() const { return theirs ? double(theirsMatched) / theirs : 1.0; }
};

inline Overlap Compare(GreyImage const& a, GreyImage const& b) {
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

// Every page DIR/ours-N.png against DIR/theirs-N.png (a peer's rendering):
// the same size within `sizeSlack` pixels, and at least `least` of each
// one's ink matched by the other's. The number of pages goes to `count`.
inline void ExpectPagesOverlap(std::string const& dir, std::string const& name, double least = 0.95, int sizeSlack = 1,
                               int* count = nullptr) {
    int pages = 0;
    while (std::filesystem::exists(dir + "/theirs-" + std::to_string(pages + 1) + ".png")) ++pages;
    if (count) *count = pages;
    ASSERT_GT(pages, 0) << name;
    for (int page = 1; page <= pages; ++page) {
        std::string const n = std::to_string(page);
        SCOPED_TRACE(name + " page " + n);
        GreyImage ours, theirs;
        ASSERT_TRUE(ReadGreyPng(dir + "/ours-" + n + ".png", ours));
        ASSERT_TRUE(ReadGreyPng(dir + "/theirs-" + n + ".png", theirs));
        // pdftoppm and Ghostscript round the paper to whole pixels, ksdvi and dvipng down.
        EXPECT_NEAR(ours.width, theirs.width, sizeSlack);
        EXPECT_NEAR(ours.height, theirs.height, sizeSlack);
        Overlap o = Compare(ours, theirs);
        EXPECT_GT(o.theirs, 1000);
        EXPECT_GE(o.Precision(), least) << o.oursMatched << " of " << o.ours;
        EXPECT_GE(o.Recall(), least) << o.theirsMatched << " of " << o.theirs;
    }
}

// `words` appear in `text` one after another.
inline void ExpectWordsInOrder(std::string const& text, std::vector<char const*> const& words) {
    size_t at = 0;
    for (char const* word : words) {
        size_t found = text.find(word, at);
        EXPECT_NE(found, std::string::npos) << "\"" << word << "\" after offset " << at << " of:\n" << text;
        if (found != std::string::npos) at = found + std::string(word).size();
    }
}

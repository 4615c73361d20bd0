#pragma once
// How well the ink of two renderings of a page lies together: the dark pixels
// of each that have a dark pixel of the other within one pixel.

#include <algorithm>

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

#pragma once
// Where each page lies in the viewer's column: pages one under another, each
// on its own paper (a landscape page among portrait ones) and turned as a
// reader turns it (pdflscape's pages), centred, a gap around each, in logical
// pixels at a zoom (pixels per point).

#include <algorithm>
#include <vector>

#include "ksdvi/Document.h"

namespace ksdvi::view {

class PageColumn {
public:
    static constexpr double kGap = 12;

    double zoom = 96.0 / 72.0;

    // Each page's paper, in points, and its turn.
    void SetPages(std::vector<PageTurn> pages) {
        turns_ = std::move(pages);
        above_.assign(turns_.size() + 1, 0);
        widest_ = tallest_ = 0;
        for (size_t i = 0; i < turns_.size(); ++i) {
            Point const shown = turns_[i].Shown();
            above_[i + 1] = above_[i] + shown.y;
            widest_ = std::max(widest_, shown.x);
            tallest_ = std::max(tallest_, shown.y);
        }
    }
    int Pages() const { return static_cast<int>(turns_.size()); }
    // A page's paper as it is shown, in points.
    Point Paper(int page) const { return Turn(page).Shown(); }
    PageTurn const& Turn(int page) const { return turns_[static_cast<size_t>(page)]; }
    // The widest and the tallest paper, in points.
    double WidestPaper() const { return widest_; }
    double TallestPaper() const { return tallest_; }

    double Width() const { return widest_ * zoom + 2 * kGap; }
    double Height() const { return Top(Pages()); }
    // The top of page `page` in the column (page == Pages(): the column's end).
    double Top(int page) const { return kGap + above_[static_cast<size_t>(page)] * zoom + page * kGap; }
    // The left of page `page` in a view `viewWidth` wide, scrolled to
    // `scrollX`: centred in the view, or in the column when that is wider.
    double Left(int page, double viewWidth, double scrollX) const {
        double const width = Paper(page).x * zoom;
        return std::max(kGap + (widest_ * zoom - width) / 2, (viewWidth - width) / 2) - scrollX;
    }
    // The page at column height `y` (the one above when in a gap), -1 when none.
    int PageAt(double y) const {
        if (turns_.empty()) return -1;
        int low = 0, high = Pages() - 1;  // the last page whose top is at or above y
        while (low < high) {
            int const middle = (low + high + 1) / 2;
            if (Top(middle) <= y)
                low = middle;
            else
                high = middle - 1;
        }
        return low;
    }

private:
    std::vector<PageTurn> turns_;
    std::vector<double> above_{0};  // points of paper above each page
    double widest_ = 0, tallest_ = 0;
};

}  // namespace ksdvi::view

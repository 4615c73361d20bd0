#pragma once
// Where each page lies in the viewer's column: pages one under another,
// centred, a gap around each, in logical pixels at a zoom (pixels per point).

#include <algorithm>

namespace ksdvi::view {

struct PageColumn {
    static constexpr double kGap = 12;

    double pageWidth = 595, pageHeight = 842;  // points
    int pages = 0;
    double zoom = 96.0 / 72.0;

    double Width() const { return pageWidth * zoom + 2 * kGap; }
    double Height() const { return kGap + pages * (pageHeight * zoom + kGap); }
    // The top of page `page` in the column.
    double Top(int page) const { return kGap + page * (pageHeight * zoom + kGap); }
    // The left of every page in a view `viewWidth` wide, scrolled to `scrollX`.
    double Left(double viewWidth, double scrollX) const {
        return std::max(kGap, (viewWidth - pageWidth * zoom) / 2) - scrollX;
    }
    // The page at column height `y` (the one above when in a gap), -1 when none.
    int PageAt(double y) const {
        if (pages == 0) return -1;
        int page = static_cast<int>((y - kGap) / (pageHeight * zoom + kGap));
        return std::clamp(page, 0, pages - 1);
    }
};

}  // namespace ksdvi::view

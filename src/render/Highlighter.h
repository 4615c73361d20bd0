#pragma once
// Paints where a text occurs on a rendered page, as a highlighter pen would:
// paper turns yellow, ink stays dark. The occurrences are those `ksdvi search`
// finds, in the same pixels.

#include <memory>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "platform/gdi/Cdc.h"
#include "text/UnicodeSearch.h"
#include "text/UnicodeText.h"

class Highlighter {
public:
    explicit Highlighter(std::string const& pattern) : search_(pattern, false) {}

    // Paints the occurrences on `page` of `dvi`, drawn on `dc` at `dpi` and
    // `zoom` from row `rowsAbove` of the page down; the number of occurrences.
    int Paint(ksdvi::gdi::CDC& dc, KsDvi& dvi, int page, int dpi, double zoom, int rowsAbove = 0);

private:
    ksdvi::UnicodeSearch search_;
    KsDvi* dvi_ = nullptr;
    std::unique_ptr<ksdvi::UnicodeText> text_;
    int page_ = -1;  // the page whose occurrences `matches_` holds
    std::vector<ksdvi::TextMatch> matches_;
};

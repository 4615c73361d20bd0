#include "DvipngPages.h"

namespace {

bool Matches(PageBound const& bound, int index, std::vector<int32_t> const& texNumbers) {
    return bound.physical ? index + 1 == bound.number : texNumbers[size_t(index)] == bound.number;
}

}  // namespace

std::vector<int> DvipngPages(DvipngOptions const& options, std::vector<int32_t> const& texNumbers) {
    int const count = static_cast<int>(texNumbers.size());
    int first = 0;
    if (options.first) {
        while (first < count && !Matches(*options.first, first, texNumbers)) ++first;
    }
    int last = count - 1;
    if (options.last) {
        last = first;
        while (last < count && !Matches(*options.last, last, texNumbers)) ++last;
        if (last == count) last = count - 1;  // no such page: to the end, as dvipng goes
    }
    std::vector<int> pages;
    for (int i = first; i <= last && i < count; ++i) {
        bool chosen = options.pageRanges.empty();
        for (TeXPageRange const& r : options.pageRanges)
            chosen = chosen || (texNumbers[size_t(i)] >= r.first && texNumbers[size_t(i)] <= r.last);
        if (chosen) pages.push_back(i);
    }
    return pages;
}

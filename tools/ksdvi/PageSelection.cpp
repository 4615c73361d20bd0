#include "PageSelection.h"

#include <algorithm>
#include <charconv>

#include "dvi/KsDvi.h"

namespace {

bool ParseNumber(std::string const& text, int& out) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 1;
}

}  // namespace

std::optional<std::vector<int>> SelectPages(std::string const& spec, int pageCount, std::string& error) {
    std::vector<int> pages;
    if (spec.empty()) {
        for (int i = 0; i < pageCount; ++i) pages.push_back(i);
        return pages;
    }
    size_t start = 0;
    while (start <= spec.size()) {
        size_t comma = spec.find(',', start);
        std::string item = spec.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t dash = item.find('-');
        int first = 0, last = 0;
        bool ok;
        if (dash == std::string::npos) {
            ok = ParseNumber(item, first);
            last = first;
        } else {
            ok = ParseNumber(item.substr(0, dash), first);
            std::string tail = item.substr(dash + 1);
            last = pageCount;
            if (!tail.empty()) ok = ok && ParseNumber(tail, last);
        }
        if (!ok || last < first) {
            error = "bad page list '" + spec + "'";
            return std::nullopt;
        }
        if (last > pageCount) {
            error = "page " + std::to_string(last) + " out of range (the document has " + std::to_string(pageCount) +
                    " pages)";
            return std::nullopt;
        }
        for (int p = first; p <= last; ++p) pages.push_back(p - 1);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return pages;
}

int LastPageNamed(std::string const& spec) {
    std::string ignored;
    // Open ranges ("8-") reach the last page the scan reads at all.
    auto pages = SelectPages(spec, KsDvi::MaxPages, ignored);
    if (spec.empty() || !pages || pages->empty()) return 0;
    return *std::max_element(pages->begin(), pages->end()) + 1;
}

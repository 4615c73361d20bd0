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

// A signed number at `at`, as dvips reads one; false when there is none.
bool ParseSigned(std::string const& text, size_t& at, long long& out) {
    char const* begin = text.data() + at;
    char const* first = begin + (at < text.size() && text[at] == '-' ? 1 : 0);
    if (first == text.data() + text.size() || *first < '0' || *first > '9') return false;
    auto [end, ec] = std::from_chars(begin, text.data() + text.size(), out);
    if (ec != std::errc()) return false;
    at = static_cast<size_t>(end - text.data());
    return true;
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
    // Open ranges ("8-") reach the last page; a malformed list is read whole
    // and then refused.
    int last = 0;
    for (size_t start = 0; start <= spec.size();) {
        size_t comma = spec.find(',', start);
        std::string item = spec.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t dash = item.find('-');
        int first = 0, end = 0;
        if (!ParseNumber(item.substr(0, dash), first)) return 0;
        if (dash == std::string::npos)
            end = first;
        else if (!ParseNumber(item.substr(dash + 1), end) || end < first)
            return 0;
        last = std::max(last, end);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return last;
}

std::optional<std::string> PhysicalPagesOfTeX(std::string const& spec, std::vector<int32_t> const& texNumbers,
                                              std::string& error) {
    std::vector<std::pair<long long, long long>> ranges;
    size_t at = 0;
    bool ok = !spec.empty();
    while (ok) {
        long long first = 0, last = 0;
        ok = ParseSigned(spec, at, first);
        last = first;
        // "3-5" and "3:5"; "-3--1" is a range of negative numbers.
        if (ok && at < spec.size() && (spec[at] == '-' || spec[at] == ':')) ok = ParseSigned(spec, ++at, last);
        if (!ok) break;
        ranges.emplace_back(std::min(first, last), std::max(first, last));
        if (at == spec.size()) break;
        ok = spec[at++] == ',';
    }
    if (!ok) {
        error = "bad TeX page list '" + spec + "'";
        return std::nullopt;
    }
    std::string list;
    for (size_t i = 0; i < texNumbers.size(); ++i)
        for (auto [first, last] : ranges)
            if (texNumbers[i] >= first && texNumbers[i] <= last) {
                list.append(list.empty() ? "" : ",").append(std::to_string(i + 1));  // GCC 12 at -O3 takes a + b here for overlapping copies
                break;
            }
    if (list.empty()) error = "no page has a TeX number in '" + spec + "'";
    return list.empty() ? std::nullopt : std::optional<std::string>(list);
}

#include "PageNames.h"

#include <cstdint>
#include <fstream>

#include "InputSpool.h"

namespace {

// The page number's conversion at `at` ("%d", "%03d"): its length and width,
// or length 0 when there is none.
struct Conversion {
    size_t length = 0;
    int width = 0;
};

// Wider than any page number.
constexpr int kMostWidth = 12;

Conversion ConversionAt(std::string const& pattern, size_t at) {
    size_t i = at + 1;
    if (i < pattern.size() && pattern[i] == '0') {
        int width = 0;
        for (++i; i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9' && width <= kMostWidth; ++i)
            width = width * 10 + (pattern[i] - '0');
        if (i < pattern.size() && pattern[i] == 'd' && width <= kMostWidth) return {i + 1 - at, width};
        return {};
    }
    if (i < pattern.size() && pattern[i] == 'd') return {2, 0};
    return {};
}

}  // namespace

bool NamesPageNumber(std::string const& pattern) {
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (ConversionAt(pattern, i).length) return true;
        if (pattern[i + 1] == '%') ++i;
    }
    return false;
}

std::string PagePath(std::string const& pattern, int pageNumber) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        Conversion c = pattern[i] == '%' ? ConversionAt(pattern, i) : Conversion{};
        if (c.length) {
            std::string number = std::to_string(pageNumber);
            if (number.size() < static_cast<size_t>(c.width)) number.insert(0, c.width - number.size(), '0');
            out += number;
            i += c.length - 1;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out.push_back('%');
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

std::string DefaultPattern(std::string const& document, int lastPage, std::string const& extension) {
    std::string pattern;
    for (char c : DocumentStem(document)) pattern += c == '%' ? "%%" : std::string(1, c);
    size_t const digits = std::to_string(lastPage > 0 ? lastPage : 1).size();
    return pattern + (digits > 1 ? "-%0" + std::to_string(digits) + "d" : "-%d") + extension;
}

// post_post q[4] i[1] 223... ; q points at post p[4] num[4] den[4] mag[4]
// l[4] u[4] s[2] t[2], t the number of pages.
int PostamblePageCount(std::string const& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return 0;
    std::streamoff const size = in.tellg();
    if (size < 40) return 0;
    unsigned char tail[16];
    in.seekg(size - 16);
    if (!in.read(reinterpret_cast<char*>(tail), sizeof tail)) return 0;
    int end = 15;
    while (end >= 0 && tail[end] == 223) --end;
    if (end < 5 || tail[end - 5] != 249) return 0;  // post_post, the pointer and the identification byte
    int64_t const post = (int64_t{tail[end - 4]} << 24) | (tail[end - 3] << 16) | (tail[end - 2] << 8) | tail[end - 1];
    unsigned char record[29];
    in.seekg(post);
    if (post + 29 > size || !in.read(reinterpret_cast<char*>(record), sizeof record) || record[0] != 248) return 0;
    return (record[27] << 8) | record[28];
}

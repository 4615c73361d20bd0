#pragma once
// How the specials target reads its input: specials one after another,
// separated by the byte 0x1E (ASCII's record separator), which no special of
// TeX's packages holds. A sequence lets state build up from special to
// special as it does on a page: colour stacks, open links, hyperref's areas.
// The first kMaxSpecials are read: longer sequences find no more and run
// slowly, since each special goes through several readers.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ksdvi::fuzz {

inline constexpr char kSpecialSeparator = '\x1E';
inline constexpr size_t kMaxSpecials = 32;

inline std::vector<std::string_view> SplitSpecials(uint8_t const* data, size_t size) {
    std::string_view rest(reinterpret_cast<char const*>(data), size);
    std::vector<std::string_view> specials;
    for (;;) {
        size_t end = rest.find(kSpecialSeparator);
        specials.push_back(rest.substr(0, end));
        if (end == std::string_view::npos || specials.size() == kMaxSpecials) return specials;
        rest.remove_prefix(end + 1);
    }
}

}  // namespace ksdvi::fuzz

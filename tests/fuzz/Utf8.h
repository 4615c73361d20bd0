#pragma once
// Whether bytes are well-formed UTF-8: no overlong forms, surrogates or code
// points past U+10FFFF.

#include <string_view>

namespace ksdvi::fuzz {

inline bool IsUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int follow = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (follow < 0 || s.size() - i <= static_cast<size_t>(follow)) return false;
        unsigned long cp = follow == 0 ? c : c & (0x3F >> follow);
        for (int k = 1; k <= follow; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((d & 0xC0) != 0x80) return false;
            cp = cp << 6 | (d & 0x3F);
        }
        static constexpr unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[follow] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<size_t>(follow) + 1;
    }
    return true;
}

}  // namespace ksdvi::fuzz

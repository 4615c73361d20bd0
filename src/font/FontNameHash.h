#pragma once
// The bucket of a TeX font name in the 73-bucket tables of the font registry and
// the TrueType map: h = 12, then h = (2h + c) mod 73 over the signed bytes.

#include <string_view>

namespace ksdvi {

inline int FontNameHash(std::string_view name) {
    int h = 12;
    for (char ch : name) h = (2 * h + static_cast<signed char>(ch)) % 73;
    // Bytes above 127 can leave a negative remainder; fold it into 0..72 so that
    // insertion and look-up agree.
    return h < 0 ? h + 73 : h;
}

}  // namespace ksdvi

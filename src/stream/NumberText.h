#pragma once
// A number written out as text, all of it: "1.5", "-2e3"; none for anything
// else, for infinities and NaN.

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace ksdvi {

inline std::optional<double> FiniteNumber(std::string_view text) {
    double value = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace ksdvi

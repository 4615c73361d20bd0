#include "stream/NumberText.h"

#include <charconv>
#include <cmath>

namespace ksdvi {

namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The number text starts with; from_chars takes no "+", strtod does.
std::optional<double> Leading(std::string_view text, std::size_t& used) {
    std::size_t at = 0;
    if (text.starts_with('+')) {
        if (text.size() < 2 || text[1] == '-' || text[1] == '+') return std::nullopt;
        at = 1;
    }
    double value = 0;
    auto const [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    used = static_cast<std::size_t>(end - text.data());
    return value;
}

std::string Written(double value, std::chars_format format, int precision) {
    if (!std::isfinite(value)) value = 0;
    char digits[400];  // %.Nf of the largest double with up to 60 decimals
    precision = precision < 0 ? 0 : precision > 60 ? 60 : precision;
    auto const [end, error] = std::to_chars(digits, digits + sizeof digits, value, format, precision);
    return error == std::errc() ? std::string(digits, end) : std::string("0");
}

}  // namespace

std::optional<double> FiniteNumber(std::string_view text) {
    std::size_t used = 0;
    std::optional<double> const value = Leading(text, used);
    return value && used == text.size() ? value : std::nullopt;
}

std::optional<double> TakeNumber(std::string_view& text) {
    std::string_view rest = text;
    while (!rest.empty() && IsWhite(rest.front())) rest.remove_prefix(1);
    std::size_t used = 0;
    std::optional<double> const value = Leading(rest, used);
    if (value) text = rest.substr(used);
    return value;
}

std::string FixedNumber(double value, int decimals) { return Written(value, std::chars_format::fixed, decimals); }

std::string GeneralNumber(double value, int digits) {
    return Written(value, std::chars_format::general, digits == 0 ? 1 : digits);
}

}  // namespace ksdvi

#include "device/SvgAttributes.h"

#include <charconv>
#include <cmath>

namespace ksdvi {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\n' || c == '\r' || c == '\t'; }

// A length in hundredths as SVG's grammar allows it shortest: "1.5", ".05",
// "-2"; a space before it unless its sign or point parts it from the one
// before.
void PutHundredths(std::string& out, long long value, bool& first, bool& lastHasPoint) {
    bool const negative = value < 0;
    unsigned long long const magnitude = negative ? 0ull - static_cast<unsigned long long>(value) : value;
    unsigned long long const whole = magnitude / 100, fraction = magnitude % 100;
    char digits[32];
    char* end = digits;
    if (whole != 0 || fraction == 0) end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
    if (fraction != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) *end++ = static_cast<char>('0' + fraction % 10);
    }
    bool const parted = negative || (digits[0] == '.' && lastHasPoint);
    if (!first && !parted) out += ' ';
    if (negative) out += '-';
    out.append(digits, end);
    first = false;
    lastHasPoint = fraction != 0;
}

}  // namespace

std::string CompactPathData(std::string_view d, SvgPathScaling const& scaling) {
    std::string out;
    out.reserve(d.size() / 2);
    long long x = 0, y = 0, startX = 0, startY = 0;  // the current point and the subpath's start, in hundredths
    char command = 0;
    size_t i = 0;
    auto skip = [&] {
        while (i < d.size() && IsSeparator(d[i])) ++i;
    };
    for (skip(); i < d.size(); skip()) {
        char const c = d[i];
        if (c == 'Z') {
            out += 'z';
            x = startX, y = startY;
            command = 0;
            ++i;
            continue;
        }
        if (c == 'M' || c == 'L' || c == 'C') {
            command = c;
            ++i;
            skip();
        } else if (!command) {
            return std::string(d);
        }
        int const count = command == 'C' ? 6 : 2;
        long long point[6];
        for (int k = 0; k < count; ++k) {
            skip();
            double value = 0;
            auto const [end, error] = std::from_chars(d.data() + i, d.data() + d.size(), value);
            if (error != std::errc() || !std::isfinite(value)) return std::string(d);
            i = static_cast<size_t>(end - d.data());
            value = k % 2 == 0 ? scaling.sx * value + scaling.dx : scaling.sy * value + scaling.dy;
            if (!(std::fabs(value) <= 1e12)) return std::string(d);
            point[k] = std::llround(value * 100);
        }
        // Relative: every point of a segment from where it begins.
        out += static_cast<char>(command - 'A' + 'a');
        bool first = true, lastHasPoint = false;
        for (int k = 0; k < count; ++k) PutHundredths(out, point[k] - (k % 2 == 0 ? x : y), first, lastHasPoint);
        x = point[count - 2], y = point[count - 1];
        // Points after a moveto's without a command of their own draw lines.
        if (command == 'M') startX = x, startY = y, command = 'L';
    }
    return out;
}

std::string ShortNumber(double value, int decimals) {
    char digits[64];
    auto const [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return std::to_string(value);
    std::string_view text(digits, static_cast<size_t>(end - digits));
    if (text.find('.') != std::string_view::npos) {
        while (text.ends_with('0')) text.remove_suffix(1);
        if (text.ends_with('.')) text.remove_suffix(1);
    }
    std::string out(text);
    if (out == "-0") return "0";
    if (out.starts_with("0."))
        out.erase(0, 1);
    else if (out.starts_with("-0."))
        out.erase(1, 1);
    return out;
}

std::string ShortColour(std::string_view value) {
    std::string_view rest = value;
    if (!rest.starts_with("rgb(") || !rest.ends_with(")")) return std::string(value);
    rest = rest.substr(4, rest.size() - 5);
    int channel[3];
    for (int k = 0; k < 3; ++k) {
        double percent = 0;
        auto const [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), percent);
        rest.remove_prefix(static_cast<size_t>(end - rest.data()));
        if (error != std::errc() || !(percent >= 0 && percent <= 100) || !rest.starts_with(k < 2 ? "%," : "%"))
            return std::string(value);
        rest.remove_prefix(k < 2 ? 2 : 1);
        channel[k] = static_cast<int>(std::lround(percent * 2.55));
    }
    if (!rest.empty()) return std::string(value);
    static constexpr char kHex[] = "0123456789abcdef";
    bool const doubled = channel[0] % 17 == 0 && channel[1] % 17 == 0 && channel[2] % 17 == 0;
    std::string out = "#";
    for (int const c : channel) {
        out += kHex[c / 16];
        if (!doubled) out += kHex[c % 16];
    }
    return out;
}

}  // namespace ksdvi

#include "specials/SpecialParsing.h"

#include <algorithm>
#include <climits>

#include "page/PixelMapping.h"

namespace {

constexpr double kLargestNumber = 1e100;
constexpr long long kIntegerLimit = 1LL << 32;  // beyond the int range either way

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

struct Unit {
    char name[3];
    double scaledPoints;
    bool rounded;  // sp values are only truncated
};

// Searched in this order; the first two-byte match decides.
constexpr Unit kUnits[] = {
    {"sp", 1.0, false},
    {"cc", 841489.0371650821, true},      // 12 dd
    {"dd", 70124.08643042351, true},      // 1238/1157 pt
    {"cm", 1864679.8110236218, true},     // 72.27/2.54 pt
    {"mm", 186467.9811023622, true},      // 72.27/25.4 pt
    {"bp", ksdvi::kSpPerBigPoint, true},  // 72.27/72 pt
    {"in", ksdvi::kSpPerInch, true},      // 72.27 pt
    {"pc", 786432.0, true},               // 12 pt
    {"pt", 65536.0, true},
};

// Truncation toward zero, held at the int range instead of overflowing.
int TruncateToInt(double d) {
    if (d >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (d <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(d);
}

double Clamp01(double c) {
    if (!(c > 0.0)) return 0.0;  // NaN too
    return c >= 1.0 ? 1.0 : c;
}

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

unsigned int Component(double c) {
    unsigned int v = static_cast<unsigned int>(Clamp01(c) * 256.0);
    return v > 255 ? 255 : v;
}

}  // namespace

using ksdvi::IsBlank;
using ksdvi::SkipBlanks;

unsigned char* getnumber(unsigned char* p, double* out) {
    while (*p == ' ') ++p;
    double sign = 1.0;
    for (; *p == '+' || *p == '-'; ++p)
        if (*p == '-') sign = -sign;
    if (*p == '\0') return nullptr;

    bool anyDigit = false;
    double value = 0.0;
    for (; IsDigit(*p); ++p) {
        value = value * 10.0 + (*p - '0');
        if (value > kLargestNumber) value = kLargestNumber;
        anyDigit = true;
    }
    if (*p == '.') {
        ++p;
        double place = 0.1;
        for (; IsDigit(*p); ++p) {
            value += (*p - '0') * place;
            place *= 0.1;
            anyDigit = true;
        }
    }
    if (!anyDigit) return nullptr;
    *out = sign * value;
    return p;
}

unsigned char* getdimen(unsigned char* p, int* out) {
    double value = 0.0;
    p = getnumber(p, &value);
    if (!p) return nullptr;
    for (Unit const& unit : kUnits) {
        // Byte by byte, so that a NUL after the number ends the comparison.
        if (p[0] != unit.name[0] || p[1] != unit.name[1]) continue;
        double sp = value * unit.scaledPoints;
        *out = TruncateToInt(unit.rounded ? sp + 0.5 : sp);
        return p + 2;
    }
    return nullptr;
}

unsigned int rgbcolor(double r, double g, double b) { return Component(r) | Component(g) << 8 | Component(b) << 16; }

namespace ksdvi {

unsigned char* ReadInteger(unsigned char* p, int* out) {
    p = SkipBlanks(p);
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!IsDigit(*p)) return nullptr;
    long long value = 0;
    for (; IsDigit(*p); ++p) value = std::min(value * 10 + (*p - '0'), kIntegerLimit);
    *out = static_cast<int>(
        std::clamp(negative ? -value : value, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
    return p;
}

unsigned char* ReadRgbColor(unsigned char* p, unsigned int* out) {
    double rgb[3];
    for (double& component : rgb)
        if (!(p = getnumber(p, &component))) return nullptr;
    *out = rgbcolor(rgb[0], rgb[1], rgb[2]);
    return p;
}

unsigned char* ReadDimensions(unsigned char* p, int* out, int count) {
    for (int i = 0; i < count && p; ++i) p = getdimen(p, &out[i]);
    return p;
}

std::string_view Token(unsigned char const* p) {
    unsigned char const* end = p;
    while (*end > 0x20) ++end;
    return {reinterpret_cast<char const*>(p), static_cast<size_t>(end - p)};
}

std::string_view QuotedOrToken(unsigned char const* p) {
    if (*p != '"') return Token(p);
    unsigned char const* end = p + 1;
    while (*end != 0 && *end != '"') ++end;
    if (*end == '"') ++end;
    return {reinterpret_cast<char const*>(p), static_cast<size_t>(end - p)};
}

std::string_view WithoutEnclosingQuotes(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

bool StartsWith(unsigned char const* p, std::string_view word, LetterCase letterCase) {
    for (char w : word) {
        unsigned char c = *p++, expected = static_cast<unsigned char>(w);
        if (letterCase == LetterCase::Ignored ? AsciiLower(c) != AsciiLower(expected) : c != expected) return false;
    }
    return true;
}

}  // namespace ksdvi

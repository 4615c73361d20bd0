#include "interp/HLatexSubfonts.h"

#include <array>
#include <span>

namespace {

// From its first code on, a row's subfont continues KS X 1001 at (lead, trail).
struct SubfontRow {
    int subfont, first;
    unsigned char lead, trail;
};

// The Hangul and Hanja subfonts run through KS X 1001 94 characters a row:
// a table row wherever a subfont starts or the lead byte changes, up to `last`.
template <size_t N>
constexpr std::array<SubfontRow, N> RowsByRule(int firstSubfont, unsigned char base, int lastSubfont, int lastCode) {
    std::array<SubfontRow, N> rows{};
    size_t n = 0;
    for (int s = firstSubfont; s <= lastSubfont; ++s) {
        for (int c = 0; c < 256; ++c) {
            int l = (s - firstSubfont) * 256 + c;
            if (c != 0 && l % 94 != 0) continue;
            rows[n++] = {s, c, static_cast<unsigned char>(base + l / 94), static_cast<unsigned char>(0xA1 + l % 94)};
            if (s == lastSubfont && c == lastCode) return rows;
        }
    }
    return rows;
}

constexpr auto kHangul = RowsByRule<34>(0, 0xB0, 9, 0);
constexpr auto kHanja = RowsByRule<72>(10, 0xCA, 29, 24);
static_assert(kHangul.back().lead == 0xC8 && kHangul.back().trail == 0xD1);
static_assert(kHanja.back().subfont == 29 && kHanja.back().first == 24 && kHanja.back().lead == 0xFE &&
              kHanja.back().trail == 0xA1);

constexpr SubfontRow kSymbols[] = {
    {4, 0, 0xA4, 0xA1},   {4, 93, 0xA8, 0xB0},  {4, 163, 0xA9, 0xB1}, {5, 0, 0xA1, 0xA2},   {5, 93, 0xA2, 0xA1},
    {5, 162, 0xA7, 0xA1}, {6, 0, 0xA6, 0xA1},   {6, 68, 0xA8, 0xF6},  {6, 77, 0xA9, 0xF6},  {6, 86, 0xAA, 0xA1},
    {6, 169, 0xAB, 0xA1}, {7, 0, 0xA3, 0xA1},   {7, 59, 0xA3, 0xDD},  {7, 93, 0xA5, 0xA1},  {7, 103, 0xA5, 0xB0},
    {7, 113, 0xA5, 0xC1}, {7, 137, 0xA5, 0xE1}, {7, 161, 0xA8, 0xA1}, {7, 174, 0xA9, 0xA1}, {7, 190, 0xAC, 0xA1},
    {7, 223, 0xAC, 0xD1},
};

}  // namespace

int HLatexSubfontToEucKr(const char* name, unsigned char code, unsigned char& lead, unsigned char& trail) {
    if (!name) return 1;
    const char* digits = name;
    while (*digits && (*digits < '0' || *digits > '9')) ++digits;
    int subfont = 0;  // the number taken as a byte
    for (const char* p = digits; *p >= '0' && *p <= '9'; ++p) subfont = (subfont * 10 + (*p - '0')) % 256;

    std::span<SubfontRow const> table;
    if (*digits == '0' && subfont != 0)
        table = kSymbols;
    else if (subfont <= 9)
        table = kHangul;
    else if (subfont <= 29)
        table = kHanja;
    else
        return 1;

    // The last row of the subfont that starts at or before the code serves it.
    SubfontRow const* row = nullptr;
    for (SubfontRow const& r : table)
        if (r.subfont == subfont && r.first <= code) row = &r;
    if (!row) return 1;
    lead = row->lead;
    trail = static_cast<unsigned char>(row->trail - row->first + code);
    return 0;
}

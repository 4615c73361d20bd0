#include "text/AccentComposition.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>

namespace ksdvi {

namespace {

struct Accent {
    char32_t spacing;
    char32_t combining;
};

// The accents of TeX's text fonts in their spacing forms.
constexpr Accent kAccents[] = {
    {0x0060, 0x0300}, {0x00B4, 0x0301}, {0x02C6, 0x0302}, {0x02DC, 0x0303}, {0x00AF, 0x0304},
    {0x02D8, 0x0306}, {0x02D9, 0x0307}, {0x00A8, 0x0308}, {0x02DA, 0x030A}, {0x02DD, 0x030B},
    {0x02C7, 0x030C}, {0x00B8, 0x0327}, {0x02DB, 0x0328}, {0x0338, 0x0338},
};

// Letters with a stroke have no decomposition that composition could undo.
std::u32string WithStroke(std::u32string const& text) {
    if (text == U"L") return U"\u0141";
    if (text == U"l") return U"\u0142";
    return text + U"\u0338";
}

char32_t CombiningOf(std::u32string const& text) {
    if (text.size() != 1) return 0;
    for (Accent const& a : kAccents)
        if (a.spacing == text[0]) return a.combining;
    return 0;
}

bool IsBelow(char32_t combining) { return combining == 0x0327 || combining == 0x0328; }

bool Overlap(UnicodeChar const& a, UnicodeChar const& b) {
    return std::max<int64_t>(a.left, b.left) < std::min<int64_t>(int64_t(a.left) + a.width, int64_t(b.left) + b.width);
}

bool IsLetter(UnicodeChar const& c) { return !c.text.empty() && u_isalpha(static_cast<UChar32>(c.text[0])); }

void Grow(UnicodeChar& letter, UnicodeChar const& accent) {
    int64_t right = std::max(int64_t(letter.left) + letter.width, int64_t(accent.left) + accent.width);
    int64_t left = std::min(letter.left, accent.left);
    int64_t top = std::min(int64_t(letter.baseline) - letter.height, int64_t(accent.baseline) - accent.height);
    int64_t bottom = std::max(int64_t(letter.baseline) + letter.depth, int64_t(accent.baseline) + accent.depth);
    letter.left = static_cast<int>(left);
    letter.width = static_cast<int>(right - left);
    letter.height = static_cast<int>(letter.baseline - top);
    letter.depth = static_cast<int>(bottom - letter.baseline);
}

std::u32string Normalized(icu::Normalizer2 const& form, std::u32string const& text) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString in =
        icu::UnicodeString::fromUTF32(reinterpret_cast<UChar32 const*>(text.data()), static_cast<int32_t>(text.size()));
    icu::UnicodeString out = form.normalize(in, status);
    if (U_FAILURE(status)) return text;
    std::u32string result(static_cast<size_t>(out.countChar32()), U'\0');
    out.toUTF32(reinterpret_cast<UChar32*>(result.data()), static_cast<int32_t>(result.size()), status);
    return U_FAILURE(status) ? text : result;
}

}  // namespace

std::u32string Composed(std::u32string const& text) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Normalizer2 const* nfc = icu::Normalizer2::getNFCInstance(status);
    icu::Normalizer2 const* nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_FAILURE(status)) return text;
    std::u32string spelled;
    for (char32_t c : text) {
        if (c >= 0xFB00 && c <= 0xFB06)
            spelled += Normalized(*nfkc, std::u32string(1, c));
        else
            spelled.push_back(c);
    }
    return Normalized(*nfc, spelled);
}

void ComposeAccents(std::vector<UnicodeChar>& chars) {
    if (std::none_of(chars.begin(), chars.end(), [](UnicodeChar const& c) { return CombiningOf(c.text) != 0; })) return;
    std::vector<UnicodeChar> out;
    out.reserve(chars.size());
    for (size_t i = 0; i < chars.size(); ++i) {
        char32_t combining = CombiningOf(chars[i].text);
        if (combining) {
            // The letter after the accent, or for a cedilla or ogonek the one before.
            UnicodeChar* letter = nullptr;
            if (i + 1 < chars.size() && IsLetter(chars[i + 1]) && Overlap(chars[i], chars[i + 1]))
                letter = &chars[i + 1];
            else if (IsBelow(combining) && !out.empty() && IsLetter(out.back()) && Overlap(chars[i], out.back()))
                letter = &out.back();
            if (letter) {
                std::u32string& text = letter->text;
                if (combining == 0x0338) {
                    text = WithStroke(text);
                } else {
                    if (!IsBelow(combining) && (text[0] == 0x0131 || text[0] == 0x0237))
                        text[0] = text[0] == 0x0131 ? U'i' : U'j';
                    text.insert(1, 1, combining);
                    text = Composed(text);
                }
                Grow(*letter, chars[i]);
                continue;
            }
        }
        out.push_back(std::move(chars[i]));
    }
    chars = std::move(out);
}

}  // namespace ksdvi

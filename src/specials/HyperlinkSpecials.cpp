#include "specials/HyperlinkSpecials.h"

#include <cstdlib>

#include "specials/SpecialParsing.h"

namespace ksdvi {

namespace {

// The target of a link that names none.
constexpr char kSelf[] = "_self";

// An attribute's value after its name: blanks, '=', blanks, then a double-quoted
// text. With `unterminatedToEnd` a missing closing quote takes the rest of the
// special. `p` ends past the value; nullopt when a part is missing.
std::optional<String8> QuotedValue(unsigned char*& p, bool unterminatedToEnd = false) {
    p = SkipBlanks(p);
    if (*p != '=') return std::nullopt;
    p = SkipBlanks(p + 1);
    if (*p != '"') return std::nullopt;
    std::string_view const quoted = QuotedOrToken(p);
    bool const closed = quoted.size() >= 2 && quoted.back() == '"';
    if (!closed && !unterminatedToEnd) return std::nullopt;
    p += quoted.size();
    return String8(quoted.substr(1, quoted.size() - (closed ? 2 : 1)));
}

// A hypertext value: '=' and the bytes up to the next blank, without one pair
// of enclosing double quotes. `p` ends past the value; nullopt without '='.
std::optional<String8> TokenValue(unsigned char*& p) {
    p = SkipBlanks(p);
    if (*p != '=') return std::nullopt;
    std::string_view token = Token(++p);
    p += token.size();
    return String8(WithoutEnclosingQuotes(token));
}

// The document's hypertext separators: every byte below 33 taken as signed,
// which makes the bytes 0x80 to 0xFF separators too.
bool IsSeparator(unsigned char c) { return static_cast<signed char>(c) < 33; }

unsigned char* SkipSeparators(unsigned char* p) {
    while (*p != 0 && IsSeparator(*p)) ++p;
    return p;
}

}  // namespace

HtmlSpecial ParseHtmlSpecial(unsigned char* p) {
    HtmlSpecial out;
    p = SkipBlanks(p);
    if (*p++ != '<') return out;
    if (StartsWith(p, "/a")) {
        out.kind = HtmlSpecial::Kind::End;
        return out;
    }
    if (*p != 'a' && *p != 'A') {
        out.kind = HtmlSpecial::Kind::NotAnchor;
        return out;
    }
    p = SkipBlanks(p + 1);
    if (StartsWith(p, "href")) {
        p += 4;
        std::optional<String8> href = QuotedValue(p);
        if (!href) return out;
        p = SkipBlanks(p);
        std::optional<String8> target = String8(kSelf);
        if (StartsWith(p, "target")) {
            p += 6;
            if (!(target = QuotedValue(p, true))) return out;
        }
        out.kind = HtmlSpecial::Kind::Link;
        out.href = *href;
        out.target = *target;
    } else if (StartsWith(p, "name")) {
        p += 4;
        if (std::optional<String8> name = QuotedValue(p)) {
            out.kind = HtmlSpecial::Kind::Name;
            out.name = *name;
        }
    }
    return out;
}

// [up to four integers as strtol reads them] name=value, the value possibly quoted.
std::optional<String8> ParseHypertextAnchor(unsigned char* p) {
    for (int i = 0; i < 4; ++i) {
        char* after = nullptr;
        std::strtol(reinterpret_cast<char*>(p), &after, 10);
        p = reinterpret_cast<unsigned char*>(after);
    }
    p = SkipSeparators(p);
    if (!StartsWith(p, "name")) return std::nullopt;
    p = SkipSeparators(p + 4);
    if (*p != '=') return std::nullopt;
    p = SkipSeparators(p + 1);
    unsigned char* value = p;
    while (!IsSeparator(*p)) ++p;
    return String8(WithoutEnclosingQuotes({reinterpret_cast<char const*>(value), static_cast<size_t>(p - value)}));
}

std::optional<HypertextSpecial> ParseHypertextSpecial(unsigned char* p) {
    HypertextSpecial out;
    for (int* value : {&out.x, &out.y, &out.width, &out.height})
        if (!(p = ReadInteger(p, value))) return std::nullopt;
    p = SkipBlanks(p);
    if (StartsWith(p, "name")) {
        p += 4;
        std::optional<String8> name = TokenValue(p);
        if (!name) return std::nullopt;
        out.anchor = true;
        out.value = *name;
        return out;
    }
    if (!StartsWith(p, "ref")) return std::nullopt;
    p += 3;
    std::optional<String8> href = TokenValue(p);
    if (!href || href->GetLength() == 0) return std::nullopt;
    out.value = *href;
    out.target = String8(kSelf);
    p = SkipBlanks(p);
    if (StartsWith(p, "target")) {
        p += 6;
        std::optional<String8> frame = TokenValue(p);
        if (!frame || frame->GetLength() == 0) return std::nullopt;
        out.target = *frame;
    }
    return out;
}

}  // namespace ksdvi

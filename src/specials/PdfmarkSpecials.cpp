#include "specials/PdfmarkSpecials.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "stream/TextConversion.h"

namespace ksdvi {

namespace {

using Kind = PdfmarkSpecial::Kind;

PdfmarkSpecial Mark(Kind kind, double points = 0) {
    PdfmarkSpecial mark;
    mark.kind = kind;
    mark.points = points;
    return mark;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) { return IsSpace(c) || std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWith(std::string_view s, std::string_view word) { return s.substr(0, word.size()) == word; }
bool EndsWith(std::string_view s, std::string_view word) {
    return s.size() >= word.size() && s.substr(s.size() - word.size()) == word;
}

// The PostScript inside hyperref's "SDict begin ... end"; `wrapped` tells
// whether it had that frame.
std::string_view Unwrapped(std::string_view code, bool& wrapped) {
    code = Trimmed(code);
    wrapped = false;
    if (StartsWith(code, "SDict") && EndsWith(code, " end")) {
        std::string_view inner = Trimmed(code.substr(5));
        if (StartsWith(inner, "begin") && inner.size() >= 9) {
            wrapped = true;
            return Trimmed(inner.substr(5, inner.size() - 5 - 3));
        }
    }
    return code;
}

// The last whitespace-separated word of `s` and what comes before it.
std::string_view LastWord(std::string_view s, std::string_view& before) {
    size_t at = s.size();
    while (at > 0 && !IsSpace(s[at - 1])) --at;
    before = Trimmed(s.substr(0, at));
    return s.substr(at);
}

// TeX's dimensions stay below 16384 pt.
std::optional<double> Number(std::string_view word) {
    std::string text(word);
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !std::isfinite(value) || std::fabs(value) >= 16384) return std::nullopt;
    return value;
}

// What hyperref writes besides pdfmarks, read from the unwrapped code.
PdfmarkSpecial ClassifyDriverCode(std::string_view body) {
    std::string_view before;
    std::string_view word = LastWord(body, before);
    if (word == "H.S" && before.empty()) return Mark(Kind::AreaStart);
    if (word == "H.R" && before.empty()) return Mark(Kind::BoxEnd);
    if (word == "H.L" || word == "H.A") {
        if (auto points = Number(before)) return Mark(word == "H.L" ? Kind::LinkEnd : Kind::AnchorEnd, *points);
        return {};
    }
    // \setpdflinkmargin: /HyperBorder{N PDFToDvips}def
    constexpr std::string_view kBorder = "/HyperBorder{";
    constexpr std::string_view kBorderEnd = "PDFToDvips}def";
    if (StartsWith(body, kBorder) && EndsWith(body, kBorderEnd)) {
        std::string_view value = Trimmed(body.substr(kBorder.size(), body.size() - kBorder.size() - kBorderEnd.size()));
        if (auto points = Number(value)) return Mark(Kind::Border, *points);
        return {};
    }
    // Draws a dot for one old Distiller; nothing anywhere else.
    if (StartsWith(body, "/product where{pop product(Distiller)search")) return Mark(Kind::Inert);
    return {};
}

bool IsPdfmark(std::string_view body) { return StartsWith(body, "[") && EndsWith(body, "pdfmark"); }

// --- the PostScript tokens of a pdfmark

struct Token {
    enum class Type { Name, String, Word, Open, Close };
    Type type = Type::Word;
    std::string text;  // a name without its slash, a string's bytes, a word, "[", "<<", "{", ...
};

void ReadEscape(std::string_view s, size_t& i, std::string& out) {
    // s[i] is the backslash
    if (++i >= s.size()) return;
    char c = s[i];
    if (c >= '0' && c <= '7') {
        int value = 0;
        for (int digits = 0; digits < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++digits, ++i)
            value = value * 8 + (s[i] - '0');
        out.push_back(static_cast<char>(value & 0xFF));
        return;
    }
    ++i;
    switch (c) {
    case 'n': out.push_back('\n'); return;
    case 'r': out.push_back('\r'); return;
    case 't': out.push_back('\t'); return;
    case 'b': out.push_back('\b'); return;
    case 'f': out.push_back('\f'); return;
    case '\r':
        if (i < s.size() && s[i] == '\n') ++i;
        return;
    case '\n': return;                  // a line continued
    default: out.push_back(c); return;  // \\ \( \) and, the backslash dropped, any other
    }
}

// (...) with nested parentheses; s[i] is the opening one.
std::string ReadLiteralString(std::string_view s, size_t& i) {
    std::string out;
    int depth = 0;
    ++i;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\\') {
            ReadEscape(s, i, out);
            continue;
        }
        ++i;
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth-- == 0) break;
        }
        out.push_back(c);
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// <hex digits>; s[i] is the '<'. A last lone digit stands for its high half.
std::string ReadHexString(std::string_view s, size_t& i) {
    std::string out;
    int high = -1;
    for (++i; i < s.size() && s[i] != '>'; ++i) {
        int digit = HexValue(s[i]);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<char>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0) out.push_back(static_cast<char>(high << 4));
    if (i < s.size()) ++i;
    return out;
}

std::vector<Token> Tokens(std::string_view s) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (IsSpace(c)) {
            ++i;
        } else if (c == '%') {
            while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i;
        } else if (c == '(') {
            tokens.push_back({Token::Type::String, ReadLiteralString(s, i)});
        } else if (StartsWith(s.substr(i), "<<") || StartsWith(s.substr(i), ">>")) {
            tokens.push_back({c == '<' ? Token::Type::Open : Token::Type::Close, std::string(2, c)});
            i += 2;
        } else if (c == '<') {
            tokens.push_back({Token::Type::String, ReadHexString(s, i)});
        } else if (c == '[' || c == '{') {
            tokens.push_back({Token::Type::Open, std::string(1, c)});
            ++i;
        } else if (c == ']' || c == '}' || c == ')' || c == '>') {
            tokens.push_back({Token::Type::Close, std::string(1, c)});
            ++i;
        } else {
            bool name = c == '/';
            size_t start = name ? ++i : i;
            while (i < s.size() && !IsDelimiter(s[i])) ++i;
            if (!name && i == start) ++i;  // a stray delimiter
            tokens.push_back({name ? Token::Type::Name : Token::Type::Word, std::string(s.substr(start, i - start))});
        }
    }
    return tokens;
}

// The keys of a pdfmark and of the dictionaries under them, as paths
// ("Dest", "Action/URI"), with their first token of value.
class PdfmarkKeys {
public:
    explicit PdfmarkKeys(std::vector<Token> const& tokens) : tokens_(tokens) {}

    void Read(size_t from, size_t to, std::string const& prefix, int depth = 0) {
        size_t i = from;
        while (i < to) {
            Token const& t = tokens_[i++];
            if (t.type == Token::Type::Open) {
                i = PastClose(i - 1, to);
            } else if (t.type == Token::Type::Name && i < to) {
                std::string key = prefix + t.text;
                Token const& value = tokens_[i];
                values_.push_back({key, &value});
                if (value.type == Token::Type::Open) {
                    size_t end = PastClose(i, to);
                    if (value.text == "<<" && depth < kDeepest) Read(i + 1, end - 1, key + "/", depth + 1);
                    i = end;
                } else {
                    ++i;
                }
            }
        }
    }

    Token const* Find(std::string_view key) const {
        for (auto const& [name, value] : values_)
            if (name == key) return value;
        return nullptr;
    }

    // A string's bytes or a name's text; empty for anything else.
    std::string Text(std::string_view key) const {
        Token const* t = Find(key);
        return t && (t->type == Token::Type::String || t->type == Token::Type::Name) ? t->text : std::string();
    }

private:
    static constexpr int kDeepest = 4;  // dictionaries in dictionaries read

    // Past the token that closes the one at `open` (or `to`).
    size_t PastClose(size_t open, size_t to) const {
        int depth = 0;
        for (size_t i = open; i < to; ++i) {
            if (tokens_[i].type == Token::Type::Open) ++depth;
            if (tokens_[i].type == Token::Type::Close && --depth == 0) return i + 1;
        }
        return to;
    }

    std::vector<Token> const& tokens_;
    std::vector<std::pair<std::string, Token const*>> values_;
};

// Where an annotation's action leads: a URL, or a file with its anchor.
std::string ActionTarget(PdfmarkKeys const& keys, std::string const& action) {
    std::string uri = keys.Text(action + "/URI");
    if (!uri.empty()) return uri;
    std::string file = keys.Text(action + "/F");
    if (file.empty()) file = keys.Text(action + "/File");
    if (file.empty()) return {};
    std::string anchor = keys.Text(action + "/D");
    return anchor.empty() ? file : file + "#" + anchor;
}

// More entries under one bookmark than a document could hold.
constexpr long kMostEntries = 1000000;

PdfmarkSpecial ReadPdfmark(std::string_view body) {
    std::vector<Token> tokens = Tokens(body);
    // [ ... /TYPE pdfmark
    size_t n = tokens.size();
    if (n < 3 || tokens[n - 2].type != Token::Type::Name) return Mark(Kind::Inert);
    std::string const& type = tokens[n - 2].text;
    PdfmarkKeys keys(tokens);
    keys.Read(1, n - 2, "");

    PdfmarkSpecial mark = Mark(Kind::Inert);
    if (type == "ANN") {
        if (keys.Text("Subtype") != "Link") return mark;
        std::string dest = keys.Text("Dest");
        if (!dest.empty()) {
            mark.target = "#" + dest;
        } else {
            mark.target = ActionTarget(keys, "Action");
            if (mark.target.empty()) mark.target = ActionTarget(keys, "A");
            if (mark.target.empty()) mark.target = keys.Text("File");  // /Action /Launch /File (name)
        }
        if (!mark.target.empty()) mark.kind = Kind::Link;
    } else if (type == "DEST") {
        mark.target = keys.Text("Dest");
        if (!mark.target.empty()) mark.kind = Kind::Anchor;
    } else if (type == "OUT") {
        mark.kind = Kind::Outline;
        mark.target = keys.Text("Dest");
        mark.title = PdfTextToUtf8(keys.Text("Title"));
        if (Token const* count = keys.Find("Count"); count && count->type == Token::Type::Word)
            mark.count = static_cast<int>(
                std::clamp(std::strtol(count->text.c_str(), nullptr, 10), -kMostEntries, kMostEntries));
    }
    return mark;
}

// PDFDocEncoding where it is not Latin-1: 0x18 to 0x1F and 0x80 to 0xA0.
constexpr char16_t kPdfDocLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kPdfDocHigh[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                      0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                      0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                      0x0142, 0x0153, 0x0161, 0x017E, 0xFFFD, 0x20AC};

char16_t PdfDocCharacter(unsigned char c) {
    if (c >= 0x18 && c <= 0x1F) return kPdfDocLow[c - 0x18];
    if (c >= 0x80 && c <= 0xA0) return kPdfDocHigh[c - 0x80];
    return c;
}

}  // namespace

std::string PdfTextToUtf8(std::string_view bytes) {
    std::string utf16;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        utf16 = bytes.substr(2);
    } else {
        for (char c : bytes) {
            char16_t unit = PdfDocCharacter(static_cast<unsigned char>(c));
            utf16.push_back(static_cast<char>(unit >> 8));
            utf16.push_back(static_cast<char>(unit & 0xFF));
        }
    }
    if (auto text = ToUtf8(utf16, "UTF-16BE")) return *text;
    return "\xEF\xBF\xBD";  // U+FFFD: the title cannot be read
}

bool IsPdfmarkSpecial(std::string_view code) {
    bool wrapped = false;
    std::string_view body = Unwrapped(code, wrapped);
    if (IsPdfmark(body)) return true;
    return wrapped && ClassifyDriverCode(body).kind != Kind::None;
}

PdfmarkSpecial ParsePdfmarkSpecial(std::string_view code) {
    bool wrapped = false;
    std::string_view body = Unwrapped(code, wrapped);
    if (IsPdfmark(body)) return ReadPdfmark(body);
    return wrapped ? ClassifyDriverCode(body) : PdfmarkSpecial{};
}

}  // namespace ksdvi

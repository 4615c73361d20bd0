#include "specials/PdfObjects.h"

#include <algorithm>
#include <cmath>

#include "stream/NumberText.h"
#include "stream/TextConversion.h"

namespace ksdvi {

namespace {

using TokenType = PdfToken::Type;
using ObjectType = PdfObject::Type;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) { return IsSpace(c) || std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }

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

// (...) with nested parentheses; s[i] is the opening one. False when the
// text ends first.
bool ReadLiteralString(std::string_view s, size_t& i, std::string& out) {
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
            if (depth-- == 0) return true;
        }
        out.push_back(c);
    }
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// <hex digits>; s[i] is the '<'. A last lone digit stands for its high half.
bool ReadHexString(std::string_view s, size_t& i, std::string& out) {
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
    if (i >= s.size()) return false;
    ++i;
    return true;
}

// A name's characters with PDF's #xx escapes read.
std::string NameText(std::string_view written) {
    std::string out;
    for (size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '#' && i + 2 < written.size() && HexValue(written[i + 1]) >= 0 &&
            HexValue(written[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(written[i + 1]) << 4 | HexValue(written[i + 2])));
            i += 2;
        } else {
            out.push_back(written[i]);
        }
    }
    return out;
}

bool StartsWith(std::string_view s, std::string_view word) { return s.substr(0, word.size()) == word; }

// PDF's numbers: a sign, digits and one point, at least one digit.
bool IsNumber(std::string_view word) {
    size_t i = word.empty() || (word[0] != '+' && word[0] != '-') ? 0 : 1;
    bool digit = false, point = false;
    for (; i < word.size(); ++i) {
        if (word[i] >= '0' && word[i] <= '9') {
            digit = true;
        } else if (word[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

bool IsIntegerWord(PdfToken const& t) {
    return t.type == TokenType::Word && IsNumber(t.text) && t.text.find('.') == std::string::npos;
}

// A file specification: a string, or a dictionary with /F.
std::string_view FileName(PdfObject const* spec) {
    if (!spec) return {};
    if (spec->type == ObjectType::Dictionary) return FileName(spec->Find("F"));
    return spec->Text();
}

std::string ActionTarget(PdfObject const& action) {
    if (PdfObject const* uri = action.Find("URI"); uri && !uri->Text().empty()) return std::string(uri->Text());
    std::string_view file = FileName(action.Find("F"));
    if (file.empty()) file = FileName(action.Find("File"));
    PdfObject const* d = action.Find("D");
    std::string_view anchor = d ? d->Text() : std::string_view();
    if (!file.empty()) return anchor.empty() ? std::string(file) : std::string(file).append("#").append(anchor);
    // GoTo: a named destination; an array names a page
    return anchor.empty() ? std::string() : std::string("#").append(anchor);
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

std::string PdfNumber(double v) {
    if (!std::isfinite(v)) v = 0;
    if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    std::string s = FixedNumber(v, 6);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

std::vector<PdfToken> PdfTokens(std::string_view s, bool* whole) {
    std::vector<PdfToken> tokens;
    if (whole) *whole = true;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        if (c == '%') {
            while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i;
            continue;
        }
        if (tokens.size() >= kMostPdfTokens) {
            if (whole) *whole = false;
            break;
        }
        if (c == '(') {
            PdfToken& t = tokens.emplace_back(PdfToken{TokenType::String, {}});
            if (!ReadLiteralString(s, i, t.text)) t.type = TokenType::Broken;
        } else if (StartsWith(s.substr(i), "<<") || StartsWith(s.substr(i), ">>")) {
            tokens.push_back({c == '<' ? TokenType::Open : TokenType::Close, std::string(2, c)});
            i += 2;
        } else if (c == '<') {
            PdfToken& t = tokens.emplace_back(PdfToken{TokenType::String, {}});
            if (!ReadHexString(s, i, t.text)) t.type = TokenType::Broken;
        } else if (c == '[' || c == '{') {
            tokens.push_back({TokenType::Open, std::string(1, c)});
            ++i;
        } else if (c == ']' || c == '}' || c == ')' || c == '>') {
            tokens.push_back({TokenType::Close, std::string(1, c)});
            ++i;
        } else {
            bool name = c == '/';
            size_t start = name ? ++i : i;
            while (i < s.size() && !IsDelimiter(s[i])) ++i;
            if (!name && i == start) ++i;  // a stray delimiter
            std::string_view written = s.substr(start, i - start);
            tokens.push_back(
                {name ? TokenType::Name : TokenType::Word, name ? NameText(written) : std::string(written)});
        }
    }
    return tokens;
}

PdfObject const* PdfObject::Find(std::string_view key) const {
    if (type != ObjectType::Dictionary) return nullptr;
    for (size_t i = 0; i + 1 < items.size(); i += 2)
        if (items[i].text == key) return &items[i + 1];
    return nullptr;
}

std::string_view PdfObject::Text() const {
    return type == ObjectType::String || type == ObjectType::Name ? std::string_view(text) : std::string_view();
}

bool PdfObject::IsInteger() const { return type == ObjectType::Number && std::trunc(number) == number; }

bool PdfObjectReader::Read(PdfObject& object) { return Read(object, 0); }

bool PdfObjectReader::Read(PdfObject& object, int depth) {
    object = PdfObject{};
    if (AtEnd()) return false;
    PdfToken const& t = tokens_[at_++];
    switch (t.type) {
    case TokenType::Broken:
    case TokenType::Close: return false;
    case TokenType::String:
    case TokenType::Name:
        object.type = t.type == TokenType::String ? ObjectType::String : ObjectType::Name;
        object.text = t.text;
        return true;
    case TokenType::Open:
        if (depth >= kDeepestPdfObject) return false;
        if (t.text == "<<") {
            object.type = ObjectType::Dictionary;
            if (!ReadItems(object, ">>", depth + 1) || object.items.size() % 2 != 0) return false;
            for (size_t i = 0; i < object.items.size(); i += 2)
                if (object.items[i].type != ObjectType::Name) return false;
            return true;
        }
        object.type = ObjectType::Array;
        return ReadItems(object, t.text == "[" ? "]" : "}", depth + 1);
    case TokenType::Word: break;
    }
    if (IsNumber(t.text)) {
        object.type = ObjectType::Number;
        object.number = FiniteNumber(t.text).value_or(0);
        // N G R: an indirect object
        if (IsIntegerWord(t) && at_ + 1 < to_ && IsIntegerWord(tokens_[at_]) &&
            tokens_[at_ + 1].type == TokenType::Word && tokens_[at_ + 1].text == "R") {
            object.type = ObjectType::Reference;
            at_ += 2;
        }
    } else if (t.text == "true" || t.text == "false") {
        object.type = ObjectType::Boolean;
        object.number = t.text == "true";
    } else if (t.text != "null") {
        object.type = ObjectType::Word;
        object.text = t.text;
    }
    return true;
}

bool PdfObjectReader::ReadItems(PdfObject& container, std::string_view close, int depth) {
    while (!AtEnd()) {
        PdfToken const& t = tokens_[at_];
        if (t.type == TokenType::Close) {
            ++at_;
            return t.text == close;
        }
        if (!Read(container.items.emplace_back(), depth)) return false;
    }
    return false;
}

std::string PdfLinkTarget(PdfObject const& dictionary) {
    if (PdfObject const* dest = dictionary.Find("Dest"); dest && !dest->Text().empty())
        return std::string("#").append(dest->Text());
    for (char const* key : {"A", "Action"}) {
        PdfObject const* action = dictionary.Find(key);
        if (!action || action->type != ObjectType::Dictionary) continue;
        if (std::string target = ActionTarget(*action); !target.empty()) return target;
    }
    // pdfmark's /Action /Launch /File (name)
    return std::string(FileName(dictionary.Find("File")));
}

namespace {

// Numbers of an array, each within [0, most]; empty when it holds anything
// else or too many.
std::vector<double> Numbers(PdfObject const* array, size_t count, double most) {
    std::vector<double> numbers;
    if (!array || array->type != ObjectType::Array || array->items.size() > count) return numbers;
    for (PdfObject const& item : array->items) {
        if (item.type != ObjectType::Number) return {};
        numbers.push_back(std::clamp(item.number, 0.0, most));
    }
    return numbers;
}

}  // namespace

LinkBorder PdfLinkBorder(PdfObject const& dictionary) {
    // Bounds no real frame reaches.
    constexpr double kWidest = 100;
    constexpr size_t kMostDashes = 16;
    LinkBorder border;
    // [horizontal-radius vertical-radius width [dash]]
    if (PdfObject const* array = dictionary.Find("Border"); array && array->type == ObjectType::Array &&
                                                            array->items.size() >= 3 &&
                                                            array->items[2].type == ObjectType::Number) {
        border.width = std::clamp(array->items[2].number, 0.0, kWidest);
        if (array->items.size() > 3) border.dash = Numbers(&array->items[3], kMostDashes, 1000);
    }
    if (PdfObject const* style = dictionary.Find("BS"); style && style->type == ObjectType::Dictionary)
        if (PdfObject const* width = style->Find("W"); width && width->type == ObjectType::Number)
            border.width = std::clamp(width->number, 0.0, kWidest);
    for (char const* key : {"C", "Color"}) {
        std::vector<double> colour = Numbers(dictionary.Find(key), 4, 1);
        if (colour.size() == 1 || colour.size() == 3 || colour.size() == 4) border.colour = std::move(colour);
    }
    return border;
}

std::string PdfTextToUtf8(std::string_view bytes, std::string_view cmap) {
    // The CMaps dvipdfmx reads strings through, by the encodings iconv knows them as.
    static constexpr std::pair<std::string_view, char const*> kCMaps[] = {
        {"EUC-UCS2", "EUC-JP"}, {"90ms-RKSJ-UCS2", "CP932"}, {"UTF8-UCS2", "UTF-8"}, {"UTF8-UTF16", "UTF-8"}};
    bool const utf16Marked = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
                             static_cast<unsigned char>(bytes[1]) == 0xFF;
    for (auto const& [name, encoding] : kCMaps)
        if (!utf16Marked && cmap == name)
            if (auto text = ToUtf8(bytes, encoding)) return *text;
    std::string utf16;
    if (utf16Marked) {
        utf16 = bytes.substr(2);
    } else {
        for (char c : bytes) {
            char16_t unit = PdfDocCharacter(static_cast<unsigned char>(c));
            utf16.push_back(static_cast<char>(unit >> 8));
            utf16.push_back(static_cast<char>(unit & 0xFF));
        }
    }
    if (auto text = ToUtf8(utf16, "UTF-16BE")) return *text;
    return "\xEF\xBF\xBD";  // U+FFFD: the text cannot be read
}

}  // namespace ksdvi

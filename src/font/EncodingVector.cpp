#include "font/EncodingVector.h"

#include <fstream>
#include <sstream>

namespace ksdvi {

namespace {

// .enc files are a few kilobytes; anything far larger is not one.
constexpr std::streamoff kLargestFile = 1 << 20;

bool IsDelimiter(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '/' || c == '[' || c == ']' ||
           c == '{' || c == '}' || c == '(' || c == ')' || c == '<' || c == '>' || c == '%';
}

// The PostScript tokens that matter here: names (/x), brackets and other words.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    // False at the end; comments and white space are skipped.
    bool Next(std::string_view& token) {
        for (;;) {
            while (pos_ < text_.size() && IsDelimiter(text_[pos_]) && text_[pos_] != '/' && text_[pos_] != '[' &&
                   text_[pos_] != ']' && text_[pos_] != '%')
                ++pos_;
            if (pos_ >= text_.size()) return false;
            if (text_[pos_] != '%') break;
            while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        }
        size_t start = pos_;
        if (text_[pos_] == '[' || text_[pos_] == ']') {
            ++pos_;
        } else {
            ++pos_;  // a name's slash or a word's first character
            while (pos_ < text_.size() && !IsDelimiter(text_[pos_])) ++pos_;
        }
        token = text_.substr(start, pos_ - start);
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

std::shared_ptr<EncodingVector const> EncodingVector::Parse(std::string_view text) {
    Scanner scanner(text);
    std::string_view token, previous;
    bool found = false;
    while (!found && scanner.Next(token)) {
        found = token == "[" && previous.size() > 1 && previous[0] == '/';
        if (!found) previous = token;
    }
    if (!found) return nullptr;
    auto vector = std::make_shared<EncodingVector>();
    vector->name_ = std::string(previous.substr(1));
    int code = 0;
    while (scanner.Next(token) && token != "]") {
        if (token[0] != '/') continue;  // stray words are not glyphs
        if (code < Size && token != "/.notdef") vector->names_[code] = std::string(token.substr(1));
        ++code;
    }
    return vector;
}

std::shared_ptr<EncodingVector const> EncodingVector::Read(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || size > kLargestFile) return nullptr;
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size)) return nullptr;
    return Parse(text);
}

}  // namespace ksdvi

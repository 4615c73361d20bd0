#include "font/MapFileTokenizer.h"

#include <cctype>

namespace ksdvi {

int MapFileTokenizer::Get() {
    int c = std::fgetc(file_);
    if (c == '\n') ++line_;
    return c;
}

void MapFileTokenizer::Unget(int c) {
    if (c == EOF) return;
    if (c == '\n') --line_;
    std::ungetc(c, file_);
}

bool MapFileTokenizer::Next(Token& token) {
    token.text.clear();
    token.quoted = false;
    int c = Get();
    while (c >= 1 && c <= 32) c = Get();
    if (c == EOF) return false;

    // Characters past the length limit are read and dropped.
    auto append = [&](int ch) {
        if (token.text.size() < MaxTokenLength) token.text.push_back(static_cast<char>(ch));
    };
    if (c == '\'' || c == '"') {
        token.quoted = true;
        for (int d = Get(); d != EOF && d != c; d = Get()) append(d);
        return true;
    }
    append(c);
    for (int d = Get();; d = Get()) {
        if (d == EOF || !(std::isalnum(d) || d == '_')) {
            Unget(d);
            break;
        }
        append(d);
    }
    return true;
}

}  // namespace ksdvi

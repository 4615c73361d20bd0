#pragma once
// Tokens of a TrueType map file: quoted ('...' or "...", no escapes) or unquoted
// (one character followed by letters, digits and underscores). No comments.

#include <cstdio>
#include <string>

namespace ksdvi {

class MapFileTokenizer {
public:
    static constexpr size_t MaxTokenLength = 199;

    struct Token {
        std::string text;
        bool quoted = false;
        bool Is(char const* unquoted) const { return !quoted && text == unquoted; }
    };

    explicit MapFileTokenizer(std::FILE* file) : file_(file) {}

    // False at the end of the file.
    bool Next(Token& token);
    // Line of the last character read, for messages.
    int GetLine() const { return line_; }

private:
    int Get();
    void Unget(int c);

    std::FILE* file_;
    int line_ = 1;
};

}  // namespace ksdvi

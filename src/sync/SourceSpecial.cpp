#include "sync/SourceSpecial.h"

#include <charconv>

namespace ksdvi {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A positive number at the front of `text`, taken off it.
std::optional<int> TakeNumber(std::string_view& text) {
    size_t digits = 0;
    while (digits < text.size() && IsDigit(text[digits])) ++digits;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + digits, value);
    if (digits == 0 || error != std::errc() || value <= 0) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<SourceSpecial> ParseSourceSpecial(std::string_view args) {
    while (!args.empty() && IsSpace(args.front())) args.remove_prefix(1);
    SourceSpecial special;
    std::optional<int> line = TakeNumber(args);
    if (!line) return std::nullopt;
    special.line = *line;
    if (args.size() >= 2 && args.front() == ':' && IsDigit(args[1])) {
        args.remove_prefix(1);
        std::optional<int> column = TakeNumber(args);
        if (!column) return std::nullopt;
        special.column = *column;
    }
    // One space parts the number from the name; a name may also follow at once.
    while (!args.empty() && IsSpace(args.front())) args.remove_prefix(1);
    while (!args.empty() && (IsSpace(args.back()) || args.back() == '\0')) args.remove_suffix(1);
    if (args.size() > kLongestSourceName) return std::nullopt;
    for (char c : args)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
    special.file = std::string(args);
    return special;
}

}  // namespace ksdvi

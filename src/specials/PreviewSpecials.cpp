#include "specials/PreviewSpecials.h"

#include <charconv>

namespace ksdvi {

namespace {

bool Starts(std::string_view text, std::string_view word) { return text.substr(0, word.size()) == word; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool IsPreviewBopHook(std::string_view literal) {
    return Starts(literal, "userdict") && literal.find("preview-bop-") != std::string_view::npos;
}

bool IsPreviewTightPage(std::string_view literal) {
    if (Starts(literal, "/preview@tightpage")) {
        literal.remove_prefix(18);
        while (!literal.empty() && IsBlank(literal.front())) literal.remove_prefix(1);
        return Starts(literal, "true");
    }
    return Starts(literal, "userdict") &&
           literal.find("7{currentfile token not{stop}if 65781.76 div") != std::string_view::npos;
}

std::optional<PreviewBox> ParsePreviewBox(std::string_view code) {
    int32_t numbers[7];
    char const* p = code.data();
    char const* const end = code.data() + code.size();
    for (int32_t& n : numbers) {
        while (p < end && IsBlank(*p)) ++p;
        auto [next, error] = std::from_chars(p, end, n);
        if (error != std::errc() || next == p) return std::nullopt;
        p = next;
        if (p < end && !IsBlank(*p)) return std::nullopt;
    }
    while (p < end && IsBlank(*p)) ++p;
    if (p != end) return std::nullopt;
    return PreviewBox{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5], numbers[6]};
}

}  // namespace ksdvi

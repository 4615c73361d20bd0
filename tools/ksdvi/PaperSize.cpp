#include "PaperSize.h"

#include <vector>

#include "dvi/SpecialParsing.h"

namespace {

// One dimension filling all of `text`; "true" units are the same on paper.
std::optional<int> Dimension(std::string text) {
    size_t t = text.find("true");
    if (t != std::string::npos) text.erase(t, 4);
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    int sp = 0;
    unsigned char* end = getdimen(bytes.data(), &sp);
    if (!end || *end != 0 || sp <= 0) return std::nullopt;
    return sp;
}

std::optional<PaperSize> Pair(std::string const& text, char separator) {
    size_t at = text.find(separator);
    if (at == std::string::npos) return std::nullopt;
    auto w = Dimension(text.substr(0, at));
    auto h = Dimension(text.substr(at + 1));
    if (!w || !h) return std::nullopt;
    return PaperSize{*w, *h};
}

}  // namespace

std::optional<PaperSize> ParsePaperOption(std::string const& text) {
    if (text == "a4") return Pair("210mmx297mm", 'x');
    if (text == "letter") return Pair("8.5inx11in", 'x');
    return Pair(text, 'x');
}

std::optional<PaperSize> ParsePaperSpecial(std::string const& text) {
    std::string value = text;
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return Pair(value, ',');
}

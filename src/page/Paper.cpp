#include "page/Paper.h"

#include <utility>
#include <vector>

#include "dvi/KsDvi.h"
#include "specials/SpecialParsing.h"

namespace ksdvi {

namespace {

// One dimension filling all of `text`; "true" units are the same on paper.
std::optional<int32_t> Dimension(std::string text) {
    size_t t = text.find("true");
    if (t != std::string::npos) text.erase(t, 4);
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    int sp = 0;
    unsigned char* end = getdimen(bytes.data(), &sp);
    if (!end || *end != 0 || sp <= 0) return std::nullopt;
    return sp;
}

std::optional<Paper> Pair(std::string const& text, char separator) {
    size_t at = text.find(separator);
    if (at == std::string::npos) return std::nullopt;
    auto w = Dimension(text.substr(0, at));
    auto h = Dimension(text.substr(at + 1));
    if (!w || !h) return std::nullopt;
    return Paper{*w, *h};
}

}  // namespace

std::optional<Paper> ParsePaperOption(std::string const& text) {
    if (text == "a4") return Pair("210mmx297mm", 'x');
    if (text == "letter") return Pair("8.5inx11in", 'x');
    return Pair(text, 'x');
}

std::optional<Paper> ParsePaperSpecial(std::string const& text) {
    std::string value = text;
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return Pair(value, ',');
}

Paper Landscaped(KsDvi const& dvi, Paper paper) {
    if (dvi.IsLandscape() && paper.width < paper.height) std::swap(paper.width, paper.height);
    return paper;
}

Paper PaperOf(KsDvi const& dvi, Paper const& fallback) {
    return Landscaped(dvi, dvi.GetPaperSpecial().value_or(fallback));
}

Paper PaperOf(KsDvi const& dvi, int page, Paper const& fallback) {
    return Landscaped(dvi, dvi.GetPagePaper(page).value_or(PaperOf(dvi, fallback)));
}

}  // namespace ksdvi

#include "specials/PdfDrawingSpecials.h"

#include <array>

namespace ksdvi {

namespace {

// dvipdfmx's names of each (some have several).
constexpr std::array kContent = {
    std::string_view("code"),     std::string_view("literal"),  std::string_view("content"),
    std::string_view("bcontent"), std::string_view("econtent"), std::string_view("uxobj"),
    std::string_view("usexobj"),  std::string_view("bcolor"),   std::string_view("ecolor"),
    std::string_view("bc"),       std::string_view("ec")};
constexpr std::array kDefinition = {
    std::string_view("obj"),   std::string_view("object"),    std::string_view("put"),   std::string_view("stream"),
    std::string_view("bxobj"), std::string_view("beginxobj"), std::string_view("exobj"), std::string_view("endxobj"),
    std::string_view("close")};  // an object written out: nothing to do for a page's drawing

template <size_t N>
bool OneOf(std::array<std::string_view, N> const& words, std::string_view word) {
    for (std::string_view w : words)
        if (w == word) return true;
    return false;
}

}  // namespace

PdfDrawing PdfDrawingOf(std::string_view keyword) {
    if (OneOf(kContent, keyword)) return PdfDrawing::Content;
    if (OneOf(kDefinition, keyword)) return PdfDrawing::Definition;
    return PdfDrawing::None;
}

std::string_view AfterPdfKeyword(std::string_view special, std::string_view keyword) {
    size_t const at = special.find(keyword);
    return at == std::string_view::npos ? std::string_view() : special.substr(at + keyword.size());
}

bool BeginsPdfXObject(std::string_view keyword) { return keyword == "bxobj" || keyword == "beginxobj"; }

bool EndsPdfXObject(std::string_view keyword) { return keyword == "exobj" || keyword == "endxobj"; }

}  // namespace ksdvi

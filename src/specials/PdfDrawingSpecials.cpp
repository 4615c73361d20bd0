#include "specials/PdfDrawingSpecials.h"

#include <array>
#include <vector>

#include "specials/DvipsColour.h"
#include "specials/PdfObjects.h"
#include "specials/SpecialParsing.h"

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

std::vector<double> PdfColourComponents(std::string_view args) {
    // The colour comes first; a stroke colour may follow.
    std::vector<PdfToken> const tokens = PdfTokens(args.substr(0, 256));
    PdfObjectReader reader(tokens);
    PdfObject colour;
    if (!reader.Read(colour) || colour.type != PdfObject::Type::Array) return {};
    size_t const n = colour.items.size();
    if (n != 1 && n != 3 && n != 4) return {};
    std::vector<double> components;
    for (PdfObject const& item : colour.items) {
        if (item.type != PdfObject::Type::Number) return {};
        components.push_back(item.number);
    }
    return components;
}

std::optional<unsigned int> PdfBeginColour(std::string_view args) {
    std::vector<double> const v = PdfColourComponents(args);
    return DeviceColour(v.data(), v.size());
}

bool BeginsPdfColour(std::string_view keyword) { return keyword == "bcolor" || keyword == "bc"; }

bool EndsPdfColour(std::string_view keyword) { return keyword == "ecolor" || keyword == "ec"; }

bool BeginsPdfXObject(std::string_view keyword) { return keyword == "bxobj" || keyword == "beginxobj"; }

bool EndsPdfXObject(std::string_view keyword) { return keyword == "exobj" || keyword == "endxobj"; }

}  // namespace ksdvi

#include "specials/PdfDrawingSpecials.h"

#include <array>
#include <vector>

#include "specials/DvipsColour.h"
#include "specials/PdfObjects.h"
#include "specials/SpecialParsing.h"
#include "specials/SpotColours.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// dvipdfmx's names of each (some have several).
constexpr std::array kContent = {
    std::string_view("code"),     std::string_view("literal"),  std::string_view("content"),
    std::string_view("bcontent"), std::string_view("econtent"), std::string_view("uxobj"),
    std::string_view("usexobj"),  std::string_view("bcolor"),   std::string_view("ecolor"),
    std::string_view("bc"),       std::string_view("ec"),       std::string_view("scolor"),
    std::string_view("sc")};
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

namespace {

// The numbers of tokens [from, to), all of them words of numbers; empty
// when any is another.
std::vector<double> NumbersOf(std::vector<PdfToken> const& tokens, size_t from, size_t to) {
    std::vector<double> numbers;
    for (size_t i = from; i < to; ++i) {
        std::optional<double> v = tokens[i].type == PdfToken::Type::Word ? FiniteNumber(tokens[i].text) : std::nullopt;
        if (!v) return {};
        numbers.push_back(*v);
    }
    return numbers;
}

// The numbers of the array whose "[" is at `open`, before `to`; empty
// when it holds anything else or has no "]".
std::vector<double> ArrayNumbers(std::vector<PdfToken> const& tokens, size_t open, size_t to) {
    size_t end = open + 1;
    while (end < to && tokens[end].type != PdfToken::Type::Close) ++end;
    return end < to ? NumbersOf(tokens, open + 1, end) : std::vector<double>();
}

bool IsArray(PdfToken const& token) { return token.type == PdfToken::Type::Open && token.text == "["; }

// One colour of pdf:bcolor's, from tokens [from, to): [numbers] or numbers
// (1 grey, 3 RGB, 4 CMYK), a dvips colour name, or "@space [TINT]".
std::optional<unsigned int> ColourOf(std::vector<PdfToken> const& tokens, size_t from, size_t to,
                                     SpotColours const* spots) {
    if (from >= to) return std::nullopt;
    PdfToken const& first = tokens[from];
    if (IsArray(first)) {
        std::vector<double> const v = ArrayNumbers(tokens, from, to);
        return DeviceColour(v.data(), v.size(), spots);
    }
    if (first.type != PdfToken::Type::Word) return std::nullopt;
    if (first.text.size() > 1 && first.text[0] == '@') {
        std::vector<double> const tint =
            from + 1 < to && IsArray(tokens[from + 1]) ? ArrayNumbers(tokens, from + 1, to) : std::vector<double>();
        if (!spots || tint.size() != 1) return std::nullopt;
        return spots->ObjectColour(std::string_view(first.text).substr(1), tint[0]);
    }
    if (!FiniteNumber(first.text)) return DvipsNamedColour(first.text, spots);
    size_t end = from;  // dvipdfmx reads at most four numbers
    while (end < to && end - from < 4 && tokens[end].type == PdfToken::Type::Word && FiniteNumber(tokens[end].text))
        ++end;
    std::vector<double> const v = NumbersOf(tokens, from, end);
    return DeviceColour(v.data(), v.size(), spots);
}

bool IsWord(PdfToken const& token, std::string_view word) {
    return token.type == PdfToken::Type::Word && token.text == word;
}

}  // namespace

std::optional<DvipsColorChange> PdfColourChange(std::string_view keyword, std::string_view args,
                                                SpotColours const* spots) {
    using Action = DvipsColorChange::Action;
    if (keyword == "ecolor" || keyword == "ec") return DvipsColorChange{Action::Pop};
    bool const push = keyword == "bcolor" || keyword == "bc";
    if (!push && keyword != "scolor" && keyword != "sc") return std::nullopt;
    // Colours are short; a long text is no colour.
    std::vector<PdfToken> const tokens = PdfTokens(args.substr(0, 1024));
    if (tokens.empty()) return std::nullopt;
    DvipsColorChange change{push ? Action::Push : Action::Replace};
    std::optional<unsigned int> fill;
    if (IsWord(tokens[0], "fill") || IsWord(tokens[0], "stroke")) {
        // Either or both, in either order; text and rules take the fill.
        for (size_t at = 0; at < tokens.size(); ++at) {
            if (!IsWord(tokens[at], "fill")) continue;
            size_t end = at + 1;
            while (end < tokens.size() && !IsWord(tokens[end], "stroke")) ++end;
            fill = ColourOf(tokens, at + 1, end, spots);
            break;
        }
    } else {
        fill = ColourOf(tokens, 0, tokens.size(), spots);  // a stroke colour may follow
    }
    if (fill)
        change.color = *fill;
    else
        change.keep = true;
    return change;
}

bool BeginsPdfXObject(std::string_view keyword) { return keyword == "bxobj" || keyword == "beginxobj"; }

bool EndsPdfXObject(std::string_view keyword) { return keyword == "exobj" || keyword == "endxobj"; }

}  // namespace ksdvi

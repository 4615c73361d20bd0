#include "specials/SpotColours.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "specials/DvipsColour.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

using Type = PdfObject::Type;

bool IsName(PdfObject const* object, std::string_view name) {
    return object && object->type == Type::Name && object->text == name;
}

bool IsSeparation(PdfObject const& object) {
    return object.type == Type::Array && !object.items.empty() && IsName(&object.items[0], "Separation");
}

bool IsFunction(PdfObject const& object) { return object.type == Type::Dictionary && object.Find("FunctionType"); }

// A function's array of numbers (C0, C1), or `fallback` when it has none.
std::vector<double> Numbers(PdfObject const* array, std::vector<double> fallback) {
    if (!array || array->type != Type::Array) return fallback;
    std::vector<double> numbers;
    for (PdfObject const& item : array->items) {
        if (item.type != Type::Number) return {};
        numbers.push_back(item.number);
    }
    return numbers;
}

}  // namespace

void SpotColours::Define(std::string_view special) {
    size_t start = special.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || special.size() > std::min(kLongestDefinition, bytesLeft_)) return;
    special.remove_prefix(start);
    bool const put = special.starts_with("put");
    bool const obj = special.starts_with("obj");  // also "object"
    if (!put && !obj) return;
    // Most definitions are pictures' forms and shadings: only these words make one for spots.
    if (special.find(put ? "ColorSpace" : "FunctionType") == std::string_view::npos &&
        special.find("Separation") == std::string_view::npos)
        return;
    if (put) {
        size_t const hash = std::hash<std::string_view>{}(special);
        if (hash == lastPut_) return;
        lastPut_ = hash;
    }
    special.remove_prefix(obj && special.starts_with("object") ? 6 : 3);
    bytesLeft_ -= special.size();  // past the budget, nothing more is read: the table stays bounded
    std::vector<PdfToken> const tokens = PdfTokens(special);
    if (tokens.empty() || tokens[0].type != PdfToken::Type::Word || tokens[0].text.size() < 2 ||
        tokens[0].text[0] != '@')
        return;
    std::string const name = tokens[0].text.substr(1);
    PdfObjectReader reader(tokens, 1, tokens.size());
    PdfObject value;
    if (!reader.Read(value)) return;
    if (obj) {
        if (IsFunction(value) || IsSeparation(value)) Keep(objects_, name, std::move(value));
        return;
    }
    if (name != "resources") return;
    PdfObject const* named = value.type == Type::Dictionary ? value.Find("ColorSpace") : nullptr;
    PdfObject const* spaces = named ? Resolved(*named) : nullptr;
    if (!spaces || spaces->type != Type::Dictionary) return;
    for (size_t i = 0; i + 1 < spaces->items.size(); i += 2) {
        PdfObject const& space = spaces->items[i + 1];
        // A named object is kept by its name: it may be defined later.
        if (space.type == Type::Word || IsSeparation(space)) Keep(spaces_, spaces->items[i].text, space);
    }
}

void SpotColours::Keep(std::map<std::string, PdfObject, std::less<>>& into, std::string name, PdfObject value) {
    auto it = into.find(name);
    if (it != into.end()) {
        it->second = std::move(value);
    } else if (into.size() < kMostEntries) {
        into.emplace(std::move(name), std::move(value));
    }
}

PdfObject const* SpotColours::Resolved(PdfObject const& object) const {
    if (object.type != Type::Word || object.text.size() < 2 || object.text[0] != '@') return &object;
    auto it = objects_.find(std::string_view(object.text).substr(1));
    return it == objects_.end() ? nullptr : &it->second;
}

std::optional<unsigned int> SpotColours::Colour(std::string_view name, double tint) const {
    auto it = spaces_.find(name);
    return it == spaces_.end() ? std::nullopt : SeparationColour(Resolved(it->second), tint);
}

std::optional<unsigned int> SpotColours::ObjectColour(std::string_view object, double tint) const {
    auto it = objects_.find(object);
    return it == objects_.end() ? std::nullopt : SeparationColour(&it->second, tint);
}

namespace {

// Runs a tint transform of PostScript's calculator words (numbers, index,
// roll, pop, dup, exch, add, sub, mul) on a stack holding `tint`; the stack
// after it, or empty when it uses another word or leaves the stack short.
// At most 64 words and 16 entries.
std::vector<double> RunTintTransform(std::vector<std::string> const& words, double tint) {
    std::vector<double> stack{tint};
    if (words.size() > 64) return {};
    auto pop = [&](double& v) {
        if (stack.empty()) return false;
        v = stack.back();
        stack.pop_back();
        return true;
    };
    for (std::string const& word : words) {
        double a = 0, b = 0;
        if (std::optional<double> number = FiniteNumber(word)) {
            stack.push_back(*number);
        } else if (word == "index") {
            if (!pop(a) || a < 0 || a >= double(stack.size())) return {};
            stack.push_back(stack[stack.size() - 1 - size_t(a)]);
        } else if (word == "roll") {
            if (!pop(b) || !pop(a) || a < 0 || a > double(stack.size()) || std::abs(b) > 64) return {};
            size_t const n = size_t(a);
            if (n == 0) continue;
            long const shift = ((long(b) % long(n)) + long(n)) % long(n);
            std::rotate(stack.end() - long(n), stack.end() - shift, stack.end());
        } else if (word == "pop") {
            if (!pop(a)) return {};
        } else if (word == "dup") {
            if (stack.empty()) return {};
            stack.push_back(stack.back());
        } else if (word == "exch") {
            if (stack.size() < 2) return {};
            std::swap(stack[stack.size() - 1], stack[stack.size() - 2]);
        } else if (word == "add" || word == "sub" || word == "mul") {
            if (!pop(b) || !pop(a)) return {};
            stack.push_back(word == "add" ? a + b : word == "sub" ? a - b : a * b);
        } else {
            return {};
        }
        if (stack.size() > 16) return {};
    }
    return stack;
}

}  // namespace

void SpotColours::DefinePostScript(std::string_view header) {
    if (header.size() > std::min(kLongestDefinition, bytesLeft_) ||
        header.find("/Separation") == std::string_view::npos)
        return;
    bytesLeft_ -= header.size();
    std::vector<PdfToken> const tokens = PdfTokens(header);
    auto is = [&](size_t at, std::string_view word) { return at < tokens.size() && tokens[at].text == word; };
    for (size_t at = 0; at + 8 < tokens.size(); ++at) {
        // /NAME { [ /Separation (INK) [ /ALT ] { TRANSFORM } ] setcolorspace
        if (tokens[at].type != PdfToken::Type::Name || !is(at + 1, "{") || !is(at + 2, "[") ||
            !is(at + 3, "Separation") || tokens[at + 4].type != PdfToken::Type::String || !is(at + 5, "[") ||
            tokens[at + 6].type != PdfToken::Type::Name || !is(at + 7, "]") || !is(at + 8, "{"))
            continue;
        std::vector<std::string> transform;
        size_t p = at + 9;
        for (; p < tokens.size() && tokens[p].type == PdfToken::Type::Word && transform.size() <= 64; ++p)
            transform.push_back(tokens[p].text);
        if (!is(p, "}") || !is(p + 1, "]") || !is(p + 2, "setcolorspace") ||
            DeviceSpaceComponents(tokens[at + 6].text) == 0 || transform.size() > 64)
            continue;
        if (separations_.size() < kMostEntries || separations_.count(tokens[at].text))
            separations_[tokens[at].text] = {tokens[at + 6].text, std::move(transform)};
    }
}

std::optional<unsigned int> SpotColours::PostScriptColour(std::string_view name, double tint) const {
    auto it = separations_.find(name);
    if (it == separations_.end() || !std::isfinite(tint)) return std::nullopt;
    std::vector<double> const v = RunTintTransform(it->second.transform, std::clamp(tint, 0.0, 1.0));
    if (v.empty() || v.size() != DeviceSpaceComponents(it->second.alternate)) return std::nullopt;
    return DeviceColour(v.data(), v.size(), this);
}

std::optional<unsigned int> SpotColours::SeparationColour(PdfObject const* space, double tint) const {
    if (!space || !IsSeparation(*space) || space->items.size() < 4) return std::nullopt;
    PdfObject const* alternate = Resolved(space->items[2]);
    PdfObject const* function = Resolved(space->items[3]);
    if (!alternate || !function || !IsFunction(*function)) return std::nullopt;
    PdfObject const* type = function->Find("FunctionType");
    if (type->type != Type::Number || type->number != 2) return std::nullopt;
    PdfObject const* exponent = function->Find("N");
    if (!exponent || exponent->type != Type::Number) return std::nullopt;
    std::vector<double> const c0 = Numbers(function->Find("C0"), {0});
    std::vector<double> const c1 = Numbers(function->Find("C1"), {1});
    if (c0.size() != c1.size() || alternate->type != Type::Name || DeviceSpaceComponents(alternate->text) != c0.size())
        return std::nullopt;
    double const t = std::pow(std::clamp(tint, 0.0, 1.0), exponent->number);
    if (!std::isfinite(t)) return std::nullopt;
    double v[4];
    for (size_t i = 0; i < c0.size(); ++i) v[i] = c0[i] + t * (c1[i] - c0[i]);
    return DeviceColour(v, c0.size(), this);
}

}  // namespace ksdvi

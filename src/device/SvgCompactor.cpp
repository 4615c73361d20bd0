#include "device/SvgCompactor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "device/SvgAttributes.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// Properties that pass from a group to what it holds, and their initial
// values: Cairo writes them on every path.
struct Inherited {
    std::string_view name, initial;
};
constexpr Inherited kInherited[] = {
    {"fill-opacity", "1"},    {"stroke-opacity", "1"},    {"fill-rule", "nonzero"},
    {"clip-rule", "nonzero"}, {"stroke-linecap", "butt"}, {"stroke-linejoin", "miter"},
};
// Properties that do not pass on, at their initial values.
constexpr Inherited kNotInherited[] = {{"stop-opacity", "1"}, {"opacity", "1"}};

// A group that could not be read may set anything.
constexpr std::string_view kAnything = "*";

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// "matrix(a,0,0,d,e,f)" with |a| = |d|: a scaling that widens lines alike
// in every direction, which folds into the points of a path.
std::optional<SvgPathScaling> PlainScaling(std::string_view transform) {
    if (!transform.starts_with("matrix(") || !transform.ends_with(")")) return std::nullopt;
    transform = transform.substr(7, transform.size() - 8);
    double m[6];
    for (int k = 0; k < 6; ++k) {
        size_t const comma = k < 5 ? transform.find(',') : transform.size();
        if (comma == std::string_view::npos) return std::nullopt;
        std::optional<double> const value = FiniteNumber(Trim(transform.substr(0, comma)));
        if (!value) return std::nullopt;
        m[k] = *value;
        transform.remove_prefix(std::min(comma + 1, transform.size()));
    }
    if (m[1] != 0 || m[2] != 0 || m[0] == 0 || std::fabs(m[0]) != std::fabs(m[3])) return std::nullopt;
    return SvgPathScaling{m[0], m[3], m[4], m[5]};
}

// A stop as Cairo writes it, a line of its own:
// <stop offset="0.5" style="stop-color:rgb(100%,50%,0%);stop-opacity:1;"/>
std::optional<ColourStop> ReadStop(std::string_view line) {
    auto literal = [&](std::string_view text) {
        if (!line.starts_with(text)) return false;
        line.remove_prefix(text.size());
        return true;
    };
    auto number = [&](double& value, double scale) {
        auto const [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
        if (error != std::errc() || !std::isfinite(value)) return false;
        value /= scale;
        line.remove_prefix(static_cast<size_t>(end - line.data()));
        return true;
    };
    ColourStop stop;
    if (literal("<stop offset=\"") && number(stop.offset, 1) && literal("\" style=\"stop-color:rgb(") &&
        number(stop.channel[0], 100) && literal("%,") && number(stop.channel[1], 100) && literal("%,") &&
        number(stop.channel[2], 100) && literal("%);stop-opacity:") && number(stop.channel[3], 1) && literal(";\"/>") &&
        (line == "\n" || line == "\r\n"))
        return stop;
    return std::nullopt;
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ':' ||
           c == '_';
}

}  // namespace

bool SvgCompactor::SaysNothing(std::string_view name, std::string_view value) const {
    for (Inherited const& property : kNotInherited)
        if (property.name == name) return property.initial == value;
    auto const inherited = std::find_if(std::begin(kInherited), std::end(kInherited),
                                        [&](Inherited const& property) { return property.name == name; });
    if (inherited == std::end(kInherited) || inherited->initial != value) return false;
    // What the innermost group that sets it says holds.
    for (auto group = groups_.rbegin(); group != groups_.rend(); ++group)
        for (auto const& [setName, setValue] : *group) {
            if (setName == kAnything) return false;
            if (setName == name) return setValue == value;
        }
    return true;
}

SvgCompactor::Properties SvgCompactor::CompactStyle(std::string_view style, double widthScale) const {
    Properties kept;
    while (!style.empty()) {
        size_t const end = std::min(style.find(';'), style.size());
        std::string_view const declaration = style.substr(0, end);
        style.remove_prefix(std::min(end + 1, style.size()));
        size_t const colon = declaration.find(':');
        if (colon == std::string_view::npos) {
            if (!Trim(declaration).empty()) kept.emplace_back(Trim(declaration), "");
            continue;
        }
        std::string_view const name = Trim(declaration.substr(0, colon));
        std::string value = ShortColour(Trim(declaration.substr(colon + 1)));
        if (name == "stroke-width" && widthScale != 1)
            if (std::optional<double> const width = FiniteNumber(value)) value = ShortNumber(*width * widthScale, 4);
        if (!SaysNothing(name, value)) kept.emplace_back(name, std::move(value));
    }
    return kept;
}

std::string SvgCompactor::RewriteElement(std::string_view tag, std::vector<Attribute> const& attributes, bool opens) {
    // A path under a plain scaling has its points scaled instead, where
    // nothing else it holds is measured in its units: pens' dashes, a
    // pattern's or gradient's space, a clip.
    std::optional<SvgPathScaling> fold;
    if (tag == "path") {
        bool foldable = true;
        for (Attribute const& attribute : attributes) {
            if (attribute.name == "transform")
                fold = PlainScaling(attribute.value);
            else if (attribute.name == "style")
                foldable = foldable && attribute.value.find("url(") == std::string_view::npos &&
                           attribute.value.find("dash") == std::string_view::npos &&
                           (attribute.value.find("stroke-width") != std::string_view::npos ||
                            attribute.value.find("stroke:") == std::string_view::npos ||
                            attribute.value.find("stroke:none") != std::string_view::npos);
            else if (attribute.name != "d")
                foldable = false;
        }
        if (!foldable) fold.reset();
    }
    std::string out;
    Properties set;
    for (Attribute const& attribute : attributes) {
        std::string value;
        if (attribute.name == "d") {
            value = fold ? CompactPathData(attribute.value, *fold) : CompactPathData(attribute.value);
        } else if (attribute.name == "style") {
            Properties const kept = CompactStyle(attribute.value, fold ? std::fabs(fold->sx) : 1);
            for (auto const& [name, propertyValue] : kept) {
                if (!value.empty()) value += ';';
                value += name;
                if (!propertyValue.empty()) value += ':' + propertyValue;
            }
            if (opens) set.insert(set.end(), kept.begin(), kept.end());
            if (value.empty()) continue;
        } else if (attribute.name == "transform" && fold) {
            continue;
        } else if ((attribute.name == "x" || attribute.name == "y") && tag == "use") {
            std::optional<double> const position = FiniteNumber(attribute.value);
            value = position ? ShortNumber(*position, 2) : std::string(attribute.value);
        } else if (SaysNothing(attribute.name, attribute.value)) {
            continue;
        } else {
            value = attribute.value;
            if (opens) set.emplace_back(attribute.name, value);
        }
        out += ' ';
        out += attribute.name;
        out += "=\"";
        out += value;
        out += '"';
    }
    if (opens) groups_.push_back(std::move(set));
    return out;
}

std::string SvgCompactor::Rewrite(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    size_t i = 0;
    while (i < line.size()) {
        size_t const start = line.find('<', i);
        out.append(line.substr(i, start - i));
        if (start == std::string_view::npos) break;
        i = start + 1;
        size_t name = i;
        while (name < line.size() && IsNameCharacter(line[name])) ++name;
        std::string_view const tag = line.substr(i, name - i);
        if (line.substr(i).starts_with("/g>") && !groups_.empty()) groups_.pop_back();
        if (tag.empty()) {
            out += '<';
            continue;
        }
        // The attributes up to the element's end; an element that does not
        // end on this line passes as it is.
        std::vector<Attribute> attributes;
        size_t at = name;
        bool ended = false, empty = false;
        while (at < line.size()) {
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
            if (line.substr(at).starts_with("/>") || line.substr(at).starts_with(">")) {
                empty = line[at] == '/';
                ended = true;
                break;
            }
            size_t const nameEnd = line.find("=\"", at);
            if (nameEnd == std::string_view::npos) break;
            std::string_view const attributeName = line.substr(at, nameEnd - at);
            if (attributeName.empty() || !std::all_of(attributeName.begin(), attributeName.end(), IsNameCharacter))
                break;
            size_t const valueEnd = line.find('"', nameEnd + 2);
            if (valueEnd == std::string_view::npos) break;
            attributes.push_back({attributeName, line.substr(nameEnd + 2, valueEnd - nameEnd - 2)});
            at = valueEnd + 1;
        }
        bool const opens = tag == "g" && !empty;
        if (!ended) {
            if (opens) groups_.push_back({{std::string(kAnything), ""}});
            out += line.substr(start);
            break;
        }
        out += '<';
        out += tag;
        out += RewriteElement(tag, attributes, opens);
        i = at;
    }
    return out;
}

bool SvgCompactor::Write(std::string_view piece) {
    std::string ready;
    while (!piece.empty()) {
        size_t const end = piece.find('\n');
        line_.append(piece.substr(0, end == std::string_view::npos ? piece.size() : end + 1));
        if (end == std::string_view::npos) break;
        piece.remove_prefix(end + 1);
        if (std::optional<ColourStop> const stop = ReadStop(line_)) {
            stops_.push_back(*stop);
            stopLines_.push_back(std::move(line_));
        } else {
            PutStops(ready);
            if (line_.starts_with("</svg>")) ready += std::exchange(ending_, {});
            ready += Rewrite(line_);
        }
        line_.clear();
    }
    return std::fwrite(ready.data(), 1, ready.size(), out_) == ready.size();
}

void SvgCompactor::PutStops(std::string& ready) {
    if (!stops_.empty())
        for (size_t const kept : StopsToKeep(stops_, 4)) ready += Rewrite(stopLines_[kept]);
    stops_.clear();
    stopLines_.clear();
}

void SvgCompactor::Finish() {
    std::string ready;
    PutStops(ready);
    ready += line_;
    std::fwrite(ready.data(), 1, ready.size(), out_);
    line_.clear();
}

}  // namespace ksdvi

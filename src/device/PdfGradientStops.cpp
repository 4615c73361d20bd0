#include "device/PdfGradientStops.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "device/ColourStops.h"
#include "specials/PdfObjects.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// A flat dictionary as Cairo writes a function: each value a number, a word
// or an array of them.
struct Entry {
    std::string key;  // without the slash
    std::vector<std::string> value;
};

std::optional<std::vector<Entry>> Dictionary(std::string_view body) {
    bool whole = false;
    std::vector<PdfToken> const tokens = PdfTokens(body, &whole);
    using Type = PdfToken::Type;
    if (!whole || tokens.size() < 2 || tokens.front().text != "<<" || tokens.back().text != ">>") return std::nullopt;
    std::vector<Entry> entries;
    for (size_t i = 1; i + 1 < tokens.size();) {
        if (tokens[i].type != Type::Name || i + 2 >= tokens.size()) return std::nullopt;
        Entry entry{tokens[i].text, {}};
        if (tokens[i + 1].text == "[" && tokens[i + 1].type == Type::Open) {
            size_t j = i + 2;
            for (; j + 1 < tokens.size() && tokens[j].type == Type::Word; ++j) entry.value.push_back(tokens[j].text);
            if (tokens[j].type != Type::Close || tokens[j].text != "]") return std::nullopt;
            i = j + 1;
        } else {
            if (tokens[i + 1].type != Type::Word) return std::nullopt;
            entry.value.push_back(tokens[i + 1].text);
            i += 2;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> const* Value(std::vector<Entry> const& entries, std::string_view key) {
    for (Entry const& entry : entries)
        if (entry.key == key) return &entry.value;
    return nullptr;
}

std::optional<std::vector<double>> Numbers(std::vector<std::string> const& tokens) {
    std::vector<double> values;
    for (std::string_view const token : tokens) {
        std::optional<double> const value = FiniteNumber(token);
        if (!value) return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

bool Is(std::vector<Entry> const& entries, std::string_view key, std::vector<std::string> const& value) {
    std::vector<std::string> const* found = Value(entries, key);
    return found && *found == value;
}

// A linear function from 0 to 1 as Cairo writes it: its two colours.
struct Linear {
    std::vector<std::string> from, to;
};

std::optional<Linear> LinearFunction(std::string_view body) {
    std::optional<std::vector<Entry>> const entries = Dictionary(body);
    if (!entries || entries->size() != 5 || !Is(*entries, "FunctionType", {"2"}) ||
        !Is(*entries, "Domain", {"0", "1"}) || !Is(*entries, "N", {"1"}))
        return std::nullopt;
    std::vector<std::string> const* from = Value(*entries, "C0");
    std::vector<std::string> const* to = Value(*entries, "C1");
    if (!from || !to || from->empty() || from->size() > 4 || to->size() != from->size() || !Numbers(*from) ||
        !Numbers(*to))
        return std::nullopt;
    return Linear{*from, *to};
}

std::string Joined(std::vector<std::string> const& tokens) {
    std::string text;
    for (std::string const& token : tokens) text.append(token).append(" ");
    return text;
}

// How many times each object is referenced ("N 0 R") in the bodies.
std::vector<int> ReferenceCounts(std::vector<std::string_view> const& bodies) {
    std::vector<int> counts(bodies.size(), 0);
    for (std::string_view const body : bodies) {
        std::vector<PdfToken> const tokens = PdfTokens(body);
        for (size_t i = 2; i < tokens.size(); ++i)
            if (tokens[i].text == "R" && tokens[i - 1].text == "0")
                if (std::optional<double> const n = FiniteNumber(tokens[i - 2].text);
                    n && *n >= 0 && *n < double(counts.size()))
                    ++counts[static_cast<size_t>(*n)];
    }
    return counts;
}

// The stitching function `number` with only the stops it needs, its parts
// written inside it; none when Cairo did not write it and its parts so or
// every stop is needed. `references` loses the references it no longer makes,
// the parts it made them to are added to `released`.
std::optional<std::string> Thinned(std::vector<std::string_view> const& bodies, size_t number,
                                   std::vector<int>& references, std::vector<size_t>& released) {
    std::optional<std::vector<Entry>> const entries = Dictionary(bodies[number]);
    if (!entries || entries->size() != 5 || !Is(*entries, "FunctionType", {"3"}) || !Is(*entries, "Domain", {"0", "1"}))
        return std::nullopt;
    std::vector<std::string> const* functions = Value(*entries, "Functions");
    std::vector<std::string> const* bounds = Value(*entries, "Bounds");
    std::vector<std::string> const* encode = Value(*entries, "Encode");
    if (!functions || !bounds || !encode || functions->size() % 3 != 0) return std::nullopt;
    size_t const count = functions->size() / 3;
    if (count < 2 || bounds->size() != count - 1 || encode->size() != 2 * count) return std::nullopt;
    for (size_t i = 0; i < count; ++i)
        if ((*encode)[2 * i] != "0" || (*encode)[2 * i + 1] != "1") return std::nullopt;
    std::optional<std::vector<double>> const offsets = Numbers(*bounds);
    if (!offsets) return std::nullopt;
    // The parts, objects of their own (Cairo shares those of equal colours).
    std::vector<size_t> parts;
    std::vector<Linear> linears;
    for (size_t i = 0; i < count; ++i) {
        std::optional<double> const part = FiniteNumber((*functions)[3 * i]);
        if (!part || (*functions)[3 * i + 1] != "0" || (*functions)[3 * i + 2] != "R" || *part < 0 ||
            *part >= double(bodies.size()))
            return std::nullopt;
        parts.push_back(static_cast<size_t>(*part));
        std::optional<Linear> linear = LinearFunction(bodies[parts.back()]);
        if (!linear || (!linears.empty() && linear->from.size() != linears[0].from.size())) return std::nullopt;
        linears.push_back(std::move(*linear));
    }
    // Stop i begins part i; the last ends the last part. Parts meet.
    int const channels = static_cast<int>(linears[0].from.size());
    std::vector<ColourStop> stops(count + 1);
    for (size_t i = 0; i <= count; ++i) {
        stops[i].offset = i == 0 ? 0 : i == count ? 1 : (*offsets)[i - 1];
        std::vector<double> const colour = *Numbers(i < count ? linears[i].from : linears[i - 1].to);
        if (i > 0 && i < count) {
            std::vector<double> const end = *Numbers(linears[i - 1].to);
            for (int c = 0; c < channels; ++c)
                if (std::fabs(end[c] - colour[c]) > 1e-6) return std::nullopt;
        }
        std::copy(colour.begin(), colour.end(), stops[i].channel);
    }
    std::vector<size_t> const kept = StopsToKeep(stops, channels);
    if (kept.size() == count + 1) return std::nullopt;
    std::string functionsText, boundsText, encodeText;
    for (size_t k = 0; k + 1 < kept.size(); ++k) {
        std::vector<std::string> const& to = kept[k + 1] < count ? linears[kept[k + 1]].from : linears[count - 1].to;
        functionsText += "<< /FunctionType 2 /Domain [ 0 1 ] /C0 [ " + Joined(linears[kept[k]].from) + "] /C1 [ " +
                         Joined(to) + "] /N 1 >> ";
        if (k > 0) boundsText.append((*bounds)[kept[k] - 1]).append(" ");
        encodeText += "0 1 ";
    }
    for (size_t const part : parts) --references[part];
    released.insert(released.end(), parts.begin(), parts.end());
    return "<< /FunctionType 3 /Domain [ 0 1 ] /Functions [ " + functionsText + "] /Bounds [ " + boundsText +
           "] /Encode [ " + encodeText + "] >>";
}

}  // namespace

void ThinGradientStops(std::vector<std::string_view>& bodies, std::deque<std::string>& storage) {
    std::vector<int> references;
    std::vector<size_t> released;  // parts of the functions thinned
    for (size_t number = 0; number < bodies.size(); ++number) {
        if (bodies[number].find("/FunctionType 3") == std::string_view::npos) continue;
        if (references.empty()) references = ReferenceCounts(bodies);
        if (std::optional<std::string> thinned = Thinned(bodies, number, references, released))
            bodies[number] = storage.emplace_back(std::move(*thinned));
    }
    // Parts nothing refers to any more are not written.
    for (size_t const part : released)
        if (references[part] == 0) bodies[part] = {};
}

}  // namespace ksdvi

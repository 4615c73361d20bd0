#include "text/GlyphList.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/kpathsea/KPathSea.h"
#include "text/CharacterClasses.h"

namespace ksdvi {

namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Hex digits as one value; -1 unless all are upper-case hex digits.
long HexValue(std::string_view digits) {
    if (digits.empty() || digits.size() > 6) return -1;
    long value = 0;
    for (char c : digits) {
        if (!IsHex(c)) return -1;
        value = value * 16 + (c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

bool IsScalar(long c) { return c >= 0 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }
bool IsGreek(long c) { return c >= 0x370 && c <= 0x3FF; }

// Of alternatives, a Greek letter (TeX's Delta, Omega) before any other, and
// never a private-use one when there is another.
long Preferred(std::vector<long> const& choices) {
    long chosen = -1;
    for (long c : choices) {
        if (IsGreek(c)) return c;
        if (chosen < 0 || (IsPrivateUse(chosen) && !IsPrivateUse(c))) chosen = c;
    }
    return chosen;
}

// "XXXX XXXX" or "XXXX,YYYY"; empty when malformed.
std::u32string Characters(std::string_view field) {
    std::u32string out;
    std::istringstream words{std::string(field)};
    std::string word;
    while (words >> word) {
        std::vector<long> choices;
        std::istringstream alternatives(word);
        std::string one;
        while (std::getline(alternatives, one, ',')) {
            long c = HexValue(one);
            if (!IsScalar(c)) return {};
            choices.push_back(c);
        }
        if (choices.empty()) return {};
        out.push_back(static_cast<char32_t>(Preferred(choices)));
    }
    return out;
}

}  // namespace

GlyphList const& GlyphList::Default() {
    static GlyphList const list = [] {
        GlyphList l;
        // A finder of its own: the process's default fonts would read pdftex.map
        // again, only for this search.
        KPathSea finder;
        for (char const* name : {"texglyphlist.txt", "glyphlist.txt"}) {
            std::string path = finder.Find(name, KPathSea::Format::FontMap);
            if (!path.empty()) l.Read(path);
        }
        return l;
    }();
    return list;
}

bool GlyphList::Read(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    Parse(text.str());
    return true;
}

void GlyphList::Parse(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#') continue;
        size_t semi = line.find(';');
        if (semi == 0 || semi == std::string_view::npos) continue;
        std::u32string chars = Characters(line.substr(semi + 1));
        if (!chars.empty()) names_.try_emplace(std::string(line.substr(0, semi)), std::move(chars));
    }
}

std::u32string GlyphList::Component(std::string_view name) const {
    auto it = names_.find(std::string(name));
    if (it != names_.end()) return it->second;
    std::u32string out;
    if (name.size() >= 7 && name.substr(0, 3) == "uni" && (name.size() - 3) % 4 == 0) {
        for (size_t i = 3; i < name.size(); i += 4) {
            long c = HexValue(name.substr(i, 4));
            if (!IsScalar(c)) return {};
            out.push_back(static_cast<char32_t>(c));
        }
        return out;
    }
    if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u') {
        long c = HexValue(name.substr(1));
        if (IsScalar(c)) out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

// TeX's extension fonts name the sizes of one symbol by suffixes that
// neither list knows: integraldisplay, summationtext, parenleftBigg.
std::u32string GlyphList::SizedSymbol(std::string_view name) const {
    for (std::string_view size : {"display", "text", "bigg", "Bigg", "big", "Big", "widest", "wider", "wide"}) {
        if (name.size() <= size.size() || name.substr(name.size() - size.size()) != size) continue;
        auto it = names_.find(std::string(name.substr(0, name.size() - size.size())));
        if (it != names_.end()) return it->second;
    }
    return {};
}

std::u32string GlyphList::ToUnicode(std::string_view name) const {
    name = name.substr(0, name.find('.'));
    if (name.find('_') == std::string_view::npos && !names_.count(std::string(name)))
        if (std::u32string sized = SizedSymbol(name); !sized.empty()) return sized;
    std::u32string out;
    while (!name.empty()) {
        size_t bar = name.find('_');
        out += Component(name.substr(0, bar));
        if (bar == std::string_view::npos) break;
        name.remove_prefix(bar + 1);
    }
    return out;
}

}  // namespace ksdvi

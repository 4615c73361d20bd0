#include "font/CMapText.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/kpathsea/KPathSea.h"

namespace ksdvi {

namespace {

// Adobe's CMaps are a few hundred kilobytes at most.
constexpr std::streamoff kLargestCMap = 1 << 22;
// ToUnicode values are a few characters: a ligature's, a surrogate pair.
constexpr size_t kMostUnits = 16;

// "<hhhh>" as a code of two bytes.
std::optional<std::uint32_t> Code(std::string const& word) {
    std::optional<std::u16string> const units = HexUnits(word);
    if (!units || units->size() != 1) return std::nullopt;
    return (*units)[0];
}

std::optional<std::uint32_t> Number(std::string const& word) {
    if (word.empty() || word.size() > 6 ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(word));
}

// The word before `key` in the text ("/H usecmap"), without its slash.
std::string NameBefore(std::string_view text, std::string_view key) {
    size_t const at = text.find(key);
    if (at == std::string_view::npos) return {};
    size_t end = at;
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    size_t start = end;
    while (start > 0 && !std::isspace(static_cast<unsigned char>(text[start - 1]))) --start;
    if (end - start < 2 || text[start] != '/') return {};
    return std::string(text.substr(start + 1, end - start - 1));
}

}  // namespace

std::optional<std::u16string> HexUnits(std::string_view word) {
    if (word.size() < 6 || word.front() != '<' || word.back() != '>' || (word.size() - 2) % 4 != 0 ||
        (word.size() - 2) / 4 > kMostUnits)
        return std::nullopt;
    std::u16string units;
    for (size_t at = 1; at + 4 < word.size(); at += 4) {
        char16_t unit = 0;
        for (char c : word.substr(at, 4)) {
            auto const u = static_cast<unsigned char>(c);
            if (!std::isxdigit(u)) return std::nullopt;
            unit = static_cast<char16_t>(unit * 16 + (std::isdigit(u) ? u - '0' : std::tolower(u) - 'a' + 10));
        }
        units.push_back(unit);
    }
    return units;
}

void ForEachPairWord(std::string_view text, std::string_view kind,
                     std::function<bool(CMapBlock block, std::string& word, bool first)> const& take) {
    std::string const k(kind);
    std::string const chars = "begin" + k + "char", ranges = "begin" + k + "range";
    std::string const charsEnd = "end" + k + "char", rangesEnd = "end" + k + "range";
    std::istringstream in{std::string(text)};
    CMapBlock block = CMapBlock::Chars;
    bool inBlock = false, first = false;
    for (std::string word; in >> word;) {
        if (word == chars || word == ranges) {
            block = word == chars ? CMapBlock::Chars : CMapBlock::Ranges;
            inBlock = first = true;
        } else if (word == charsEnd || word == rangesEnd) {
            inBlock = false;
        } else if (inBlock) {
            if (!take(block, word, first)) return;
            first = false;
        }
    }
}

std::vector<CidPair> CidPairs(std::string_view text, size_t most) {
    std::vector<CidPair> pairs;
    std::vector<std::string> pending;
    ForEachPairWord(text, "cid", [&](CMapBlock block, std::string& word, bool first) {
        if (first) pending.clear();
        pending.push_back(word);
        if (pending.size() < (block == CMapBlock::Chars ? 2u : 3u)) return true;
        std::optional<std::uint32_t> const from = Code(pending[0]);
        std::optional<std::uint32_t> const last = block == CMapBlock::Chars ? from : Code(pending[1]);
        std::optional<std::uint32_t> const cid = Number(pending.back());
        if (from && last && cid && *from <= *last) pairs.push_back(CidPair{*from, *last, *cid});
        pending.clear();
        return pairs.size() < most;
    });
    return pairs;
}

std::string UsedCMap(std::string_view text) { return NameBefore(text, "usecmap"); }

std::string CMapOrdering(std::string_view text) {
    size_t const at = text.find("/Ordering");
    if (at == std::string_view::npos) return {};
    size_t const open = text.find('(', at), close = text.find(')', at);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open || close - open > 32)
        return {};
    return std::string(text.substr(open + 1, close - open - 1));
}

std::string ReadCMap(KPathSea* finder, std::string const& name) {
    if (!finder || name.empty() || name.size() > 64 || !std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
        }))
        return {};
    std::string const path = finder->Find(name, KPathSea::Format::CMap);
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return {};
    std::string text(static_cast<size_t>(kLargestCMap), '\0');
    in.read(text.data(), kLargestCMap);
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

}  // namespace ksdvi

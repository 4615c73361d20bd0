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

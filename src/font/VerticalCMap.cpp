#include "font/VerticalCMap.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "font/CMapText.h"

namespace ksdvi {

namespace {

constexpr size_t kMostPairs = 200000;

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

}  // namespace

VerticalCMap VerticalCMap::Parse(std::string_view text) {
    VerticalCMap cmap;
    std::vector<std::string> pending;
    size_t order = 0;
    std::vector<std::pair<size_t, Range>> pairs;
    ForEachPairWord(text, "cid", [&](CMapBlock block, std::string& word, bool first) {
        if (first) pending.clear();
        pending.push_back(word);
        if (pending.size() < (block == CMapBlock::Chars ? 2u : 3u)) return true;
        std::optional<std::uint32_t> const from = Code(pending[0]);
        std::optional<std::uint32_t> const last = block == CMapBlock::Chars ? from : Code(pending[1]);
        std::optional<std::uint32_t> const cid = Number(pending.back());
        if (from && last && cid && *from <= *last) pairs.push_back({order++, Range{*from, *last, *cid}});
        pending.clear();
        return pairs.size() < kMostPairs;
    });
    // A later pair wins over an earlier one for the same code.
    std::stable_sort(pairs.begin(), pairs.end(), [](auto const& a, auto const& b) {
        return a.second.first != b.second.first ? a.second.first < b.second.first : a.first > b.first;
    });
    for (auto const& [at, range] : pairs) cmap.ranges_.push_back(range);
    return cmap;
}

std::optional<std::uint32_t> VerticalCMap::Cid(std::uint32_t code) const {
    // Ranges are few and short: the first that holds the code, from the
    // last that starts at or before it backwards.
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), code,
                               [](std::uint32_t c, Range const& r) { return c < r.first; });
    while (it != ranges_.begin()) {
        --it;
        if (code <= it->last) return it->cid + (code - it->first);
        if (code - it->first > 0xFFFF) break;
    }
    return std::nullopt;
}

std::shared_ptr<VerticalCMap const> FindVerticalCMap(KPathSea* finder, std::string const& name) {
    // Adobe's vertical CMaps' names end in V.
    if (!finder || name.empty() || name.back() != 'V') return nullptr;
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<VerticalCMap const>> read;
    std::lock_guard lock(mutex);
    if (auto it = read.find(name); it != read.end()) return it->second;
    std::shared_ptr<VerticalCMap const>& cmap = read[name];
    std::string const text = ReadCMap(finder, name);
    auto parsed = std::make_shared<VerticalCMap const>(VerticalCMap::Parse(text));
    if (!parsed->Empty()) cmap = std::move(parsed);
    return cmap;
}

}  // namespace ksdvi

#include "font/VerticalCMap.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "font/CMapText.h"

namespace ksdvi {

namespace {

constexpr size_t kMostPairs = 200000;

}  // namespace

VerticalCMap VerticalCMap::Parse(std::string_view text) {
    VerticalCMap cmap;
    std::vector<CidPair> const pairs = CidPairs(text, kMostPairs);
    std::vector<size_t> order(pairs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    // A later pair wins over an earlier one for the same code.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return pairs[a].first != pairs[b].first ? pairs[a].first < pairs[b].first : a > b;
    });
    for (size_t i : order) cmap.ranges_.push_back(Range{pairs[i].first, pairs[i].last, pairs[i].cid});
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

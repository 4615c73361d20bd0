#include "font/CidCMap.h"

#include <map>
#include <mutex>
#include <utility>

#include "font/CMapText.h"

namespace ksdvi {

namespace {

constexpr size_t kMostPairs = 200000;
// Codes given CIDs, overlaps counted again: Adobe's largest CMaps give some
// tens of thousands; a CMap of the document's own tree may ask for more.
constexpr size_t kMostCodes = size_t(1) << 20;
constexpr int kMostUsed = 4;  // Adobe's CMaps use one at most

// The CMap of that name, read once per process: with the CMaps it uses, or
// its own pairs alone.
std::shared_ptr<CidCMap const> ReadOnce(KPathSea* finder, std::string const& name, bool withUsed) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, bool>, std::shared_ptr<CidCMap const>> read;
    std::lock_guard lock(mutex);
    auto const key = std::pair{name, withUsed};
    if (auto it = read.find(key); it != read.end()) return it->second;
    std::shared_ptr<CidCMap const>& found = read[key];
    std::string text = ReadCMap(finder, name);
    auto cmap = std::make_shared<CidCMap>(CidCMap::Parse(text));
    for (int depth = 0; withUsed && depth < kMostUsed && !(text = ReadCMap(finder, UsedCMap(text))).empty(); ++depth)
        cmap->Under(CidCMap::Parse(text));
    if (!cmap->Empty()) found = std::move(cmap);
    return found;
}

}  // namespace

CidCMap CidCMap::Parse(std::string_view text) {
    CidCMap cmap;
    cmap.ordering_ = CMapOrdering(text);
    size_t codes = 0;
    for (CidPair const& pair : CidPairs(text, kMostPairs)) {
        if (pair.last > 0xFFFF || pair.cid + (pair.last - pair.first) > 0xFFFF) continue;
        if ((codes += pair.last - pair.first + 1) > kMostCodes) break;
        if (cmap.cids_.size() <= pair.last) cmap.cids_.resize(pair.last + 1, 0);
        for (std::uint32_t code = pair.first; code <= pair.last; ++code)
            cmap.cids_[code] = static_cast<std::uint16_t>(pair.cid + (code - pair.first));
    }
    return cmap;
}

void CidCMap::Under(CidCMap const& used) {
    if (cids_.size() < used.cids_.size()) cids_.resize(used.cids_.size(), 0);
    for (size_t code = 0; code < used.cids_.size(); ++code)
        if (!cids_[code]) cids_[code] = used.cids_[code];
    if (ordering_.empty()) ordering_ = used.ordering_;
}

std::optional<std::uint32_t> CidCMap::Cid(std::uint32_t code) const {
    if (code >= cids_.size() || cids_[code] == 0) return std::nullopt;
    return cids_[code];
}

std::shared_ptr<CidCMap const> FindCidCMap(KPathSea* finder, std::string const& name) {
    if (!finder || name.empty()) return nullptr;
    return ReadOnce(finder, name, true);
}

std::shared_ptr<CidCMap const> FindVerticalCMap(KPathSea* finder, std::string const& name) {
    // Adobe's vertical CMaps' names end in V.
    if (!finder || name.empty() || name.back() != 'V') return nullptr;
    return ReadOnce(finder, name, false);
}

}  // namespace ksdvi

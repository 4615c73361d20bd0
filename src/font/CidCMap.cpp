#include "font/CidCMap.h"

#include <map>
#include <mutex>

#include "font/CMapText.h"

namespace ksdvi {

namespace {

constexpr size_t kMostPairs = 200000;
constexpr int kMostUsed = 4;  // Adobe's CMaps use one at most

}  // namespace

CidCMap CidCMap::Parse(std::string_view text) {
    CidCMap cmap;
    cmap.ordering_ = CMapOrdering(text);
    for (CidPair const& pair : CidPairs(text, kMostPairs)) {
        if (pair.last > 0xFFFF || pair.cid + (pair.last - pair.first) > 0xFFFF) continue;
        if (cmap.cids_.size() <= pair.last) cmap.cids_.resize(pair.last + 1, 0);
        for (std::uint32_t code = pair.first; code <= pair.last; ++code)
            cmap.cids_[code] = static_cast<std::uint16_t>(pair.cid + (code - pair.first));
    }
    return cmap;
}

std::optional<std::uint32_t> CidCMap::Cid(std::uint32_t code) const {
    if (code >= cids_.size() || cids_[code] == 0) return std::nullopt;
    return cids_[code];
}

std::shared_ptr<CidCMap const> FindCidCMap(KPathSea* finder, std::string const& name) {
    if (!finder || name.empty()) return nullptr;
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<CidCMap const>> read;
    std::lock_guard lock(mutex);
    if (auto it = read.find(name); it != read.end()) return it->second;
    std::shared_ptr<CidCMap const>& found = read[name];
    std::string text = ReadCMap(finder, name);
    auto cmap = std::make_shared<CidCMap>(CidCMap::Parse(text));
    // The codes the CMaps underneath give, where this one gives none.
    for (int depth = 0; depth < kMostUsed && !(text = ReadCMap(finder, UsedCMap(text))).empty(); ++depth) {
        CidCMap const used = CidCMap::Parse(text);
        if (cmap->cids_.size() < used.cids_.size()) cmap->cids_.resize(used.cids_.size(), 0);
        for (size_t code = 0; code < used.cids_.size(); ++code)
            if (!cmap->cids_[code]) cmap->cids_[code] = used.cids_[code];
        if (cmap->ordering_.empty()) cmap->ordering_ = used.ordering_;
    }
    if (!cmap->Empty()) found = std::move(cmap);
    return found;
}

}  // namespace ksdvi

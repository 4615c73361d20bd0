#pragma once
// The CIDs dvipdfmx gives pTeX's and upTeX's codes in a CID-keyed face: every
// code of the font's CMap (H, UniJIS-UTF16-H ...), with the CMaps it uses
// underneath (V uses H). Through the CMap a code can take another glyph than
// its Unicode character takes in the face's own table: H gives JIS's “ the
// full-width CID 672, where the face's table gives U+201C a proportional one.
//
// A vertical CMap's own pairs, without the CMap it uses, are the characters
// that have a glyph of their own standing down the page (arrows turned,
// brackets and the era ligatures set for columns): what a face's `vert`
// feature would pick. Its other codes stand as they are.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class KPathSea;

namespace ksdvi {

class CidCMap {
public:
    // The pairs of CMap text, later pairs over earlier ones; codes of two
    // bytes only.
    static CidCMap Parse(std::string_view text);

    // The CID of a code, none when the CMap has none.
    std::optional<std::uint32_t> Cid(std::uint32_t code) const;
    // The character collection its CIDs count in (Japan1, Korea1 ...).
    std::string const& Ordering() const { return ordering_; }
    bool Empty() const { return cids_.empty(); }
    // Gives the codes this CMap has no CID for the CIDs of `used`, the CMap
    // it uses underneath.
    void Under(CidCMap const& used);

private:
    std::vector<std::uint16_t> cids_;  // by code; 0 for none
    std::string ordering_;
};

// The installation's CMap of that name with the CMaps it uses, read once per
// process; null when there is none.
std::shared_ptr<CidCMap const> FindCidCMap(KPathSea* finder, std::string const& name);

// The own pairs of the installation's vertical CMap of that name (its name
// ends in V), read once per process; null when there is none or it is not
// vertical.
std::shared_ptr<CidCMap const> FindVerticalCMap(KPathSea* finder, std::string const& name);

}  // namespace ksdvi

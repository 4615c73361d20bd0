#pragma once
// The character of each CID of Adobe-Japan1, as the installation's ToUnicode
// CMap (Adobe-Japan1-UCS2) gives it: the text of fonts whose codes are CIDs
// (Identity-H and -V, the otf package's \CID).

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class KPathSea;

namespace ksdvi {

class CidCharacters {
public:
    // The bfchar and bfrange pairs of ToUnicode CMap text, CIDs of two bytes;
    // of a value of several characters, the first.
    static CidCharacters Parse(std::string_view text);

    // 0 when the CMap gives the CID no character.
    char32_t Of(std::uint32_t cid) const { return cid < characters_.size() ? characters_[cid] : 0; }
    bool Empty() const { return characters_.empty(); }

private:
    std::vector<char32_t> characters_;  // by CID
};

// Adobe-Japan1's, read once per process; null when it is not installed.
std::shared_ptr<CidCharacters const> AdobeJapan1Characters(KPathSea* finder);

}  // namespace ksdvi

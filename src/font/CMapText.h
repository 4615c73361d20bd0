#pragma once
// What Adobe's CMap files are made of, for the readers of their pairs
// (CidCMap, CidCharacters): hexadecimal codes, and the files themselves.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class KPathSea;

namespace ksdvi {

// "<hhhh...>" as its 16-bit units: a code of two bytes, or UTF-16 text. None
// for any other word.
std::optional<std::u16string> HexUnits(std::string_view word);

enum class CMapBlock { Chars, Ranges };

// Hands `take` each word inside the text's blocks of pairs, with its block's
// kind and, for a block's first word, `first` set. `kind` is "cid"
// (begincidchar ... endcidchar, begincidrange ... endcidrange) or "bf"
// (beginbfchar, beginbfrange). Stops when `take` returns false.
void ForEachPairWord(std::string_view text, std::string_view kind,
                     std::function<bool(CMapBlock block, std::string& word, bool first)> const& take);

// A block's code -> CID pair: codes `first` to `last` have CIDs from `cid` on.
struct CidPair {
    std::uint32_t first, last, cid;
};

// The cidchar and cidrange pairs of CMap text in the file's order, codes of
// two bytes only (JIS and the UTF-16 of the basic plane); at most `most`.
std::vector<CidPair> CidPairs(std::string_view text, size_t most);

// The name of the CMap that the text's CMap uses underneath (/Name usecmap),
// "" for none.
std::string UsedCMap(std::string_view text);

// The Ordering of the text's CIDSystemInfo (Japan1, Korea1 ...), "" for none.
std::string CMapOrdering(std::string_view text);

// The installation's CMap file of that name (letters, digits and dashes), up
// to Adobe's largest size; empty when there is none.
std::string ReadCMap(KPathSea* finder, std::string const& name);

}  // namespace ksdvi

#pragma once
// What Adobe's CMap files are made of, for the readers of their pairs
// (VerticalCMap, CidCharacters): hexadecimal codes, and the files themselves.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// The installation's CMap file of that name (letters, digits and dashes), up
// to Adobe's largest size; empty when there is none.
std::string ReadCMap(KPathSea* finder, std::string const& name);

}  // namespace ksdvi

#pragma once
// What Adobe's CMap files are made of, for the readers of their pairs
// (VerticalCMap, CidCharacters): hexadecimal codes, and the files themselves.

#include <optional>
#include <string>
#include <string_view>

class KPathSea;

namespace ksdvi {

// "<hhhh...>" as its 16-bit units: a code of two bytes, or UTF-16 text. None
// for any other word.
std::optional<std::u16string> HexUnits(std::string_view word);

// The installation's CMap file of that name (letters, digits and dashes), up
// to Adobe's largest size; empty when there is none.
std::string ReadCMap(KPathSea* finder, std::string const& name);

}  // namespace ksdvi

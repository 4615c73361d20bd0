#pragma once
// The PostScript of an EPS file. A DOS EPS binary (header C5 D0 D3 C6) keeps
// it beside a TIFF or metafile preview, at an offset its header gives.

#include <cstdint>
#include <optional>
#include <utility>

namespace ksdvi {

inline constexpr int kDosEpsHeaderSize = 12;

// Where the PostScript lies (offset, length) when `header` begins a DOS EPS
// binary; the length is cut at 1 GiB.
std::optional<std::pair<std::uint32_t, std::uint32_t>> DosEpsPostScript(unsigned char const* header);

}  // namespace ksdvi

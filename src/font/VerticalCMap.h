#pragma once
// The vertical glyphs dvipdfmx takes for pTeX's and upTeX's characters in
// vertical text. A vertical CMap (V, UniJIS-UTF16-V, ...) is its horizontal
// one (usecmap) with its own code -> CID pairs on top: those pairs are the
// characters that have a glyph of their own standing down the page (arrows
// turned, brackets and the era ligatures set for columns), which is what a
// face's `vert` feature would pick. Its other codes stand as they are.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class KPathSea;

namespace ksdvi {

class VerticalCMap {
public:
    // The pairs of CMap text; codes of two bytes only (JIS and the UTF-16
    // of the basic plane, which is where vertical forms are).
    static VerticalCMap Parse(std::string_view text);

    // The CID for a code, none when the CMap gives it no vertical glyph.
    std::optional<std::uint32_t> Cid(std::uint32_t code) const;
    bool Empty() const { return ranges_.empty(); }

private:
    struct Range {
        std::uint32_t first, last, cid;
    };
    std::vector<Range> ranges_;  // sorted, the later of overlapping pairs first
};

// The installation's CMap of that name (a vertical one: its name ends in V),
// read once per process; null when there is none or it is not vertical.
std::shared_ptr<VerticalCMap const> FindVerticalCMap(KPathSea* finder, std::string const& name);

}  // namespace ksdvi

#pragma once
// dvipdfmx's map files for pTeX's and upTeX's fonts: `NAME CMAP FONT
// [options]`, CMAP `unicode` for the face's own Unicode table, FONT a file
// or a face name, `!` (not embedded) and `:n:` (a
// face of a collection) before it, `,Bold` after it. The active map is
// kanjix.map, which updmap writes for its jaEmbed setting; the maps of the
// families TeX Live ships follow it, for entries whose faces are not
// installed (jaEmbed=noEmbed names Ryumin-Light).

#include <string>
#include <string_view>
#include <vector>

#include "font/JapaneseFont.h"

class KPathSea;

namespace ksdvi {

struct JapaneseMapLine;

// The entries for the JFM `name` (vertical: a tate JFM), in map order: the
// last of the document's own lines for it first (`documentLines` may be
// null), then the installation's maps. A font no map names gets the CMap its
// name suggests (upTeX's begin with u). Maps are read once per process;
// `finder` may be null (no maps).
JapaneseFont FindJapaneseFont(KPathSea* finder, std::string const& name, bool vertical,
                              std::vector<JapaneseMapLine> const* documentLines = nullptr);

// The map files read, in order.
char const* const* JapaneseMapNames();

// One line of such a map; false for comments and lines that are not entries.
struct JapaneseMapLine {
    std::string name, cmap, font;
    unsigned index = 0;
};
bool ParseJapaneseMapLine(std::string_view line, JapaneseMapLine& out);

}  // namespace ksdvi

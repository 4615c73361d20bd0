#pragma once
// The `src:` specials that `tex -src-specials` writes where a source line
// begins to be set: `src:LINE FILE`, `src:LINEFILE`, `src:LINE:COLUMN FILE`,
// and without a file for the file of the one before.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ksdvi {

struct SourceSpecial {
    int line = 0;      // 1-based
    int column = 0;    // 1-based; 0 when the special gives none
    std::string file;  // as TeX wrote it; empty: the file of the special before
};

// Longest file name a special may give; longer ones are not names TeX wrote.
inline constexpr size_t kLongestSourceName = 4096;

// What follows `src:`; nullopt when it is no line number and file name.
std::optional<SourceSpecial> ParseSourceSpecial(std::string_view args);

}  // namespace ksdvi

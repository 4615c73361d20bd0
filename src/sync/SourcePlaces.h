#pragma once
// What source sync answers: where a source line was set, and which source
// line set a place of a page.

#include <cstdint>
#include <string>

namespace ksdvi {

// A box of a page in DVI units from TeX's origin, y growing downwards.
struct SourceBox {
    int page = 0;  // 0-based
    int32_t left = 0, top = 0, width = 0, height = 0;
};

struct SourceLocation {
    std::string file;  // absolute, as ComparableSourcePath makes it
    int line = 0;      // 1-based
    int column = 0;    // 1-based; 0 for the whole line
};

}  // namespace ksdvi

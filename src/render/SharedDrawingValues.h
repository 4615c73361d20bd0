#pragma once
// The drawing values the binary "#" records set, which documents expect to
// carry over from page to page: one set per document, kept with it, so that
// documents drawn side by side on two threads never share them, and pages
// of a document carry the values of the page drawn before.

#include <array>
#include <cstdint>
#include <memory>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/RasterOps.h"
#include "platform/gdi/Types.h"

class KsDvi;

namespace ksdvi {

struct SharedDrawingValues {
    static constexpr int kSolidBrush = -1;
    static constexpr int kPatternBrush = -2;
    static constexpr int kColourEntries = 1024;

    struct ColourEntry {
        uint16_t red = 0, green = 0, blue = 0;
        int16_t kind = kSolidBrush;
        std::shared_ptr<gdi::CBitmap> pattern;
    };

    // The drawing-mode record.
    uint32_t modeValue = 0;
    bool modeValueSet = false;
    uint32_t rasterOperation = gdi::SRCCOPY;
    int rop2 = gdi::R2_COPYPEN;

    int16_t penStyle = 0;
    int penWidth = 1;  // device dots
    gdi::COLORREF penColour = 0;
    gdi::COLORREF brushColour = 0;
    int brushKind = kSolidBrush;  // or a hatch style
    std::shared_ptr<gdi::CBitmap> brushPattern;
    // Entries 1 to 1024 at indices 0 to 1023.
    std::array<ColourEntry, kColourEntries> entries;
    // Once set, horizontal and vertical line records reach one dot further at each end.
    bool extendLines = false;

    // What a new page starts from; colours and entries carry over.
    void ResetForPage() {
        modeValue = 0;
        modeValueSet = false;
        rasterOperation = gdi::SRCCOPY;
        rop2 = gdi::R2_COPYPEN;
        penStyle = 0;
        penWidth = 1;
    }
};

// The document's values, made on first use.
SharedDrawingValues& DrawingValuesOf(KsDvi& dvi);

}  // namespace ksdvi

#pragma once
// A pass over one page that follows its colour specials (dvips' and
// xdvipdfmx's `color push/pop/set`) from the colour stack the page begins
// with: what collects a page's PostScript or pdf: drawing, to hand the
// colours on with it.

#include <optional>
#include <string_view>

#include "dvi/KsDvi.h"
#include "interp/KsDviDrawerBase.h"

namespace ksdvi {

class PageColourCollector : public KsDviDrawerBase {
public:
    // Runs page `page` of `dvi` (what comes before damage in it); false when
    // it cannot be opened.
    bool Collect(KsDvi& dvi, int page);
    // The colour in force where the page begins (0x00BBGGRR).
    unsigned int StartColour() const { return startColour_; }

protected:
    // The colour in force after the colour special `special` ("color ...",
    // "pdf:bcolor ..." and the others of PdfDrawingSpecials.h); none for
    // another special or one that does not parse.
    std::optional<unsigned int> ColourAfter(std::string_view special);

private:
    static constexpr int kColourStack = KsDvi::ColorStackSize;
    unsigned int colours_[kColourStack] = {};
    int depth_ = 1;
    unsigned int startColour_ = 0;
    SpotColours const* spots_ = nullptr;
};

}  // namespace ksdvi

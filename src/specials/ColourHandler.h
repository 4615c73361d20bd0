#pragma once
// Colour: ksdvi's keywords (components r g b in 0..1)
//   colorpush: R G B   colorpop:   color: R G B   backgroundcolor: R G B
// and dvips' (DvipsColour.h), which TeX's colour packages write. The
// document keeps the stack each page begins with and the background each
// page ends with; a page keeps its own stack while it is painted.

#include <array>
#include <cstdint>

#include "dvi/KsDvi.h"
#include "specials/SpecialHandler.h"

namespace ksdvi {

struct DvipsColorChange;

class ColourHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::ColorPush,  SpecialFamily::ColorPop,
                                                  SpecialFamily::Color,      SpecialFamily::BackgroundColor,
                                                  SpecialFamily::DvipsColor, SpecialFamily::DvipsBackground};
    static constexpr int kStackSize = KsDvi::ColorStackSize;

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    void BeginPage(KsDvi const& document, int page) override;
    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;

    // A change of the stack by another family (dvipdfmx's pdf:bcolor).
    void Change(SpecialPage& page, DvipsColorChange const& change);
    // The document's colours (spots, how CMYK shows), while a page is painted.
    SpotColours const* Spots() const { return spots_; }

    // The colour on top of the page's stack (black when it is empty).
    std::uint32_t Current() const { return depth_ > 0 ? stack_[static_cast<size_t>(depth_ - 1)] : 0; }

private:
    std::array<unsigned int, kStackSize> stack_{};
    int depth_ = 0;
    SpotColours const* spots_ = nullptr;  // the document's, while a page is painted
};

}  // namespace ksdvi

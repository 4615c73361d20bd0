#pragma once
// tpic's specials (TpicSpecials.h): the document notes the pages that have
// them, and those pages' PDF drawing paints them (render/PdfDrawingPage.h),
// so the page pass has nothing left to do.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class TpicHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Tpic};

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    bool Paint(SpecialPage&, SpecialFamily, unsigned char*, unsigned char*) override { return true; }
};

}  // namespace ksdvi

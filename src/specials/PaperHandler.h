#pragma once
// dvips' papersize=W,H: the first that reads as a size is the document's
// paper (page/Paper.h); `landscape` alone turns that paper, or the default,
// to landscape, as dvipdfmx does. Nothing is painted.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class PaperHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::PaperSize, SpecialFamily::Landscape};

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
};

}  // namespace ksdvi

#pragma once
// XeTeX's documents speak to xdvipdfmx in pdf: specials (links, bookmarks,
// annotations, the paper). The paper of pdf:pagesize width W height H is
// taken as dvips' papersize; the other kinds are kept to be named once.
// Nothing is painted.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class PdfHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Pdf};

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    bool Paint(SpecialPage&, SpecialFamily, unsigned char*, unsigned char*) override { return true; }
};

}  // namespace ksdvi

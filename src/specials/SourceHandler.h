#pragma once
// src:LINE FILE, which `tex -src-specials` writes where a source line
// begins: source sync (src/sync) reads them itself; the document records
// nothing of them and the page shows nothing.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class SourceHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Source};

    bool Scan(SpecialScan&, SpecialFamily, unsigned char*, unsigned char*) override { return true; }
    bool Paint(SpecialPage&, SpecialFamily, unsigned char*, unsigned char*) override { return true; }
};

}  // namespace ksdvi

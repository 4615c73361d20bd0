#pragma once
// Binary records: '#', a 16-bit big-endian code, then the code's fields. The
// document keeps the record resolution (code 0: resolution[2]) and the faces
// the records name (code 2: unused[4], a NUL-terminated face name); the
// painter draws the pictures records name. The records that draw are played
// by the painter's record interpreter before any keyword is looked at.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class RecordHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Record};

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;
};

}  // namespace ksdvi

#include "specials/TpicHandler.h"

#include "specials/SpecialScan.h"

namespace ksdvi {

bool TpicHandler::Scan(SpecialScan& scan, SpecialFamily, unsigned char*, unsigned char*) {
    scan.NotePathDrawing();
    return true;
}

}  // namespace ksdvi

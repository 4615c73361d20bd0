#include "specials/PaperHandler.h"

#include <string_view>

#include "specials/SpecialParsing.h"
#include "specials/SpecialScan.h"

namespace ksdvi {

bool PaperHandler::Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) {
    if (family == SpecialFamily::Landscape) {
        if (!OnlyBlanksLeft(args)) return false;
        scan.SetLandscape();
        return true;
    }
    scan.SetPaper(std::string_view(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)));
    return true;
}

}  // namespace ksdvi

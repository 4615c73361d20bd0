#include "specials/PaperHandler.h"

#include <string_view>

#include "specials/SpecialScan.h"

namespace ksdvi {

bool PaperHandler::Scan(SpecialScan& scan, SpecialFamily, unsigned char* args, unsigned char* end) {
    scan.SetPaper(std::string_view(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)));
    return true;
}

}  // namespace ksdvi

#include "specials/PdfHandler.h"

#include <cctype>
#include <sstream>
#include <string>
#include <string_view>

#include "specials/SpecialScan.h"

namespace ksdvi {

bool PdfHandler::Scan(SpecialScan& scan, SpecialFamily, unsigned char* args, unsigned char* end) {
    std::string_view const text(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args));
    size_t length = 0;
    while (length < text.size() && length < 28 && std::isalpha(static_cast<unsigned char>(text[length]))) ++length;
    std::string kind = "pdf:" + std::string(text.substr(0, length));
    if (kind != "pdf:pagesize") {
        scan.NoteEngineSpecial(std::move(kind));
        return true;
    }
    std::istringstream words{std::string(text.substr(length))};
    std::string word, width, height;
    while (words >> word) {
        if (word == "width") words >> width;
        if (word == "height") words >> height;
    }
    if (!width.empty() && !height.empty()) scan.SetPaper(width + "," + height);
    return true;
}

}  // namespace ksdvi

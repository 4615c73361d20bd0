#include "HostDocument.h"

#include <cstring>

void HostDocument::DoSpecial(unsigned char* text, int length) {
    KsDvi::DoSpecial(text, length);
    static constexpr char kPaper[] = "papersize=";
    constexpr int n = sizeof kPaper - 1;
    if (!paper_ && length > n && std::memcmp(text, kPaper, n) == 0)
        paper_ =
            ParsePaperSpecial(std::string(reinterpret_cast<char const*>(text) + n, static_cast<size_t>(length - n)));
}

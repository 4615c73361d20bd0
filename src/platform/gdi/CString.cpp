#include "platform/gdi/CString.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <vector>

namespace ksdvi::gdi {

int CString::CompareNoCase(const char* o) const { return strcasecmp(s_.c_str(), o ? o : ""); }

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || std::size_t(start) > s_.size()) return -1;
    const std::size_t at = s_.find(sub, std::size_t(start));
    return at == std::string::npos ? -1 : int(at);
}

CString CString::Mid(int first, int n) const {
    if (first < 0) first = 0;
    if (std::size_t(first) >= s_.size()) return {};
    return s_.substr(std::size_t(first), n < 0 ? std::string::npos : std::size_t(n));
}

CString CString::Right(int n) const {
    if (n <= 0) return {};
    const std::size_t k = std::min(s_.size(), std::size_t(n));
    return s_.substr(s_.size() - k);
}

void CString::MakeUpper() {
    for (char& c : s_) c = char(std::toupper(static_cast<unsigned char>(c)));
}

void CString::MakeLower() {
    for (char& c : s_) c = char(std::tolower(static_cast<unsigned char>(c)));
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n >= 0) {
        std::vector<char> buffer(std::size_t(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        s_.assign(buffer.data(), std::size_t(n));
    }
    va_end(args);
}

}  // namespace ksdvi::gdi

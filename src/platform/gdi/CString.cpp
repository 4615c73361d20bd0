#include "platform/gdi/CString.h"

#include <algorithm>

namespace ksdvi::gdi {

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || std::size_t(start) > s_.size()) return -1;
    const std::size_t at = s_.find(sub, std::size_t(start));
    return at == std::string::npos ? -1 : int(at);
}

CString CString::Right(int n) const {
    if (n <= 0) return {};
    const std::size_t k = std::min(s_.size(), std::size_t(n));
    return s_.substr(s_.size() - k);
}

}  // namespace ksdvi::gdi

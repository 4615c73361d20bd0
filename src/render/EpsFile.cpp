#include "render/EpsFile.h"

#include <algorithm>

namespace ksdvi {

std::optional<std::pair<std::uint32_t, std::uint32_t>> DosEpsPostScript(unsigned char const* header) {
    if (header[0] != 0xC5 || header[1] != 0xD0 || header[2] != 0xD3 || header[3] != 0xC6) return std::nullopt;
    auto little = [&](int at) {
        return std::uint32_t(header[at]) | std::uint32_t(header[at + 1]) << 8 | std::uint32_t(header[at + 2]) << 16 |
               std::uint32_t(header[at + 3]) << 24;
    };
    return std::pair{little(4), std::min<std::uint32_t>(little(8), 1u << 30)};
}

}  // namespace ksdvi

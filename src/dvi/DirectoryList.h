#pragma once
// Directories as KsDvi::Open takes them for metric and virtual-font files:
// each ending in '/', empty ones left out.

#include <string>
#include <vector>

#include "stream/DList.h"
#include "stream/String8.h"

namespace ksdvi {

inline DList<String8> DirectoryList(std::vector<std::string> const& dirs) {
    DList<String8> list;
    for (std::string dir : dirs) {
        if (dir.empty()) continue;
        if (dir.back() != '/') dir.push_back('/');
        list.Append(String8(dir));
    }
    return list;
}

}  // namespace ksdvi

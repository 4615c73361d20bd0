#include "platform/gs/GsHostPath.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace ksdvi::gs {

namespace {

namespace fs = std::filesystem;

bool IsProgram(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file this code was loaded from: a shared object, or the program the
// library is linked into. The program's own entry in the loader's list has
// no name; the kernel knows its file.
fs::path CodeFile() {
    Dl_info info;
    link_map* map = nullptr;
    std::error_code ec;
    if (dladdr1(reinterpret_cast<void*>(&CodeFile), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 &&
        map && map->l_name && map->l_name[0] != '\0') {
        fs::path file = fs::canonical(map->l_name, ec);
        return ec ? fs::path() : file;
    }
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : program;
}

// The places of steps 2 to 4 (GsHostPath.h) that are known, and whether each
// goes into the warning.
struct Place {
    std::string path;
    bool named;
};

std::vector<Place> Places() {
    std::vector<Place> places;
#ifdef KSDVI_GS_HOST_BESIDE
    const fs::path code = CodeFile();
    if (!code.empty())
        places.push_back({(code.parent_path() / KSDVI_GS_HOST_BESIDE).lexically_normal().string(), true});
#endif
    places.push_back({KSDVI_GS_HOST_INSTALLED, true});
    // The build tree is no place a user of an installed library should be told of.
    places.push_back({KSDVI_GS_HOST_BUILT, false});
    return places;
}

}  // namespace

bool FindHost(std::string* path, std::string* why) {
    const std::string kMissing = "Ghostscript's helper ksdvi-gs-host is not installed (looked in ";
    if (const char* chosen = std::getenv(kHostPathVariable); chosen && *chosen) {
        if (IsProgram(chosen)) {
            *path = chosen;
            return true;
        }
        *why = kMissing + chosen + ", as " + kHostPathVariable + " says)";
        return false;
    }
    std::vector<std::string> named;
    for (const Place& place : Places()) {
        if (IsProgram(place.path)) {
            *path = place.path;
            return true;
        }
        if (place.named && std::find(named.begin(), named.end(), place.path) == named.end())
            named.push_back(place.path);
    }
    std::string lookedIn;
    for (const std::string& p : named) lookedIn += (lookedIn.empty() ? "" : ", ") + p;
    *why = kMissing + lookedIn + ")";
    return false;
}

}  // namespace ksdvi::gs

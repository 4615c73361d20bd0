#pragma once
// The Ghostscript helpers this process has started and still runs: its
// children that run ksdvi-gs-host, by process id (from each process's
// /proc/PID/stat, which every Linux kernel has).

#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

inline std::set<pid_t> RunningGhostscriptHelpers() {
    std::set<pid_t> helpers;
    std::error_code error;
    for (auto const& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::string const name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string const stat((std::istreambuf_iterator<char>(in)), {});
        // "PID (COMM) STATE PPID ...": the name may hold spaces and parentheses.
        size_t const open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size()) continue;
        pid_t const parent = static_cast<pid_t>(std::atol(stat.c_str() + close + 4));
        if (parent == getpid() && stat.compare(open + 1, close - open - 1, "ksdvi-gs-host") == 0)
            helpers.insert(static_cast<pid_t>(std::atol(name.c_str())));
    }
    return helpers;
}

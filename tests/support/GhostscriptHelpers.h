#pragma once
// The Ghostscript helpers this process has started and still runs: the
// children of its threads that run ksdvi-gs-host, by process id.

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

inline std::set<pid_t> RunningGhostscriptHelpers() {
    std::set<pid_t> helpers;
    std::error_code error;
    for (auto const& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream children(task.path() / "children");
        for (pid_t child; children >> child;) {
            std::ifstream comm("/proc/" + std::to_string(child) + "/comm");
            std::string name;
            if (std::getline(comm, name) && name == "ksdvi-gs-host") helpers.insert(child);
        }
    }
    return helpers;
}

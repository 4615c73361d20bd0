#pragma once
// A directory of the test's own in the temporary directory, removed with
// everything in it when the test ends. mkdtemp makes a name no other test,
// process or earlier run holds, so tests that CTest runs side by side never
// write into each other's files.

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

class TempDir {
public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "ksdvi-test-XXXXXX").string();
        if (!mkdtemp(name.data()))
            throw std::runtime_error("cannot make a temporary directory: " + std::string(std::strerror(errno)));
        path_ = name;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::string Path() const { return path_.string(); }
    // The path of a file in the directory.
    std::string operator/(std::string const& name) const { return (path_ / name).string(); }
    // The names of the files in the directory.
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (auto const& entry : std::filesystem::directory_iterator(path_))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

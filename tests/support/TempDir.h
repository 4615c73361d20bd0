#pragma once
// A directory in the temporary directory, removed with everything in it when
// the test ends.

#include <filesystem>
#include <string>

#include <unistd.h>

class TempDir {
public:
    TempDir() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("ksdvi-test-" + std::to_string(getpid()) + "-dir" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::string Path() const { return path_.string(); }
    // The path of a file in the directory.
    std::string operator/(std::string const& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

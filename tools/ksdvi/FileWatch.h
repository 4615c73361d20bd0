#pragma once
// Waits for a file to change: inotify on its directory, which also sees the
// file created, replaced or renamed into place, as TeX and build tools do.

#include <string>

class FileWatch {
public:
    explicit FileWatch(std::string const& path);
    ~FileWatch();
    FileWatch(FileWatch const&) = delete;
    FileWatch& operator=(FileWatch const&) = delete;

    // Returns when something in the directory changed, or after `milliseconds`
    // (a poll, should inotify be unavailable or miss a write).
    void Wait(int milliseconds);

private:
    int fd_ = -1;
};

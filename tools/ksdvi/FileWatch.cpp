#include "FileWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>

FileWatch::FileWatch(std::string const& path) {
    fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd_ < 0) return;
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (dir.empty()) dir = ".";
    if (inotify_add_watch(fd_, dir.c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

FileWatch::~FileWatch() {
    if (fd_ >= 0) close(fd_);
}

void FileWatch::Wait(int milliseconds) {
    if (fd_ < 0) {
        usleep(static_cast<useconds_t>(milliseconds) * 1000);
        return;
    }
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, milliseconds) <= 0) return;
    // The events only wake us; what changed is read from the file itself.
    char events[4096];
    while (read(fd_, events, sizeof events) > 0) {}
}

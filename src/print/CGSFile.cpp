#include "print/CGSFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

CGSFile::CGSFile(int handle) : handle_(handle < 0 ? -1 : handle) {}

CGSFile::~CGSFile() { Close(); }

int CGSFile::Open(char const* path, unsigned int mode) {
    Close();
    if (!path) return 0;
    int const access = (mode & 0x0F) == 1 ? O_WRONLY : O_RDONLY;
    int const fd = ::open(path, access | O_CLOEXEC);
    if (fd < 0) return 0;
    // Sharing is advisory on POSIX: a lock that others who ask will respect.
    unsigned int const share = mode & 0xF0;
    int const lock = share == 0x10 ? LOCK_EX : share == 0x20 ? LOCK_SH : 0;
    if (lock && ::flock(fd, lock | LOCK_NB) != 0) {
        ::close(fd);
        return 0;
    }
    handle_ = fd;
    return 1;
}

void CGSFile::Close() {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
}

unsigned int CGSFile::Read(void* buffer, unsigned int count) {
    if (handle_ < 0 || !buffer) return 0;
    ssize_t n;
    do n = ::read(handle_, buffer, count);
    while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<unsigned int>(n) : 0;
}

unsigned int CGSFile::Write(void* buffer, unsigned int count) {
    if (handle_ < 0 || !buffer) return 0;
    ssize_t n;
    do n = ::write(handle_, buffer, count);
    while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<unsigned int>(n) : 0;
}

long CGSFile::Seek(long offset, unsigned int origin) {
    if (handle_ < 0) return -1;
    int const whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    return static_cast<long>(::lseek(handle_, offset, whence));
}

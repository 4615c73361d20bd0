#include "page/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool OutputFile::Create() {
    namespace fs = std::filesystem;
    struct stat st;
    bool const exists = ::stat(path_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return true;  // a device or pipe: written directly
    // A symbolic link keeps pointing where it did: its target is replaced.
    std::error_code error;
    fs::path target = exists ? fs::canonical(path_, error) : fs::path(path_);
    if (error) {
        errno = error.value();
        return false;
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    // Hidden, and with the permissions of the file it replaces.
    mode_t const mode = exists ? (st.st_mode & 07777) : 0666;
    std::random_device random;
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // about "." + string.
        std::string name(1, '.');
        name += target.filename().string();
        name += '.';
        for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        std::string candidate = (dir / name).string();
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // The umask applies to a new file, not to one that replaces the user's.
        if (exists) ::fchmod(fd, mode);
        ::close(fd);
        target_ = target.string();
        temporary_ = candidate;
        return true;
    }
    errno = EEXIST;
    return false;
}

bool OutputFile::Commit() {
    if (temporary_.empty()) return true;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return false;
    temporary_.clear();
    return true;
}

bool IsSameFile(std::string const& a, std::string const& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

#include "InputSpool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

InputSpool::~InputSpool() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::string InputSpool::Prepare(std::string const& path, std::string& error) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return path;
    if (S_ISDIR(st.st_mode)) {
        error = "is a directory, not a DVI file";
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return {};
    }
    char const* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/ksdvi-XXXXXX";
    if (!::mkdtemp(dir.data())) {
        error = std::string("cannot make a temporary copy: ") + std::strerror(errno);
        return {};
    }
    dir_ = dir;
    // The copy keeps the name, so that output named after it reads well.
    copy_ = dir + "/" + std::filesystem::path(path).filename().string();
    std::ofstream out(copy_, std::ios::binary);
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) out.write(buffer, in.gcount());
    out.flush();
    if (!out || in.bad()) {
        error = std::string("cannot make a temporary copy: ") + std::strerror(errno);
        return {};
    }
    return copy_;
}

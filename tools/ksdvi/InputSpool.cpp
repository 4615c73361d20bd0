#include "InputSpool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr char kStandardInput[] = "/dev/stdin";
constexpr char kStandardInputStem[] = "stdin";

}  // namespace

InputSpool::~InputSpool() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::string InputSpool::Prepare(std::string const& path, std::string& error) {
    if (IsStandardInput(path)) return Copy(kStandardInput, kStandardInputStem, error);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return path;
    if (S_ISDIR(st.st_mode)) {
        error = "is a directory, not a DVI file";
        return {};
    }
    // The copy keeps the name, so that output named after it reads well.
    return Copy(path, std::filesystem::path(path).filename().string(), error);
}

std::string InputSpool::Copy(std::string const& from, std::string const& name, std::string& error) {
    std::ifstream in(from, std::ios::binary);
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
    copy_ = dir + "/" + name;
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

std::string DocumentStem(std::string const& path) {
    return IsStandardInput(path) ? kStandardInputStem : std::filesystem::path(path).stem().string();
}

std::string DocumentPath(std::string const& given) {
    if (given.empty() || IsStandardInput(given)) return given;
    std::error_code ignored;
    if (std::filesystem::exists(given, ignored) || !std::filesystem::exists(given + ".dvi", ignored)) return given;
    return given + ".dvi";
}

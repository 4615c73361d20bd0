#include "dvi/DocumentFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace ksdvi {

namespace fs = std::filesystem;

namespace {

constexpr char kOutside[] = "outside the document's directory (allow it with --allow-paths)";

// The path with symbolic links and dots resolved as far as it exists; "" on failure.
std::string Canonical(fs::path const& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? std::string() : resolved.string();
}

bool Within(std::string const& path, std::string const& directory) {
    if (directory.empty() || path.size() < directory.size() || path.compare(0, directory.size(), directory) != 0)
        return false;
    return path.size() == directory.size() || directory.back() == '/' || path[directory.size()] == '/';
}

// Whether a relative name leaves the directory it is read from.
bool ClimbsOut(fs::path const& name) {
    fs::path normal = name.lexically_normal();
    return !normal.empty() && *normal.begin() == "..";
}

}  // namespace

void DocumentFiles::SetDocument(std::string const& dviPath) {
    fs::path parent = fs::path(dviPath).parent_path();
    directory_ = Canonical(parent.empty() ? fs::path(".") : parent);
}

void DocumentFiles::SetAllowedPaths(std::vector<std::string> directories) {
    allowed_.clear();
    for (std::string const& directory : directories) {
        std::string canonical = Canonical(directory);
        if (!canonical.empty()) allowed_.push_back(std::move(canonical));
    }
}

bool DocumentFiles::IsAllowed(std::string const& canonical) const {
    if (canonical.empty()) return false;
    if (Within(canonical, directory_)) return true;
    auto within = [&](std::string const& directory) { return Within(canonical, directory); };
    return std::any_of(allowed_.begin(), allowed_.end(), within) || std::ranges::any_of(KPathSea::Trees(), within);
}

bool DocumentFiles::MayName(std::string_view name, std::string* why) const {
    auto refuse = [&](char const* reason) {
        if (why) *why = reason;
        return false;
    };
    if (name.empty()) return refuse("an empty file name");
    if (name.find('\0') != std::string_view::npos) return refuse("a file name with a NUL byte");
    // kpathsea expands these in the names it is given: ~/.ssh/id_rsa or
    // $HOME/... would be found in the user's home.
    if (name[0] == '~' || name.find('$') != std::string_view::npos) return refuse("a file name with ~ or $");
    fs::path path(name);
    if (!path.is_absolute() && !ClimbsOut(path)) return true;
    fs::path from = path.is_absolute() ? path : fs::path(directory_.empty() ? "." : directory_) / path;
    return IsAllowed(Canonical(from)) ? true : refuse(kOutside);
}

std::string DocumentFiles::Find(std::string_view name, KPathSea* finder, KPathSea::Format format,
                                std::string* why) const {
    if (!MayName(name, why)) return "";
    fs::path path(name);
    std::string notRegular;
    auto take = [&](fs::path const& candidate) -> bool {
        std::error_code error;
        fs::file_status status = fs::status(candidate, error);
        if (error || !fs::exists(status)) return false;
        if (!fs::is_regular_file(status)) {
            if (notRegular.empty()) notRegular = "not a regular file";
            return false;
        }
        return true;
    };
    auto found = [&](fs::path const& candidate) {
        if (why) why->clear();
        return candidate.string();
    };
    if (path.is_absolute()) {
        if (take(path)) return found(path);
    } else {
        bool climbs = ClimbsOut(path);
        // A symbolic link in the tree may lead out of it: what a name leads
        // to counts, not the name.
        auto inside = [&](fs::path const& candidate, std::string const& directory) {
            std::string canonical = Canonical(candidate);
            return Within(canonical, directory) || IsAllowed(canonical);
        };
        auto outside = [&] {
            if (why) *why = kOutside;
            return std::string();
        };
        // Beside the document first: TeX found the file from the document's folder.
        fs::path const beside = fs::path(directory_) / path;
        if (!directory_.empty() && take(beside)) return inside(beside, directory_) ? found(beside) : outside();
        if ((!climbs || IsAllowed(Canonical(path))) && take(path))
            return inside(path, Canonical(".")) ? found(path) : outside();
        if (!climbs && finder && notRegular.empty()) {
            std::string installed = finder->Find(std::string(name), format);
            if (!installed.empty() && take(installed)) return found(installed);
        }
    }
    if (why) *why = notRegular.empty() ? "not found" : notRegular;
    return "";
}

std::optional<std::string> ReadRegularFile(std::string const& path, std::size_t maxBytes, std::string* why) {
    auto fail = [&](char const* reason) -> std::optional<std::string> {
        if (why) *why = reason;
        return std::nullopt;
    };
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail("cannot be opened");
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return fail("not a regular file");
    if (status.st_size < 0 || static_cast<std::size_t>(status.st_size) > maxBytes) return fail("too large");
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);  // a file cut while we read gives what it holds
    return bytes;
}

bool IsRegularFile(std::string const& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace ksdvi

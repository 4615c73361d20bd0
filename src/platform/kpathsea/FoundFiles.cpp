#include "platform/kpathsea/FoundFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ksdvi {

namespace {

constexpr char kHeader[] = "ksdvi found files 1";
// A store larger than this was not written by ksdvi.
constexpr std::uintmax_t kMostBytes = 8 << 20;
// A current directory with more names than this is searched anew for every name.
constexpr size_t kMostNamesHere = 10000;

// A name or path that fits on a line of the store.
bool Storable(std::string const& text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// What a change to `path` changes: "-" when it does not exist.
std::string State(std::string const& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? "-" : "?";
    char text[160];
    std::snprintf(text, sizeof text, "%llu:%llu:%llu:%lld.%09ld:%lld.%09ld", (unsigned long long)st.st_dev,
                  (unsigned long long)st.st_ino, (unsigned long long)st.st_size, (long long)st.st_mtim.tv_sec,
                  st.st_mtim.tv_nsec, (long long)st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    return text;
}

// The fingerprint holds the environment, whose values may hold any byte.
std::string Hex(std::string const& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * bytes.size());
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace

FoundFiles::FoundFiles(std::string file, std::string fingerprint)
    : file_(std::move(file)), fingerprint_(Hex(fingerprint)) {}

void FoundFiles::Load() {
    loaded_ = true;
    std::ifstream in(file_, std::ios::binary);
    std::error_code error;
    auto const size = std::filesystem::file_size(file_, error);
    if (!in || error || size > kMostBytes) return;
    std::string text(size, '\0');
    if (!in.read(text.data(), std::streamsize(size))) return;
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) return;
    if (!std::getline(lines, line) || line != "f " + fingerprint_) return;
    std::map<std::pair<int, std::string>, std::string> answers;
    for (size_t count = 0; std::getline(lines, line); ++count) {
        size_t const tab = line.find('\t');
        if (count >= kMostLines || line.size() < 3 || line[1] != ' ' || tab == std::string::npos) return;
        if (line[0] == 'w') {
            // A witness changed: every answer may have.
            if (State(line.substr(tab + 1)) != line.substr(2, tab - 2)) return;
        } else if (line[0] == 'a') {
            size_t const second = line.find('\t', tab + 1);
            if (second == std::string::npos) return;
            int kind = 0;
            try {
                kind = std::stoi(line.substr(2, tab - 2));
            } catch (...) {
                return;
            }
            answers[{kind, line.substr(tab + 1, second - tab - 1)}] = line.substr(second + 1);
        } else {
            return;
        }
    }
    answers_ = std::move(answers);
}

bool FoundFiles::ShadowedHere(std::string const& name) {
    if (!hereListed_) {
        hereListed_ = true;
        DIR* dir = opendir(".");
        hereWhole_ = dir != nullptr;
        while (dir) {
            dirent const* entry = readdir(dir);
            if (!entry) break;
            if (here_.size() >= kMostNamesHere) {
                hereWhole_ = false;
                break;
            }
            here_.emplace_back(entry->d_name);
        }
        if (dir) closedir(dir);
        std::sort(here_.begin(), here_.end());
    }
    // A directory that cannot be listed whole shadows every name. kpathsea
    // tries a name as given and with the suffixes of its kind.
    auto const first = std::lower_bound(here_.begin(), here_.end(), name);
    return !hereWhole_ || (first != here_.end() && first->compare(0, name.size(), name) == 0);
}

std::optional<std::string> FoundFiles::Find(int kind, std::string const& name) {
    if (!loaded_) Load();
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    auto const it = answers_.find({kind, name});
    if (it == answers_.end()) return std::nullopt;
    // kpathsea searches the current directory first, and reads the font name
    // aliases of a texfonts.map there.
    if (ShadowedHere(name) || ShadowedHere("texfonts.map")) return std::nullopt;
    struct stat st {};
    if (!it->second.empty() && (stat(it->second.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) return std::nullopt;
    return it->second;
}

void FoundFiles::Add(int kind, std::string const& name, std::string const& path) {
    if (!loaded_) Load();
    if (name.empty() || name.find('/') != std::string::npos || !Storable(name) || !Storable(path)) return;
    if ((!path.empty() && path[0] != '/') || answers_.size() >= kMostLines / 2) return;
    answers_.insert_or_assign({kind, name}, path);
    added_ = true;
}

std::set<int> FoundFiles::Kinds() const {
    std::set<int> kinds;
    for (auto const& [key, path] : answers_) kinds.insert(key.first);
    return kinds;
}

bool FoundFiles::Save(std::vector<std::string> const& witnesses) {
    if (witnesses.size() + answers_.size() > kMostLines) return false;
    std::string text = std::string(kHeader) + "\nf " + fingerprint_ + "\n";
    for (std::string const& path : witnesses) {
        if (!Storable(path)) return false;
        text += "w " + State(path) + "\t" + path + "\n";
    }
    for (auto const& [key, path] : answers_)
        text += "a " + std::to_string(key.first) + "\t" + key.second + "\t" + path + "\n";

    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(file_).parent_path(), error);
    std::string temporary = file_ + ".XXXXXX";
    int const fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    bool written = true;
    for (size_t at = 0; written && at < text.size();) {
        ssize_t const n = write(fd, text.data() + at, text.size() - at);
        written = n > 0;
        at += written ? size_t(n) : 0;
    }
    written = close(fd) == 0 && written;
    // Processes that write at once each replace the file whole.
    if (!written || rename(temporary.c_str(), file_.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    added_ = false;
    return true;
}

}  // namespace ksdvi

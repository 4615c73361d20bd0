#pragma once
// A file in a temporary directory of its own, removed when the test ends.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempDir.h"

inline void WriteFileBytes(std::string const& path, std::vector<uint8_t> const& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TempFile {
public:
    explicit TempFile(std::string const& suffix = ".dvi") : path_(dir_ / ("test" + suffix)) {}
    TempFile(std::vector<uint8_t> const& bytes, std::string const& suffix = ".dvi") : TempFile(suffix) { Write(bytes); }
    TempFile(TempFile const&) = delete;
    TempFile& operator=(TempFile const&) = delete;

    void Write(std::vector<uint8_t> const& bytes) const { WriteFileBytes(path_, bytes); }
    void WriteText(std::string const& text) const { Write(std::vector<uint8_t>(text.begin(), text.end())); }
    void Append(std::vector<uint8_t> const& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string const& Path() const { return path_; }

private:
    TempDir dir_;  // first: the file's name is made in it
    std::string path_;
};

inline std::vector<uint8_t> ReadFileBytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string ReadFileText(std::string const& path) {
    std::vector<uint8_t> const bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteFileText(std::string const& path, std::string const& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

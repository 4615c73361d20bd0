#pragma once
// A file in the temporary directory, removed when the test ends.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

class TempFile {
public:
    explicit TempFile(std::string const& suffix = ".dvi") {
        static int counter = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("ksdvi-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + suffix))
                    .string();
    }
    TempFile(std::vector<uint8_t> const& bytes, std::string const& suffix = ".dvi") : TempFile(suffix) { Write(bytes); }
    ~TempFile() { std::filesystem::remove(path_); }
    TempFile(TempFile const&) = delete;
    TempFile& operator=(TempFile const&) = delete;

    void Write(std::vector<uint8_t> const& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteText(std::string const& text) const { Write(std::vector<uint8_t>(text.begin(), text.end())); }
    void Append(std::vector<uint8_t> const& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string const& Path() const { return path_; }

private:
    std::string path_;
};

inline std::vector<uint8_t> ReadFileBytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

#pragma once
// Source places from the SyncTeX file TeX writes beside its output
// (`tex -synctex=1`: NAME.synctex.gz, or NAME.synctex uncompressed), read
// with TeX Live's own parser, libsynctex.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "page/PixelMapping.h"
#include "sync/SourceName.h"
#include "sync/SourcePlaces.h"

class KsDvi;

namespace ksdvi {

class SyncTexIndex {
public:
    // Larger SyncTeX files are not read: they would be parsed whole into memory.
    static constexpr uintmax_t kLargestFile = uintmax_t(512) << 20;

    // The SyncTeX file beside `dviPath`, when there is one; an empty path when not.
    static std::filesystem::path FileOf(std::filesystem::path const& dviPath);

    // Reads `synctexFile` for the document `dvi` (whose file is `dviPath`);
    // null with `problem` set when it cannot be read.
    static std::unique_ptr<SyncTexIndex> Open(KsDvi const& dvi, std::filesystem::path const& dviPath,
                                              std::filesystem::path const& synctexFile, std::string* problem);
    ~SyncTexIndex();
    SyncTexIndex(SyncTexIndex const&) = delete;
    SyncTexIndex& operator=(SyncTexIndex const&) = delete;

    std::vector<SourceBox> Forward(SourceName const& file, int line, int column);
    std::optional<SourceLocation> Inverse(int page, int32_t h, int32_t v);

private:
    struct Scanner;
    SyncTexIndex(std::unique_ptr<Scanner> scanner, PixelMapping points, std::filesystem::path directory);

    std::unique_ptr<Scanner> scanner_;
    PixelMapping points_;  // DVI units as libsynctex's points: big points from the paper's corner
    std::filesystem::path directory_;
    std::vector<std::pair<std::string, std::string>> inputs_;  // the names TeX recorded, and comparable
};

}  // namespace ksdvi

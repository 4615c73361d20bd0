#include "sync/SyncTexIndex.h"

#include <synctex/synctex_parser.h>

#include <algorithm>
#include <cmath>

#include "dvi/KsDvi.h"

namespace ksdvi {

namespace fs = std::filesystem;

struct SyncTexIndex::Scanner {
    explicit Scanner(synctex_scanner_p s) : scanner(s) {}
    ~Scanner() { synctex_scanner_free(scanner); }
    Scanner(Scanner const&) = delete;
    Scanner& operator=(Scanner const&) = delete;
    synctex_scanner_p scanner;
};

fs::path SyncTexIndex::FileOf(fs::path const& dviPath) {
    std::error_code error;
    for (char const* extension : {".synctex.gz", ".synctex"}) {
        fs::path candidate = dviPath;
        candidate.replace_extension(extension);
        if (fs::is_regular_file(candidate, error)) return candidate;
    }
    return {};
}

std::unique_ptr<SyncTexIndex> SyncTexIndex::Open(KsDvi const& dvi, fs::path const& dviPath, fs::path const& synctexFile,
                                                 std::string* problem) {
    auto fail = [&](std::string why) {
        if (problem) *problem = synctexFile.string() + ": " + why;
        return nullptr;
    };
    std::error_code error;
    uintmax_t const size = fs::file_size(synctexFile, error);
    if (error) return fail(error.message());
    if (size > kLargestFile) return fail("larger than " + std::to_string(kLargestFile >> 20) + " MiB");
    // libsynctex finds the file from the output's name, as TeX named both.
    synctex_scanner_p scanner = synctex_scanner_new_with_output_file(dviPath.string().c_str(), nullptr, 1);
    if (!scanner) return fail("not a SyncTeX file that can be read");
    auto owned = std::make_unique<Scanner>(scanner);
    if (!synctex_sheet(scanner, 1) && dvi.GetNPage() > 0) return fail("describes no page");
    fs::path directory = dviPath.parent_path();
    if (directory.empty()) directory = ".";
    std::unique_ptr<SyncTexIndex> index(
        new SyncTexIndex(std::move(owned), PixelMapping::OneInchIn(dvi, 72.0), fs::absolute(directory, error)));
    for (synctex_node_p input = synctex_scanner_input(scanner); input; input = synctex_node_sibling(input)) {
        char const* name = synctex_node_get_name(input);
        if (name && *name) index->inputs_.emplace_back(name, ComparableSourcePath(name, index->directory_));
    }
    return index;
}

SyncTexIndex::SyncTexIndex(std::unique_ptr<Scanner> scanner, PixelMapping points, fs::path directory)
    : scanner_(std::move(scanner)), points_(points), directory_(std::move(directory)) {}

SyncTexIndex::~SyncTexIndex() = default;

std::vector<SourceBox> SyncTexIndex::Forward(SourceName const& file, int line, int column) {
    std::vector<SourceBox> boxes;
    if (line <= 0) return boxes;
    auto dvi = [](double points, int origin, double perDvi) {
        return static_cast<int32_t>(std::clamp(std::lround((points - origin) / perDvi), -(1L << 30), 1L << 30));
    };
    for (auto const& [recorded, comparable] : inputs_) {
        if (!file.Matches(comparable)) continue;
        if (synctex_display_query(scanner_->scanner, recorded.c_str(), line, std::max(column, 0), 0) <= 0) continue;
        while (synctex_node_p node = synctex_scanner_next_result(scanner_->scanner)) {
            float const h = synctex_node_box_visible_h(node), v = synctex_node_box_visible_v(node);
            float const width = synctex_node_box_visible_width(node);
            float const height = synctex_node_box_visible_height(node), depth = synctex_node_box_visible_depth(node);
            if (!std::isfinite(h) || !std::isfinite(v) || !std::isfinite(width) || !std::isfinite(height + depth))
                continue;
            int32_t const left = dvi(h, points_.OriginX(), points_.PerDviX());
            int32_t const top = dvi(v - height, points_.OriginY(), points_.PerDviY());
            boxes.push_back({synctex_node_page(node) - 1, left, top,
                             dvi(h + width, points_.OriginX(), points_.PerDviX()) - left,
                             dvi(v + depth, points_.OriginY(), points_.PerDviY()) - top});
        }
        if (!boxes.empty()) break;
    }
    return boxes;
}

std::optional<SourceLocation> SyncTexIndex::Inverse(int page, int32_t h, int32_t v) {
    float const x = static_cast<float>(points_.OriginX() + h * points_.PerDviX());
    float const y = static_cast<float>(points_.OriginY() + v * points_.PerDviY());
    if (page < 0 || synctex_edit_query(scanner_->scanner, page + 1, x, y) <= 0) return std::nullopt;
    synctex_node_p node = synctex_scanner_next_result(scanner_->scanner);
    if (!node) return std::nullopt;
    char const* name = synctex_node_get_name(node);
    if (!name || !*name || synctex_node_line(node) <= 0) return std::nullopt;
    return SourceLocation{ComparableSourcePath(name, directory_), synctex_node_line(node),
                          std::max(synctex_node_column(node), 0)};
}

}  // namespace ksdvi

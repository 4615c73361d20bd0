#include "sync/SourceSpecialIndex.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "dvi/KsDvi.h"
#include "interp/KsDviDrawerBase.h"
#include "specials/SpecialKeywords.h"
#include "sync/SourceSpecial.h"

namespace ksdvi {

// Runs pages and notes their specials; draws nothing.
class SourceSpecialCollector : public KsDviDrawerBase {
public:
    SourceSpecialCollector(SourceSpecialIndex& index, std::filesystem::path directory)
        : index_(index), directory_(std::move(directory)) {}

    void Page(KsDvi& dvi, int page) {
        open_ = -1;
        page_ = page;
        if (!Open(dvi, page)) return;
        try {
            Draw(-1);
        } catch (KsDviDrawerBase::MalformedDviError const&) {
        } catch (KsDviDrawerBase::StackOverflowError const&) {}
        Close();
    }

protected:
    void PutChar(int h, int v, unsigned short, int width, int height, int depth) override {
        if (open_ < 0) return;
        SourceSpecialIndex::Record& r = index_.records_[static_cast<size_t>(open_)];
        if (v != r.v) return;  // a sub- or superscript, or another line
        int64_t const right = int64_t{h} + std::max(width, 0);
        r.left = std::min(r.left, h);
        r.right = static_cast<int32_t>(std::clamp<int64_t>(std::max<int64_t>(r.right, right), INT32_MIN, INT32_MAX));
        r.up = std::max(r.up, height);
        r.down = std::max(r.down, depth);
    }
    void PutRule(int, int, int, int) override {}
    void DoSpecial(unsigned int length, InstPtr text) override {
        unsigned char const* bytes = text.Get();
        SpecialKeyword const* keyword = FindSpecialKeyword(bytes, length);
        if (!keyword || keyword->family != SpecialFamily::Source) return;
        open_ = -1;
        if (index_.records_.size() >= SourceSpecialIndex::kMostRecords) return;
        std::string_view const args(reinterpret_cast<char const*>(bytes) + keyword->word.size(),
                                    length - keyword->word.size());
        std::optional<SourceSpecial> special = ParseSourceSpecial(args);
        if (!special) return;
        if (!special->file.empty()) file_ = FileIndex(special->file);
        if (file_ < 0) return;  // no file named yet
        int32_t const h = GetH(), v = GetV();
        index_.records_.push_back({page_, file_, special->line, special->column, h, v, h, h, 0, 0});
        open_ = static_cast<int>(index_.records_.size() - 1);
    }

private:
    int FileIndex(std::string const& name) {
        auto [at, added] = names_.try_emplace(name, static_cast<int>(index_.files_.size()));
        if (added) index_.files_.push_back(ComparableSourcePath(name, directory_));
        return at->second;
    }

    SourceSpecialIndex& index_;
    std::filesystem::path directory_;
    std::unordered_map<std::string, int> names_;  // as written, to files_
    int file_ = -1;                               // the file of the last special
    int open_ = -1;                               // the record whose box grows
    int page_ = 0;
};

void SourceSpecialIndex::Build(KsDvi& dvi, std::filesystem::path const& dviDirectory) {
    files_.clear();
    records_.clear();
    pageStart_.clear();
    pages_ = dvi.GetNPage();
    SourceSpecialCollector collector(*this, dviDirectory);
    for (int page = 0; page < pages_; ++page) {
        pageStart_.push_back(records_.size());
        collector.Page(dvi, page);
    }
    pageStart_.push_back(records_.size());
}

SourceBox SourceSpecialIndex::BoxOf(Record const& r) const {
    int64_t const top = int64_t{r.v} - r.up;
    auto clamp = [](int64_t x) { return static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)); };
    return {r.page, r.left, clamp(top), clamp(int64_t{r.right} - r.left), clamp(int64_t{r.up} + r.down)};
}

std::vector<SourceBox> SourceSpecialIndex::Forward(SourceName const& file, int line, int column) const {
    std::vector<char> matches(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) matches[i] = file.Matches(files_[i]);
    // The line itself, else the nearest before it that has a special.
    int found = 0;
    for (Record const& r : records_)
        if (matches[static_cast<size_t>(r.file)] && r.line <= line && r.line > found) found = r.line;
    if (found == 0) return {};
    // Of the line's specials, those of the nearest column at or before the one asked for.
    int wanted = 0;
    if (column > 0 && found == line) {
        for (Record const& r : records_)
            if (matches[static_cast<size_t>(r.file)] && r.line == found && r.column <= column)
                wanted = std::max(wanted, r.column);
    }
    std::vector<SourceBox> boxes;
    for (Record const& r : records_)
        if (matches[static_cast<size_t>(r.file)] && r.line == found && (wanted == 0 || r.column == wanted))
            boxes.push_back(BoxOf(r));
    return boxes;
}

std::optional<SourceLocation> SourceSpecialIndex::Inverse(int page, int32_t h, int32_t v) const {
    if (page < 0 || page >= pages_) return std::nullopt;
    size_t const begin = pageStart_[static_cast<size_t>(page)], end = pageStart_[static_cast<size_t>(page) + 1];
    Record const* chosen = nullptr;
    // A box that holds the point; else, on the point's line, the last special
    // left of it; else the special of the lowest line above it.
    for (size_t i = begin; i < end; ++i) {
        Record const& r = records_[i];
        if (h >= r.left && h <= r.right && int64_t{v} >= int64_t{r.v} - r.up && int64_t{v} <= int64_t{r.v} + r.down)
            chosen = &r;
    }
    for (size_t i = begin; i < end && !chosen; ++i) {
        Record const& r = records_[i];
        if (int64_t{v} >= int64_t{r.v} - r.up && int64_t{v} <= int64_t{r.v} + r.down && r.h <= h) chosen = &r;
    }
    if (!chosen) {
        for (size_t i = begin; i < end; ++i) {
            Record const& r = records_[i];
            if (int64_t{r.v} - r.up <= v && (!chosen || r.v >= chosen->v)) chosen = &r;
        }
    }
    // Above every special of the page: the page's first, else the last of the pages before.
    if (!chosen && begin < end) chosen = &records_[begin];
    if (!chosen && begin > 0) chosen = &records_[begin - 1];
    if (!chosen) return std::nullopt;
    return SourceLocation{files_[static_cast<size_t>(chosen->file)], chosen->line, chosen->column};
}

}  // namespace ksdvi

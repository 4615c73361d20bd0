#pragma once
// The places of a document's `src:` specials, read once by running its pages
// through the interpreter without drawing. Each special stands where the
// interpreter is when it meets it; its box spans the characters set after it
// on its baseline, up to the next special.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sync/SourceName.h"
#include "sync/SourcePlaces.h"

class KsDvi;

namespace ksdvi {

class SourceSpecialIndex {
public:
    // Most specials kept from one document; a line of source has at most a few.
    static constexpr size_t kMostRecords = size_t(1) << 22;

    // Reads the complete pages of `dvi`; names relative to `dviDirectory`.
    // Pages that cannot be read whole keep what was met before the fault.
    void Build(KsDvi& dvi, std::filesystem::path const& dviDirectory);
    int Pages() const { return pages_; }
    bool Empty() const { return records_.empty(); }

    // The boxes of the specials of `line` of `file` (those of the nearest
    // line before it when none has it); empty when the file has none there.
    std::vector<SourceBox> Forward(SourceName const& file, int line, int column) const;
    // The special whose box holds the point, else the last one before it in
    // reading order.
    std::optional<SourceLocation> Inverse(int page, int32_t h, int32_t v) const;

private:
    struct Record {
        int page;
        int file;  // into files_
        int line, column;
        int32_t h, v;                   // where the special stands
        int32_t left, right, up, down;  // its box: left to right, the baseline v - up to v + down
    };
    friend class SourceSpecialCollector;

    SourceBox BoxOf(Record const& r) const;

    std::vector<std::string> files_;  // comparable paths
    std::vector<Record> records_;     // by page, on a page in the order met
    std::vector<size_t> pageStart_;   // first record of each page, and the end
    int pages_ = 0;
};

}  // namespace ksdvi

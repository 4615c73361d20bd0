#pragma once
// Forward and inverse search between a DVI document and its TeX sources: from
// its SyncTeX file when it has one no older than itself, else from its `src:`
// specials. What it reads is read on the first question and kept.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sync/SourcePlaces.h"
#include "sync/SourceSpecialIndex.h"

class KsDvi;

namespace ksdvi {

class SyncTexIndex;

class SourceSync {
public:
    enum class Origin { None, SyncTeX, SourceSpecials };

    // `dvi` is the document opened from `dviPath`; it must outlive this.
    SourceSync(KsDvi& dvi, std::filesystem::path dviPath);
    ~SourceSync();
    SourceSync(SourceSync const&) = delete;
    SourceSync& operator=(SourceSync const&) = delete;

    // Where `line` (and `column`, 0 for none) of the source file `file` was
    // set: one box or more, possibly on several pages. `file` as editors name
    // it: absolute, or relative to the DVI file's directory or the current one.
    std::vector<SourceBox> Forward(std::string const& file, int line, int column = 0);
    // Which source line set the point (h, v) of `page` (0-based), in DVI units.
    std::optional<SourceLocation> Inverse(int page, int32_t h, int32_t v);

    // What the answers come from; None when the document has neither.
    Origin From();
    // Why a SyncTeX file beside the document was passed over; empty when none was.
    std::string const& Problem() const { return problem_; }
    // Forgets what was read: the document was extended or written anew.
    void Reset();

private:
    void Prepare();

    KsDvi& dvi_;
    std::filesystem::path dviPath_;
    bool prepared_ = false;
    std::unique_ptr<SyncTexIndex> syncTex_;
    SourceSpecialIndex specials_;
    std::string problem_;
};

}  // namespace ksdvi

#include "sync/SourceSync.h"

#include "dvi/KsDvi.h"
#include "sync/SourceName.h"
#include "sync/SyncTexIndex.h"

namespace ksdvi {

namespace fs = std::filesystem;

SourceSync::SourceSync(KsDvi& dvi, fs::path dviPath) : dvi_(dvi), dviPath_(std::move(dviPath)) {}

SourceSync::~SourceSync() = default;

void SourceSync::Reset() {
    prepared_ = false;
    syncTex_.reset();
    problem_.clear();
}

void SourceSync::Prepare() {
    if (syncTex_) return;
    if (!prepared_) {
        prepared_ = true;
        problem_.clear();
        if (fs::path const file = SyncTexIndex::FileOf(dviPath_); !file.empty()) {
            std::error_code dviError, syncError;
            auto const dviTime = fs::last_write_time(dviPath_, dviError);
            auto const syncTime = fs::last_write_time(file, syncError);
            if (!dviError && !syncError && syncTime < dviTime)
                problem_ = file.string() + ": older than the DVI file";
            else
                syncTex_ = SyncTexIndex::Open(dvi_, dviPath_, file, &problem_);
        }
        if (syncTex_) return;
    } else if (specials_.Pages() == dvi_.GetNPage()) {
        return;  // read, and no page completed since
    }
    fs::path directory = dviPath_.parent_path();
    std::error_code error;
    specials_.Build(dvi_, fs::absolute(directory.empty() ? fs::path(".") : directory, error));
}

SourceSync::Origin SourceSync::From() {
    Prepare();
    if (syncTex_) return Origin::SyncTeX;
    return specials_.Empty() ? Origin::None : Origin::SourceSpecials;
}

std::vector<SourceBox> SourceSync::Forward(std::string const& file, int line, int column) {
    Prepare();
    fs::path directory = dviPath_.parent_path();
    std::error_code error;
    SourceName const name(file, fs::absolute(directory.empty() ? fs::path(".") : directory, error));
    if (syncTex_) return syncTex_->Forward(name, line, column);
    return specials_.Forward(name, line, column);
}

std::optional<SourceLocation> SourceSync::Inverse(int page, int32_t h, int32_t v) {
    Prepare();
    if (syncTex_) return syncTex_->Inverse(page, h, v);
    return specials_.Inverse(page, h, v);
}

}  // namespace ksdvi

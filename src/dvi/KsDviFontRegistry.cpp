// Turns the font definitions met by the scan into loaded font records: each
// distinct name and size is read from disk once per scan.

#include <algorithm>

#include "dvi/ItrnFontItr.h"
#include "font/FontNameHash.h"
#include "font/ItrnFont.h"
#include "font/TeXFonts.h"
#include "platform/kpathsea/KPathSea.h"

using namespace ksdvi;

namespace {

constexpr unsigned int kLargestFontSize = 1u << 27;

// A candidate is a regular file: opening a FIFO would wait for a writer.
bool Exists(String8 const& path) { return IsRegularFile(path.c_str()); }

std::string FontKey(String8 const& name, int scale) {
    std::string key(name.view());
    key.push_back('\0');
    key.append(std::to_string(scale));
    return key;
}

}  // namespace

int KsDvi::GetHashCode(String8 const& name) const { return FontNameHash(name.view()); }

KPathSea* KsDvi::GetKPathSea() const { return finderGiven_ ? kpathsea_ : &ksdvi::TeXFonts::Default().GetKPathSea(); }

KsDviTTFMap* KsDvi::GetDviTTFMap() const { return mapGiven_ ? ttfMap_ : &ksdvi::TeXFonts::Default().GetMap(); }

KsDvi::ItrnFont* KsDvi::LoadItrnFont(String8 const& area, String8 const& name, int scale, unsigned int design) {
    // Sizes are below 2048pt (2^27 sp), as TeX makes them: larger ones have no
    // metrics (FixWordScaler) and would ask for glyphs thousands of dots tall.
    unsigned int size = scale > 0 ? static_cast<unsigned>(scale) : design;
    if (size == 0 || size >= kLargestFontSize) {
        loadProblem_ = "its size is out of range";
        return nullptr;
    }
    int bucket = GetHashCode(name);
    // The chains hold every size of a name; documents may ask for thousands.
    std::string key = FontKey(name, scale);
    if (auto it = fontsByNameAndSize_.find(key); it != fontsByNameAndSize_.end()) return it->second;

    // Virtual fonts that ask for sizes of others, which ask again, multiply
    // records: a document gets a budget of them.
    if (fontCount_ >= MostFontRecords) {
        loadProblem_ = "the document asks for more than " + std::to_string(MostFontRecords) + " fonts";
        return nullptr;
    }
    auto font = std::make_unique<ItrnFont>(this, area, name, size);
    font->rotate_ = scale > 0 ? 0 : 900;

    FontFiles const& files = FindFontFiles(name);
    String8 const& path = files.metrics;
    if (path.IsNull()) {
        loadProblem_ = files.problem.empty() ? "not found" : files.problem;
        return nullptr;
    }
    if (!font->LoadTfm(path)) {
        loadProblem_ = std::string(path.view()) + " is damaged";
        return nullptr;
    }

    // Numbered and linked before its VF file is read, so that the virtual font's
    // own local fonts come after it and a self-reference finds this record.
    ItrnFont* record = font.get();
    record->next_ = fontHash_[bucket];
    fontHash_[bucket] = record;
    record->id_ = fontCount_++;
    fontStore_.push_back(std::move(font));
    fontsByNameAndSize_.emplace(std::move(key), record);

    // A virtual font that names itself, directly or through others, would be
    // read again at every size it asks for, without end: a font whose VF file
    // is being read already gets its metrics only.
    bool beingRead = std::find(vfBeingRead_.begin(), vfBeingRead_.end(), name) != vfBeingRead_.end();
    if (files.vf && !beingRead) {
        vfBeingRead_.push_back(name);
        record->LoadVf(*files.vf);
        vfBeingRead_.pop_back();
    }
    record->LoadTTFInfo(GetDviTTFMap());
    return record;
}

// What does not depend on the size: where the metrics are, and the VF file's
// bytes. Looked up once per name, as documents ask for many sizes of a font.
KsDvi::FontFiles const& KsDvi::FindFontFiles(String8 const& name) {
    auto [it, added] = fontFiles_.try_emplace(std::string(name.view()));
    FontFiles& files = it->second;
    if (!added) return files;
    // A font's name may not lead out of the document's tree either.
    if (!files_.MayName(name.view(), &files.problem)) return files;
    // Each directory is tried with both extensions before the next one.
    for (String8 const& dir : tfmPaths_) {
        if (Exists(dir + name + ".ofm")) {
            files.metrics = dir + name + ".ofm";
            break;
        }
        if (Exists(dir + name + ".tfm")) {
            files.metrics = dir + name + ".tfm";
            break;
        }
    }
    KPathSea* finder = GetKPathSea();
    if (files.metrics.IsNull() && finder) {
        char const* found = finder->KPSEFindTfm((name + ".tfm").c_str());
        if (found && Exists(found)) files.metrics = String8(found);
    }
    if (files.metrics.IsNull()) return files;

    String8 vf;
    for (String8 const& dir : vfPaths_) {
        if (Exists(dir + name + ".vf")) {
            vf = dir + name + ".vf";
            break;
        }
    }
    // Like its metrics, a font's virtual font may come from the installation.
    if (vf.IsNull() && finder) {
        char const* found = finder->KPSEFindVf((name + ".vf").c_str());
        if (found && Exists(found)) vf = String8(found);
    }
    if (!vf.IsNull()) files.vf = std::make_shared<std::vector<unsigned char> const>(ItrnFont::ReadVfFile(vf));
    return files;
}

KsDvi::ItrnFontItr::ItrnFontItr(KsDvi& dvi) : dvi_(&dvi) { SeekFrom(0); }

void KsDvi::ItrnFontItr::SeekFrom(int bucket) {
    for (bucket_ = bucket; bucket_ < FontHashSize; ++bucket_) {
        if (dvi_->fontHash_[bucket_]) {
            current_ = dvi_->fontHash_[bucket_];
            return;
        }
    }
    current_ = nullptr;
}

KsDvi::ItrnFontItr const& KsDvi::ItrnFontItr::operator++() {
    if (!current_) return *this;
    current_ = current_->next_;
    if (!current_) SeekFrom(bucket_ + 1);
    return *this;
}

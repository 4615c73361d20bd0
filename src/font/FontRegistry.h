#pragma once
// The loaded fonts of one document: each name at each size read from disk
// once per scan, the fonts a virtual font names loaded through the same
// registry, within the document's budget of records; chained by name for
// walks over every font. Where the files are looked for is the document's
// to say, for each load (FontSources).

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "font/FontLimits.h"
#include "font/JapaneseFontMap.h"
#include "stream/DList.h"
#include "stream/String8.h"

class KPathSea;
class KsDviTTFMap;

namespace ksdvi {

class DocumentFiles;
class ItrnFont;
struct NativeFont;

// Where a document's font files come from, and how its fonts are painted.
struct FontSources {
    DList<String8> const* tfmPaths = nullptr;  // metric directories, tried first
    DList<String8> const* vfPaths = nullptr;   // virtual font directories, tried first
    DocumentFiles const* files = nullptr;      // which names the document may give
    KPathSea* finder = nullptr;                // the installation's; null: none
    KsDviTTFMap* map = nullptr;                // the outline faces of TeX fonts
    // Lines of dvipdfmx's maps the document gave so far, before the installation's.
    std::vector<JapaneseMapLine> const* mapLines = nullptr;
};

class FontRegistry {
public:
    using Font = ItrnFont;

    FontRegistry();
    ~FontRegistry();
    FontRegistry(FontRegistry const&) = delete;
    FontRegistry& operator=(FontRegistry const&) = delete;

    // The font `name` at `scale` (DVI units; 0 or less: `design`, turned),
    // loaded once; null, with TakeProblem() saying why, when it cannot be.
    // `sources` must outlive the call.
    Font* Load(FontSources const& sources, String8 const& area, String8 const& name, int scale, unsigned design);
    // The same for a virtual font's own fonts, from the sources of the load
    // that reads the virtual font.
    Font* LoadLocal(String8 const& area, String8 const& name, int scale, unsigned design);
    // A native font at `size` (DVI units), one record per look asked for.
    Font* LoadNative(NativeFont const& native, int size);
    // Why the last load gave nothing; empty after it is taken.
    std::string TakeProblem() { return std::move(problem_); }

    int Count() const { return count_; }
    // The fonts of a hash bucket (0 to kFontHashSize - 1), newest first, and
    // the font after `font` in its bucket.
    Font* Chain(int bucket) const { return chains_[bucket]; }
    static Font* NextInChain(Font const& font);

    // Forgets the fonts, as a rescan does; `release` also frees the records
    // (drawers of the earlier scan may otherwise still point at them).
    void Clear(bool release);

private:
    // What does not depend on the size: where the metrics are, and the VF
    // file's bytes.
    struct Files {
        String8 metrics;                                       // null: found nowhere
        std::shared_ptr<std::vector<unsigned char> const> vf;  // null: not virtual
        std::string problem;                                   // why the metrics were not looked for
    };
    Files const& FindFiles(String8 const& name);
    // Numbers and chains a new record under `key`.
    Font* Keep(std::unique_ptr<Font> font, std::string key);

    FontSources const* sources_ = nullptr;  // those of the load under way
    int count_ = 0;
    std::array<Font*, kFontHashSize> chains_{};
    std::vector<std::unique_ptr<Font>> store_;              // owns the records
    std::unordered_map<std::string, Font*> byNameAndSize_;  // the chains' records
    std::unordered_map<std::string, Files> files_;          // by name
    std::string problem_;
    std::vector<String8> vfBeingRead_;  // fonts whose VF files are being read, outermost first
};

}  // namespace ksdvi

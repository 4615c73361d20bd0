#pragma once
// The fonts of the TeX installation, set up the way TeX previewers find them:
// kpathsea for metric files, virtual fonts, encodings and font programs, and a
// TrueType map with an entry for every font of the installation's pdftex.map
// (its Type 1 programs, re-encodings, SlantFont and ExtendFont). Map files a
// user adds are read after it and win. A document that is given no map and no
// finder of its own uses the process's default set-up.

#include <memory>
#include <string>

#include "font/KsDviTTFMap.h"
#include "platform/kpathsea/KPathSea.h"

namespace ksdvi {

class TeXFonts {
public:
    // Reads the installation's pdftex.map when there is one.
    TeXFonts();
    TeXFonts(TeXFonts const&) = delete;
    TeXFonts& operator=(TeXFonts const&) = delete;

    // The set-up documents use when the application gives them none; made on
    // first use and shared by every thread.
    static TeXFonts& Default();

    KPathSea& GetKPathSea() { return finder_; }
    KsDviTTFMap& GetMap() { return *map_; }
    KsDviTTFMap const& GetMap() const { return *map_; }
    // The pdftex.map read, "" when the installation has none.
    std::string const& GetInstalledMapPath() const { return installedMap_; }
    // A user's map file, in this library's syntax; 1 when read to its end
    // (the entries before a syntax error are kept, as KsDviTTFMap keeps them).
    int AppendMapFile(char const* path) { return map_->AppendTTFMapFile(path); }

private:
    KPathSea finder_;
    std::unique_ptr<KsDviTTFMap> map_;
    std::string installedMap_;
};

}  // namespace ksdvi

#pragma once
// The font side of the host, shared by every document of one run: kpathsea for
// the files of the TeX installation, the TrueType map (entries generated from
// pdftex.map, then the user's map files, which win), and the registration of
// the font programs that documents use as private fonts of the platform layer.

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "TeXFontMap.h"
#include "font/KsDviTTFMap.h"
#include "platform/kpathsea/KPathSea.h"

class KsDvi;

class HostFonts {
public:
    // Map files that cannot be read, or stop at a syntax error, are reported on
    // stderr with their name (and line); the entries before the error are kept.
    explicit HostFonts(std::vector<std::string> const& userMapFiles = {});

    KPathSea& Finder() { return finder_; }
    KsDviTTFMap& Map() { return *map_; }
    TeXFontMap const& Installed() const { return installed_; }

    // Registers, once per process, the font program of every font of the
    // document that the installation's map names. Safe from several threads.
    void RegisterFontFiles(KsDvi& dvi);
    // The path of a font program of the installation, "" when kpathsea has none.
    std::string FindFontFile(std::string const& name);

private:
    KPathSea finder_;
    TeXFontMap installed_;
    std::unique_ptr<KsDviTTFMap> map_;
    std::mutex mutex_;
    std::set<std::string> registered_;
};

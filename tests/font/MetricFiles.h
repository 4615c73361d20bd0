#pragma once
// Metric files for the font tests: those of the TeX installation, found with
// kpathsea, and the small ones made by pltotf/opl2ofm in tests/data/metrics.

#include <string>
#include <vector>

#include "font/ItrnFont.h"
#include "platform/kpathsea/KPathSea.h"
#include "support/TempFile.h"

inline std::string MetricFile(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/metrics/" + name; }

inline std::string InstalledTfm(std::string const& name) {
    static KPathSea finder;
    char const* path = finder.KPSEFindTfm((name + ".tfm").c_str());
    return path ? path : "";
}

// A record loaded from a file at a scale size, as the registry would make it.
struct LoadedFont {
    LoadedFont(std::string const& path, int scale) : font(nullptr, String8(""), String8("test"), scale) {
        ok = font.LoadTfm(String8(path.c_str()));
    }
    ksdvi::ItrnFont font;
    int ok = 0;
};

// A copy of a metric file with some bytes changed, for the checks a loader makes.
inline std::string Patched(TempFile const& file, std::string const& source,
                           std::vector<std::pair<size_t, std::vector<uint8_t>>> const& patches, size_t keep = 0) {
    std::vector<uint8_t> bytes = ReadFileBytes(source);
    for (auto const& [at, data] : patches)
        for (size_t i = 0; i < data.size(); ++i) bytes[at + i] = data[i];
    if (keep) bytes.resize(keep);
    file.Write(bytes);
    return file.Path();
}

#include "FontFileKind.h"

#include <array>

#include "FuzzEnvironment.h"
#include "platform/kpathsea/KPathSea.h"

namespace ksdvi::fuzz {

namespace {

std::array<std::vector<uint8_t>, 4>& MetricFiles() {
    static std::array<std::vector<uint8_t>, 4> files;
    return files;
}

}  // namespace

void FontFileKind::LoadMetrics() {
    MetricFiles()[0] = ReadFile(DataFile("metrics/kstest.tfm"));
    MetricFiles()[1] = ReadFile(DataFile("metrics/ksvirt.tfm"));
    for (auto [slot, name] : {std::pair{2, "ptmr7t.tfm"}, std::pair{3, "cmr10.tfm"}}) {
        char const* path = Fonts().GetKPathSea().KPSEFindTfm(name);
        if (!path) Failed(name, __FILE__, __LINE__);
        MetricFiles()[static_cast<size_t>(slot)] = ReadFile(path);
    }
}

std::string FontFileKind::Extension() const { return kind_ == 0 ? ".tfm" : kind_ == 1 ? ".ofm" : ".vf"; }

std::vector<uint8_t> const* FontFileKind::Metrics() const {
    return kind_ < 2 ? nullptr : &MetricFiles()[static_cast<size_t>(kind_ - 2)];
}

}  // namespace ksdvi::fuzz

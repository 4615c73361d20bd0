#include "HostFonts.h"

#include <cstdio>
#include <fstream>

#include "DocumentSession.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "platform/gdi/Font.h"

namespace gdi = ksdvi::gdi;

HostFonts::HostFonts(std::vector<std::string> const& userMapFiles)
    : map_(std::make_unique<KsDviTTFMap>(nullptr, [](char const* face) { return gdi::IsFaceInstalled(face); })) {
    installed_.ReadInstalled(finder_);
    map_->AppendTTFMapText(installed_.AllEntriesText());
    for (std::string const& file : userMapFiles) {
        if (map_->AppendTTFMapFile(file.c_str())) continue;
        if (!std::ifstream(file)) {
            ReportError(file, "cannot read the map file");
        } else {
            ReportError(file + ":" + std::to_string(map_->GetLastErrorLine()),
                        "syntax error in the map file; the entries after it are not used");
        }
    }
}

std::string HostFonts::FindFontFile(std::string const& name) {
    auto ends = [&](char const* ext) {
        size_t n = std::char_traits<char>::length(ext);
        return name.size() >= n && name.compare(name.size() - n, n, ext) == 0;
    };
    KPathSea::Format format = ends(".otf")   ? KPathSea::Format::OpenType
                              : ends(".ttf") ? KPathSea::Format::TrueType
                                             : KPathSea::Format::Type1;
    return finder_.Find(name, format);
}

void HostFonts::RegisterFontFiles(KsDvi& dvi) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (KsDvi::ItrnFontItr it(dvi); !it.IsFinished(); ++it) {
        PdftexMapLine const* line = installed_.Find(it()->GetName().c_str());
        if (!line || !registered_.insert(line->fontFile).second) continue;
        std::string path = FindFontFile(line->fontFile);
        if (!path.empty()) gdi::AddFontResourceExA(path.c_str(), gdi::FR_PRIVATE, nullptr);
    }
}

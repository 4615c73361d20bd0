// ksdvi fontmap [FILE]: the map entries the tool uses, in map-file syntax, so
// that users can copy and edit them. For a document, how each of its fonts is
// painted goes to standard error when it is not by the entry's outline.

#include <cstdio>
#include <set>

#include "Commands.h"
#include "FontReport.h"
#include "font/TeXFonts.h"

int RunFontmap(FontmapOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    KsDviTTFMap const& map = fonts->GetMap();
    if (options.file.empty()) {
        // Later entries win: list each name once, as it is used.
        std::set<std::string> seen;
        auto entries = map.GetEntries();
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            if (seen.insert((*it)->name.c_str()).second) std::printf("%s\n", KsDviTTFMap::EntryText(**it).c_str());
        return 0;
    }

    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    session.ReportMissingFonts();
    std::set<std::string> names;
    for (FontReport const& font : ReportFonts(session.Document(), 96)) {
        if (!names.insert(font.name).second || font.kind == ksdvi::FontPainting::Kind::Virtual) continue;
        if (KsDviTTFMap::Entry const* entry = map.GetEntry(font.name.c_str()))
            std::printf("%s\n", KsDviTTFMap::EntryText(*entry).c_str());
        if (font.kind != ksdvi::FontPainting::Kind::Outline)
            ReportError(options.file, "font " + font.name + ": " + DescribePainting(font));
    }
    return 0;
}

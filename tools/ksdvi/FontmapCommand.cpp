// ksdvi fontmap [FILE]: the map entries the tool uses, in map-file syntax, so
// that users can copy and edit them.

#include <cstdio>
#include <set>

#include "Commands.h"
#include "HostFonts.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"

int RunFontmap(FontmapOptions const& options) {
    HostFonts fonts(options.session.mapFiles);
    TeXFontMap const& installed = fonts.Installed();
    if (options.file.empty()) {
        std::fputs(installed.AllEntriesText().c_str(), stdout);
        for (auto const& [tfm, encoding] : installed.Unmapped())
            ReportError(tfm, "not mapped: re-encoded with " + encoding);
        return 0;
    }

    DocumentSession session(options.file, options.session, fonts);
    if (!session.LoadOrReport()) return 1;
    session.ReportMissingFonts();
    std::set<std::string> names;
    for (KsDvi::ItrnFontItr it(session.Document()); !it.IsFinished(); ++it) names.insert(it()->GetName().c_str());
    for (std::string const& name : names) {
        std::string entry = installed.EntryText(name);
        if (!entry.empty()) {
            std::fputs(entry.c_str(), stdout);
        } else if (PdftexMapLine const* line = installed.Find(name)) {
            ReportError(options.file, "font " + name + " not mapped: re-encoded with " + line->encodingFile);
        } else {
            ReportError(options.file, "font " + name + " has no outline font in the installation");
        }
    }
    return 0;
}

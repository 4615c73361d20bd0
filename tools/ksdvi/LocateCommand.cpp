// ksdvi locate: where a named anchor is, "page PAGE x X y Y" (PAGE 1-based, X
// and Y device pixels); exit status 1 when the document has no such anchor.

#include <cstdio>

#include "Commands.h"
#include "render/OffscreenPage.h"
#include "render/KsDviDrawer.h"

int RunLocate(LocateOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    KsDvi& dvi = session.Document();
    String8 anchor(options.anchor.c_str());
    OffscreenPage offscreen(options.dpi);
    // The scan lists the pages that define the anchor; the first where the
    // drawer meets it decides.
    int tried = -1;
    for (KsDvi::TagInfo const& tag : dvi.GetTagList()) {
        if (tag.name != anchor || tag.page == tried) continue;
        tried = tag.page;
        bool found = false;
        offscreen.Run(dvi, tag.page, anchor, [&](KsDviDrawer const& drawer) {
            if (!drawer.IsTagFound()) return;
            std::printf("page %d x %d y %d\n", tag.page + 1, drawer.GetTaghPos(), drawer.GetTagvPos());
            found = true;
        });
        if (found) return 0;
    }
    ReportError(options.file, "no anchor named '" + options.anchor + "'");
    return 1;
}

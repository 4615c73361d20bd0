#include <cstdio>
#include <string>

#include "Commands.h"
#include "PageSelection.h"
#include "TraceDrawer.h"

int RunTrace(TraceOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    session.ReportMissingFonts();
    KsDvi& dvi = session.Document();
    std::string error;
    auto pages = SelectPages(options.pages, dvi.GetNPage(), error);
    if (!pages) {
        ReportError(options.file, error);
        return 1;
    }

    TraceDrawer drawer(stdout);
    int status = 0;
    for (int page : *pages) {
        char head[64];
        std::snprintf(head, sizeof head, "page %d %d\n", page + 1, dvi.GetTeXPageNo(page));
        drawer.Write(head);
        if (!drawer.Open(dvi, page)) {
            drawer.Flush();
            ReportError(options.file, PageUnreadable(page));
            return 1;
        }
        try {
            drawer.Draw(-1);
        } catch (KsDviDrawerBase::MalformedDviError const&) {
            drawer.Flush();
            ReportError(options.file, "malformed instruction at offset " + std::to_string(drawer.GetInstOffset()) +
                                          " of page " + std::to_string(page + 1));
            return 1;
        }
        if (drawer.IsPageCut()) {
            drawer.Flush();
            ReportWarning(options.file, "page " + std::to_string(page + 1) + ": " + ksdvi::PageCut());
        }
        drawer.Close();
    }
    drawer.Flush();
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.Message());
        status = 1;
    } else if (!session.Message().empty()) {
        ReportWarning(options.file, session.Message());
    }
    return status;
}

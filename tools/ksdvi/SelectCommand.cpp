// ksdvi select: chosen pages into a DVI file of their own.

#include "Commands.h"
#include "PageCopier.h"
#include "PageSelection.h"

int RunSelect(SelectOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport() || IsTheDocument(session, options.output)) return 1;
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.Message());
        return 1;
    }
    std::string error;
    auto pages = SelectPages(options.pages, session.Document().GetNPage(), error);
    if (!pages) {
        ReportError(options.file, error);
        return 1;
    }
    error = CopyPages(session.Document(), *pages, options.output);
    if (!error.empty()) {
        ReportError(options.file, error);
        return 1;
    }
    return 0;
}

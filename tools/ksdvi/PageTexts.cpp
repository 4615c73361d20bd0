#include "PageTexts.h"

#include "PageSelection.h"

std::optional<std::vector<int>> LoadPages(DocumentSession& session, std::string const& pagesOption) {
    if (!session.LoadOrReport(LastPageNamed(pagesOption))) return std::nullopt;
    // A file cut short is read as far as it goes, and said so.
    if (std::string const state = session.StateReport();
        !state.empty() && session.GetState() == DocumentSession::State::Growing)
        ReportWarning(session.Path(), state);
    session.ReportMissingFonts();
    std::string error;
    auto pages = SelectPages(pagesOption, session.Document().GetNPage(), error);
    if (!pages) ReportError(session.Path(), error);
    return pages;
}

bool ForEachPageText(DocumentSession& session, std::vector<int> const& pages,
                     std::function<void(int page, std::vector<ksdvi::UnicodeChar> const& chars)> const& use) {
    ksdvi::UnicodeText text(session.Document());
    std::vector<ksdvi::UnicodeChar> chars;
    bool whole = true;
    for (int page : pages) {
        std::string const problem = ksdvi::ReadPageText(text, page, chars);
        if (!problem.empty()) {
            ReportError(session.Path(), problem);
            whole = false;
        }
        use(page, chars);
    }
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(session.Path(), session.Message());
        whole = false;
    }
    return whole;
}

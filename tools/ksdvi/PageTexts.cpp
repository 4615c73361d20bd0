#include "PageTexts.h"

#include "PageSelection.h"
#include "interp/KsDviDrawerBase.h"

std::optional<std::vector<int>> LoadPages(DocumentSession& session, std::string const& pagesOption) {
    if (!session.LoadOrReport(LastPageNamed(pagesOption))) return std::nullopt;
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
        try {
            if (!text.ReadPage(page, chars)) {
                ReportError(session.Path(), PageUnreadable(page));
                whole = false;
            }
        } catch (KsDviDrawerBase::MalformedDviError const&) {
            ReportError(session.Path(),
                        "malformed instruction on page " + std::to_string(page + 1) + "; its text is read up to it");
            whole = false;
        } catch (KsDviDrawerBase::StackOverflowError const&) {
            ReportError(session.Path(), "page " + std::to_string(page + 1) + ": no memory for its position stack");
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

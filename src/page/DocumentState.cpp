#include "page/DocumentState.h"

#include <cstdio>

#include "dvi/DviOpcodes.h"
#include "dvi/KsDvi.h"
#include "interp/KsDviDrawerBase.h"

namespace ksdvi {

namespace {

// Which page (1-based) holds a file offset, or the page being read after the last.
int PageAt(KsDvi const& dvi, int64_t offset) {
    for (int i = 0; i < dvi.GetNPage(); ++i)
        if (offset <= dvi.GetPageEndOffset(i)) return i + 1;
    return dvi.GetNPage() + 1;
}

std::string Sentence(KsDvi const& dvi) {
    long long at = dvi.GetScanProblemOffset();
    char buf[160];
    switch (dvi.GetScanProblem()) {
    case KsDvi::ScanProblem::None: return "";
    case KsDvi::ScanProblem::CannotOpen: return "cannot open the file";
    case KsDvi::ScanProblem::BadPreamble: return "not a DVI file (no preamble)";
    case KsDvi::ScanProblem::BadIdentification:
        std::snprintf(buf, sizeof buf, "unsupported DVI identification byte %d (expected 2 or 3, or 5 to 7 for XDV)",
                      dvi.GetDviVersion());
        return buf;
    case KsDvi::ScanProblem::BadMagnification: return "magnification outside 100 to 10000";
    case KsDvi::ScanProblem::BadUnits: return "numerator or denominator of the units not positive";
    case KsDvi::ScanProblem::UnexpectedEnd:
        if (!ksdvi::dvi::IsKnownId(dvi.GetDviVersion())) return "file too short for a DVI preamble";
        std::snprintf(buf, sizeof buf, "file ends inside page %d (incomplete: %d complete pages)", dvi.GetNPage() + 1,
                      dvi.GetNPage());
        return buf;
    case KsDvi::ScanProblem::BadOpcode:
        std::snprintf(buf, sizeof buf, "malformed: opcode %d not allowed at offset %lld (page %d)",
                      dvi.GetScanProblemOpcode(), at, PageAt(dvi, at));
        return buf;
    case KsDvi::ScanProblem::UnfinishedPostamble:
        std::snprintf(buf, sizeof buf, "file ends inside the postamble (incomplete: %d complete pages)",
                      dvi.GetNPage());
        return buf;
    case KsDvi::ScanProblem::PageTooLarge:
        std::snprintf(buf, sizeof buf, "page %d at offset %lld is larger than %d MiB", dvi.GetNPage() + 1, at,
                      KsDvi::MaxPageBytes >> 20);
        return buf;
    case KsDvi::ScanProblem::EopWithoutBop:
        std::snprintf(buf, sizeof buf, "malformed: eop without bop at offset %lld (page %d)", at, PageAt(dvi, at));
        return buf;
    }
    return "malformed";
}

}  // namespace

DocumentStatus StatusOf(KsDvi const& dvi) {
    DocumentStatus status;
    switch (dvi.GetMode()) {
    case KsDvi::Complete: status.state = DocumentState::Complete; break;
    case KsDvi::Growing:
        status.state = DocumentState::Growing;
        if (dvi.IsPageLimitReached())
            status.problem =
                "only the first " + std::to_string(dvi.GetPageLimit()) + " pages are read; the file has more";
        break;
    case KsDvi::Malformed: {
        status.problem = Sentence(dvi);
        // Malformed but unfinished is a file TeX has not finished yet.
        KsDvi::ScanProblem problem = dvi.GetScanProblem();
        bool unfinished =
            problem == KsDvi::ScanProblem::UnexpectedEnd || problem == KsDvi::ScanProblem::UnfinishedPostamble;
        status.state = unfinished && ksdvi::dvi::IsKnownId(dvi.GetDviVersion()) ? DocumentState::Growing : DocumentState::Malformed;
        break;
    }
    }
    return status;
}

char const* StateName(DocumentState state) {
    switch (state) {
    case DocumentState::Growing: return "growing";
    case DocumentState::Complete: return "complete";
    case DocumentState::Malformed: return "malformed";
    }
    return "malformed";
}

std::string EndsBeforePostamble(KsDvi const& dvi) {
    return "the file ends before its postamble (" + std::to_string(dvi.GetNPage()) + " complete pages)";
}

std::string PageUnreadable(int page) {
    return "page " + std::to_string(page + 1) +
           " cannot be read: the file was cut short or rewritten since it was scanned";
}

std::string PageCut() {
    return "it has more than " + std::to_string(KsDviDrawerBase::MaxPageInstructions) +
           " instructions; the rest of it is left out";
}

std::string MalformedOnPage(int page, int offset) {
    return "malformed instruction at offset " + std::to_string(offset) + " of page " + std::to_string(page + 1) +
           "; the page is drawn up to it";
}

}  // namespace ksdvi

#include "DocumentSession.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "OutputFile.h"
#include "font/TeXFonts.h"
#include "platform/gdi/Font.h"

namespace {

DList<String8> DirectoryList(std::vector<std::string> const& dirs) {
    DList<String8> list;
    for (std::string dir : dirs) {
        if (dir.empty()) continue;
        if (dir.back() != '/') dir.push_back('/');
        list.Append(String8(dir));
    }
    return list;
}

// Which page (1-based) holds a file offset, or the page being read after the last.
int PageAt(KsDvi const& dvi, int64_t offset) {
    for (int i = 0; i < dvi.GetNPage(); ++i)
        if (offset <= dvi.GetPageEndOffset(i)) return i + 1;
    return dvi.GetNPage() + 1;
}

}  // namespace

void ReportError(std::string const& file, std::string const& what) {
    std::cerr << "ksdvi: " << file << ": " << what << std::endl;
}

bool HasPagesToDraw(DocumentSession const& session) {
    std::string const state = session.StateReport();
    if (session.Document().GetNPage() == 0) {
        ReportError(session.Path(), state.empty() ? "the document has no pages" : state + "; no page to draw");
        return false;
    }
    if (!state.empty() && session.GetState() != DocumentSession::State::Malformed)
        ReportError(session.Path(), "warning: " + state);
    return true;
}

bool IsTheDocument(DocumentSession const& session, std::string const& output) {
    if (!IsSameFile(output, session.Source())) return false;
    ReportError(output, "the output would overwrite the input " + session.Path() + "; nothing is written");
    return true;
}

std::string PageUnreadable(int page) {
    return "page " + std::to_string(page + 1) +
           " cannot be read: the file was cut short or rewritten since it was scanned";
}

std::unique_ptr<ksdvi::TeXFonts> LoadFonts(std::vector<std::string> const& mapFiles) {
    auto fonts = std::make_unique<ksdvi::TeXFonts>();
    fonts->GetMap().SetFaceQuery([](char const* face) { return ksdvi::gdi::IsFaceInstalled(face); });
    for (std::string const& file : mapFiles) {
        if (std::filesystem::is_directory(file)) {
            ReportError(file, "is a directory, not a map file");
        } else if (fonts->AppendMapFile(file.c_str())) {
            continue;
        } else if (!std::ifstream(file)) {
            ReportError(file, "cannot read the map file");
        } else {
            ReportError(file + ":" + std::to_string(fonts->GetMap().GetLastErrorLine()),
                        "syntax error in the map file; the entries after it are not used");
        }
    }
    return fonts;
}

DocumentSession::DocumentSession(std::string path, SessionOptions options, ksdvi::TeXFonts& fonts)
    : path_(std::move(path)), options_(std::move(options)), fonts_(fonts), dvi_(std::make_unique<HostDocument>()) {}

DocumentSession::~DocumentSession() = default;

std::string const& DocumentSession::Source() const { return options_.source.empty() ? path_ : options_.source; }

bool DocumentSession::Load(int lastPage) {
    {
        std::ifstream probe(Source(), std::ios::binary);
        if (!probe) {
            message_ = std::strerror(errno);
            state_ = State::Malformed;
            return false;
        }
    }
    OpenDocument();
    dvi_->NewPageWritten(lastPage);
    TakeState();
    // A file that is not DVI at all has nothing to show.
    return !(state_ == State::Malformed && dvi_->GetDviVersion() != 2);
}

void DocumentSession::OpenDocument() {
    fonts_.Attach(*dvi_);
    // Faces named by binary face records are looked up on the drawer's device.
    dvi_->SetFaceQuery(
        [](KsDvi::CDC* dc, char const* face) { return ksdvi::gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
    dvi_->SetAllowedPaths(options_.allowedPaths);
    dvi_->Open(String8(Source().c_str()), DirectoryList(options_.tfmPaths), DirectoryList(options_.vfPaths));
}

KsDvi::ScanChange DocumentSession::Follow() {
    if (!dvi_->IsOpened()) OpenDocument();
    KsDvi::ScanChange changed = dvi_->ScanWritten();
    followed_ = true;
    TakeState();
    return changed;
}

void DocumentSession::TakeState() {
    message_.clear();
    switch (dvi_->GetMode()) {
    case KsDvi::Complete: state_ = State::Complete; break;
    case KsDvi::Growing:
        state_ = State::Growing;
        if (dvi_->IsPageLimitReached())
            message_ = "only the first " + std::to_string(KsDvi::MaxPages) + " pages are read; the file has more";
        break;
    case KsDvi::Malformed: {
        message_ = Describe();
        // A file TeX has not finished yet.
        KsDvi::ScanProblem problem = dvi_->GetScanProblem();
        bool unfinished =
            problem == KsDvi::ScanProblem::UnexpectedEnd || problem == KsDvi::ScanProblem::UnfinishedPostamble;
        state_ = unfinished && dvi_->GetDviVersion() == 2 ? State::Growing : State::Malformed;
        break;
    }
    }
}

bool DocumentSession::LoadOrReport(int lastPage) {
    if (Load(lastPage)) return true;
    ReportError(path_, message_);
    return false;
}

void DocumentSession::ReportMissingFonts() const {
    for (std::string const& name : dvi_->GetMissingFonts())
        ReportError(path_, "font " + name + ": " + dvi_->GetFontProblem(name) + "; its characters are left out");
    if (dvi_->GetNItrnFont() >= KsDvi::MostFontRecords)
        ReportError(path_, "more than " + std::to_string(KsDvi::MostFontRecords) +
                               " fonts at their sizes (virtual fonts' own included): the rest are left out");
}

char const* DocumentSession::StateName() const {
    switch (state_) {
    case State::Growing: return "growing";
    case State::Complete: return "complete";
    case State::Malformed: return "malformed";
    }
    return "malformed";
}

std::string DocumentSession::StateReport() const {
    std::string reason = message_;
    // Following a file, a page TeX has not finished is no problem to name.
    if (reason.empty() && state_ == State::Growing && followed_)
        reason = "the file ends before its postamble (" + std::to_string(dvi_->GetNPage()) + " complete pages)";
    if (reason.empty()) return {};
    std::string const state = StateName();
    // Some reasons name the state themselves.
    return reason.rfind(state, 0) == 0 ? reason : state + ": " + reason;
}

std::string DocumentSession::Describe() const {
    KsDvi const& dvi = *dvi_;
    long long at = dvi.GetScanProblemOffset();
    char buf[160];
    switch (dvi.GetScanProblem()) {
    case KsDvi::ScanProblem::None: return "";
    case KsDvi::ScanProblem::CannotOpen: return "cannot open the file";
    case KsDvi::ScanProblem::BadPreamble: return "not a DVI file (no preamble)";
    case KsDvi::ScanProblem::BadIdentification:
        std::snprintf(buf, sizeof buf, "unsupported DVI identification byte %d (expected 2)", dvi.GetDviVersion());
        return buf;
    case KsDvi::ScanProblem::BadMagnification: return "magnification outside 100 to 10000";
    case KsDvi::ScanProblem::BadUnits: return "numerator or denominator of the units not positive";
    case KsDvi::ScanProblem::UnexpectedEnd:
        if (dvi.GetDviVersion() != 2) return "file too short for a DVI preamble";
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

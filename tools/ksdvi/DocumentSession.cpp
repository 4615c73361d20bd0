#include "DocumentSession.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "FontReport.h"
#include "dvi/DirectoryList.h"
#include "dvi/DviOpcodes.h"
#include "font/TeXFonts.h"
#include "page/DocumentState.h"
#include "page/OutputFile.h"
#include "platform/gdi/Font.h"
#include "platform/gs/GS.h"

bool HasPagesToDraw(DocumentSession const& session) {
    std::string const state = session.StateReport();
    if (session.Document().GetNPage() == 0) {
        ReportError(session.Path(), state.empty() ? "the document has no pages" : state + "; no page to draw");
        return false;
    }
    if (!state.empty() && session.GetState() != DocumentSession::State::Malformed) ReportWarning(session.Path(), state);
    return true;
}

bool IsTheDocument(DocumentSession const& session, std::string const& output) {
    if (!IsSameFile(output, session.Source())) return false;
    ReportError(output, "the output would overwrite the input " + session.Path() + "; nothing is written");
    return true;
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
    return !(state_ == State::Malformed && !ksdvi::dvi::IsKnownId(dvi_->GetDviVersion()));
}

void DocumentSession::OpenDocument() {
    dvi_->UseFonts(fonts_);
    // Faces named by binary face records are looked up on the drawer's device.
    dvi_->SetFaceQuery(
        [](KsDvi::CDC* dc, char const* face) { return ksdvi::gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
    dvi_->SetAllowedPaths(options_.allowedPaths);
    // A command reads whole documents: the library's default page limit is for
    // programs that keep many open.
    dvi_->SetPageLimit(KsDvi::MostPageLimit);
    if (ghostscriptEarly_) dvi_->SetPostScriptMet([] { GetGS()->StartEarly(); });
    dvi_->Open(String8(Source().c_str()), ksdvi::DirectoryList(options_.tfmPaths),
               ksdvi::DirectoryList(options_.vfPaths));
}

KsDvi::ScanChange DocumentSession::Follow() {
    if (!dvi_->IsOpened()) OpenDocument();
    KsDvi::ScanChange changed = dvi_->ScanWritten();
    followed_ = true;
    TakeState();
    return changed;
}

void DocumentSession::TakeState() {
    ksdvi::DocumentStatus status = ksdvi::StatusOf(*dvi_);
    state_ = status.state;
    message_ = std::move(status.problem);
}

bool DocumentSession::LoadOrReport(int lastPage) {
    if (Load(lastPage)) {
        int const pages = dvi_->GetNPage();
        ReportNote(path_, "read " + std::to_string(pages) + (pages == 1 ? " page" : " pages") +
                              (state_ == State::Complete ? ", the whole file" : "") +
                              (Source() != path_ ? ", copied to " + Source() : ""));
        return true;
    }
    ReportError(path_, message_);
    return false;
}

void DocumentSession::ReportMissingFonts() const { WarnMissingFonts(path_, *dvi_); }

char const* DocumentSession::StateName() const { return ksdvi::StateName(state_); }

std::string DocumentSession::StateReport() const {
    std::string reason = message_;
    // Read to the end of what is written (not stopped at the last page asked
    // for), a file without its postamble says so.
    if (reason.empty() && state_ == State::Growing && followed_) reason = ksdvi::EndsBeforePostamble(*dvi_);
    if (reason.empty()) return {};
    std::string const state = StateName();
    // Some reasons name the state themselves.
    return reason.rfind(state, 0) == 0 ? reason : state + ": " + reason;
}

#pragma once
// The host's side of one document: finds its fonts like a TeX previewer
// (directories given by the user, then kpathsea; faces from the map), scans it,
// and says in words what went wrong.

#include <memory>
#include <string>
#include <vector>

#include "HostDocument.h"
#include "Messages.h"
#include "font/TeXFonts.h"
#include "page/DocumentState.h"

struct SessionOptions {
    std::vector<std::string> tfmPaths;
    std::vector<std::string> vfPaths;
    std::vector<std::string> mapFiles;
    // Directories whose files the document may name by absolute or `..` paths.
    std::vector<std::string> allowedPaths;
    // Hangul composition rows of the xhan subfonts, added to the built-in ones.
    std::string xhanTable;
    // Where the document's bytes are read, when not at its name (a pipe
    // copied to a temporary file); messages name the file as given.
    std::string source;
};

class DocumentSession {
public:
    using State = ksdvi::DocumentState;

    DocumentSession(std::string path, SessionOptions options, ksdvi::TeXFonts& fonts);
    ~DocumentSession();

    // Scans the pages the file holds, up to `lastPage` (0: all). False when the
    // file cannot be read at all (missing, unreadable, not DVI); Message() says why.
    bool Load(int lastPage = 0);
    // For a command that draws pages as images: Ghostscript's helper starts
    // when the scan meets PostScript, and gets ready while fonts load. Before
    // Load.
    void StartGhostscriptEarly() { ghostscriptEarly_ = true; }
    // Load, with the message on stderr against the file when it fails.
    bool LoadOrReport(int lastPage = 0);
    // For a file TeX is writing: scans the pages completed since the last
    // call, or all of them anew after a rerun.
    KsDvi::ScanChange Follow();

    KsDvi& Document() { return *dvi_; }
    KsDvi const& Document() const { return *dvi_; }
    // Picture files named by the specials, in scan order.
    std::vector<std::string> const& Pictures() const { return dvi_->GetPictures(); }
    // The paper size the document asks for with a papersize special, if any.
    std::optional<ksdvi::Paper> const& PaperSpecial() const { return dvi_->GetPaperSpecial(); }
    std::string const& Path() const { return path_; }
    // Where the bytes are read: the path, or the copy of a pipe.
    std::string const& Source() const;
    // A file that ends inside a page is one TeX is still writing: its complete
    // pages are usable and the state is Growing.
    State GetState() const { return state_; }
    char const* StateName() const;
    // Why the scan stopped early (empty when it did not).
    std::string const& Message() const { return message_; }
    // The state and why, as `info` gives them ("growing: file ends inside
    // page 3 ..."); empty for a complete file read whole.
    std::string StateReport() const;
    // One line on stderr per font whose metrics were found nowhere.
    void ReportMissingFonts() const;

private:
    void OpenDocument();
    void TakeState();  // the state and message of the scan

    std::string path_;
    SessionOptions options_;
    bool ghostscriptEarly_ = false;
    ksdvi::TeXFonts& fonts_;
    std::unique_ptr<HostDocument> dvi_;
    State state_ = State::Growing;
    std::string message_;
    bool followed_ = false;  // scanned by Follow, to the end of what is written
};

// For a command about to draw pages: false, with the state on stderr, when
// the file holds no complete page; a file not yet complete (or cut short)
// is said as a warning, and malformed ones are left to the end.
bool HasPagesToDraw(DocumentSession const& session);

// True, with the error on stderr, when writing `output` would overwrite the
// document itself (by its name or through a link).
bool IsTheDocument(DocumentSession const& session, std::string const& output);

using ksdvi::PageUnreadable;

// The fonts of the TeX installation with the user's map files read after its
// own entries; a map file that cannot be read or stops at a syntax error is
// reported, and the entries before the error are kept.
std::unique_ptr<ksdvi::TeXFonts> LoadFonts(std::vector<std::string> const& mapFiles);

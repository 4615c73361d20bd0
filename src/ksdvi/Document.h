#pragma once
// ksdvi's embedding interface: a DVI document, also one TeX is still
// writing, with its pages, their sizes, links, anchors, outline, text and
// search. Pages are drawn with ksdvi/PageDrawing.h.
//
// Units: points (PostScript's, 1/72 inch) from the top-left corner of the
// paper, y growing downwards; TeX's origin lies an inch from the top and the
// left edge.
//
// Threads: a Document, and the drawings made from it, are used by one thread
// at a time. Documents are independent of each other: two documents, even of
// the same file, may be used on two threads at once.
//
// Locale: what ksdvi draws and writes is the same in every locale; the
// numbers of its PostScript, PDF and map files are read and written as "1.5"
// whatever LC_NUMERIC or C++'s global locale say. setlocale() is not safe
// while other threads run: set it before a thread uses a document (a GTK
// program calls gtk_disable_setlocale() and sets it itself first).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "page/DocumentState.h"
#include "specials/LinkBorder.h"

class KsDvi;

namespace ksdvi {

struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
};

struct Point {
    double x = 0, y = 0;
};

// A page as a reader is shown it: its paper turned clockwise by `degrees`
// (Document::Turn). Drawing, links and text lie on the unturned page; Show
// says where one of its points or areas is shown, Unshow where a shown point
// lies on it.
struct PageTurn {
    Point paper;      // the unturned paper, in points
    int degrees = 0;  // 0, 90, 180 or 270

    Point Shown() const;  // the turned paper
    Point Show(Point onPage) const;
    Rect Show(Rect onPage) const;
    Point Unshow(Point shown) const;
};

struct DocumentOptions {
    // Looked in for metric (TFM, OFM) and virtual-font files before the TeX
    // installation (kpathsea).
    std::vector<std::string> metricDirectories;
    std::vector<std::string> virtualFontDirectories;
    // Font map files in ksdvi's TrueType-map syntax, read after the
    // installation's pdftex.map; later entries win.
    std::vector<std::string> mapFiles;
    // Directories whose files the document may name by absolute or `..`
    // paths; its own directory tree and the TeX installation always.
    std::vector<std::string> allowedDirectories;
    // The paper when the document names none with a papersize special, in
    // points (A4).
    double paperWidth = 595.2756, paperHeight = 841.8898;
    // When Ghostscript's helper process starts for pages with PostScript or
    // EPS pictures. By default when a page first needs it, so that opening a
    // document starts nothing. A caller about to draw pages starts it while
    // the document opens: the helper gets ready on another core as fonts load.
    enum class Ghostscript { WhenNeeded, EarlyForImages, EarlyForVectors };
    Ghostscript ghostscript = Ghostscript::WhenNeeded;
};

// A place in the document.
struct Destination {
    int page = 0;  // 0-based
    Point at;
};

struct Link {
    std::string uri;     // an external target; empty for one inside the document
    std::string anchor;  // the anchor an internal link leads to
    std::vector<Rect> areas;
    LinkBorder border;  // the frame PDF viewers draw around it
};

struct OutlineEntry {
    std::string title;  // UTF-8
    int level = 0;      // 0 at the top
    bool open = true;
    std::optional<Destination> destination;
};

struct PageWord {
    std::string text;  // UTF-8
    Rect box;
};

// Text selected with the pointer: what a reader copies, and the areas to
// show as selected, one per line.
struct Selection {
    std::string text;  // UTF-8, lines ended by '\n'
    std::vector<Rect> areas;
};

struct SearchHit {
    int page = 0;
    std::string text;         // the characters matched, UTF-8
    std::vector<Rect> areas;  // one per line the match spans
};

// Where a source line was set: a box of a page.
struct SourceArea {
    int page = 0;  // 0-based
    Rect area;
};

// A place in the TeX sources.
struct SourcePosition {
    std::string file;  // an absolute path
    int line = 0;      // 1-based
    int column = 0;    // 1-based; 0 when only the line is known
};

class Document {
public:
    // Opens `path`; null with `error` set (naming the file) when it is not a
    // DVI file at all.
    // A file TeX is still writing opens with the pages it has completed.
    static std::unique_ptr<Document> Open(std::string const& path, DocumentOptions const& options = {},
                                          std::string* error = nullptr);
    ~Document();
    Document(Document const&) = delete;
    Document& operator=(Document const&) = delete;

    // Reads what TeX has written since the last look: the pages it has
    // completed, or every page anew after a rerun.
    enum class Change { None, Extended, Renewed };
    Change Update();

    DocumentState State() const;
    // Why the document, or the page last asked about, is not whole, in
    // words; empty when nothing is wrong.
    std::string const& Problem() const;

    int PageCount() const;
    // TeX's own number of a page (\count0).
    int32_t TeXPageNumber(int page) const;
    // A digest of a page's bytes in the file: after a rerun, a page whose
    // digest is unchanged looks the same (the fonts it names unchanged);
    // 0 when the page cannot be read.
    std::uint64_t PageFingerprint(int page) const;
    // The paper of a page, in points, as the page is drawn: the paper its
    // papersize or pdf:pagesize special names, else the document's first,
    // else the options'.
    Point PageSize(int page) const;
    // Degrees clockwise (0, 90, 180 or 270) a reader turns the page to read
    // it, as PDF's /Rotate: pdflscape's landscape pages. Drawing and the
    // page's positions stay those of the unturned page.
    int PageRotation(int page) const;
    // The page's paper and its turn.
    PageTurn Turn(int page) const;

    // Hyperlinks of a page, with their areas; empty, with Problem() set, when
    // the page cannot be read.
    std::vector<Link> Links(int page);
    // Where a named anchor points; nullopt when no page has it.
    std::optional<Destination> FindAnchor(std::string const& name);
    std::vector<OutlineEntry> Outline();

    // A page's text as a reader would copy it, line by line, each word with
    // its box; nullopt when the page cannot be read (Problem() says why).
    std::optional<std::vector<std::vector<PageWord>>> Text(int page);
    // Where `pattern` (UTF-8; white space and, unless asked, letter case
    // ignored; across ligatures and accents) occurs on `pages`, on every
    // page when none are given.
    std::vector<SearchHit> Search(std::string const& pattern, bool matchCase = false, std::vector<int> pages = {});
    // The text between two points of a page, as a mouse drag from `from` to
    // `to` selects it (the characters nearest them and all in reading order
    // between); empty when nothing lies there or the page cannot be read.
    Selection Select(int page, Point from, Point to);

    // Forward search: where `line` (and `column`, 0 for none) of the source
    // file `file` was set, from the document's SyncTeX file when it has one
    // no older than itself, else from its `src:` specials (`tex
    // -src-specials`); empty when the line has no place. `file` may be
    // absolute or relative to the document's directory.
    std::vector<SourceArea> SourceAreas(std::string const& file, int line, int column = 0);
    // Inverse search: the source line that set the point `at` of `page`.
    std::optional<SourcePosition> SourceAt(int page, Point at);

    // The engine's document, for what this interface does not cover; its
    // functions are in the static libraries (ksdvi::render), not libksdvi.so.
    KsDvi& Engine();

private:
    struct Impl;
    explicit Document(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace ksdvi

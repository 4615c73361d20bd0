#pragma once
// One viewer window on one DVI file: the pages in a column, drawn in slices
// between the window's events, followed while TeX rewrites the file, with
// search, selection, links, the outline and a dark reading mode.

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "PageCache.h"
#include "PageColumn.h"
#include "ksdvi/Document.h"
#include "ksdvi/PageDrawing.h"

namespace ksdvi::view {

struct ViewerOptions {
    bool dark = false;
    double zoom = 1.0;  // 1: 96 pixels an inch
    // Ctrl+click runs it with %f, %l and %c replaced by the source file, line
    // and column of the point clicked (inverse search); no shell is involved.
    std::string editor;
};

// How the viewer opens documents: their PostScript's interpreter starts
// while the document opens, as the first pages are drawn right after.
inline DocumentOptions ViewerDocumentOptions() {
    DocumentOptions options;
    options.ghostscript = DocumentOptions::Ghostscript::EarlyForImages;
    return options;
}

// A line of a TeX source to show (forward search).
struct SourceLine {
    std::string file;
    int line = 0, column = 0;
};

class ViewerWindow {
public:
    // `opened`, when given, is the document of `path` opened already. With
    // `arriving`, another thread is opening it, and the window shows (empty)
    // until it comes through TakeDocument.
    ViewerWindow(GtkApplication* application, std::string path, ViewerOptions const& options,
                 std::unique_ptr<Document> opened = nullptr, bool arriving = false);
    ~ViewerWindow();
    ViewerWindow(ViewerWindow const&) = delete;
    ViewerWindow& operator=(ViewerWindow const&) = delete;

    std::string const& Path() const { return path_; }
    GtkWindow* Window() const { return GTK_WINDOW(window_); }
    void Present();
    bool AwaitsDocument() const { return awaiting_; }
    // The document another thread opened (null: it could not be opened).
    void TakeDocument(std::unique_ptr<Document> opened);
    // Scrolls to where `source` was set and marks it for a moment; false when
    // the line has no place in the document.
    bool ShowSource(SourceLine const& source);
    void SetEditor(std::string editor) { options_.editor = std::move(editor); }

private:
    // Building.
    void BuildWidgets();
    void BindKeys();
    void BindPointer();
    void BuildOutline();

    // The document and the file.
    void OpenDocument(std::unique_ptr<Document> opened = nullptr);
    void FileChanged(GFileMonitorEvent event);
    static gboolean ReloadLater(gpointer self);

    // Geometry.
    double ScaleFactor() const;
    double PixelsPerPoint() const { return column_.zoom * ScaleFactor(); }
    void Relayout();
    void SetZoom(double zoom, std::optional<double> anchorY = std::nullopt);
    void FitWidth();
    void FitPage();
    int CurrentPage() const;
    // Scrolls to the top of `page`, or to point `at` of it.
    void ScrollTo(int page, std::optional<Point> at = std::nullopt);
    void ScrollBy(double dy);
    // The page and the point on it under a point of the drawing area.
    bool PagePoint(double x, double y, int& page, Point& at) const;
    Point ShownAt(int page, double x, double y) const;
    // The point of `page` nearest to view point (x, y), on the page or at its edge.
    Point OnPage(int page, double x, double y) const;
    void UpdateTitle();

    // Drawing.
    static void Draw(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer self);
    void DrawPage(cairo_t* cr, int page, double left, double top);
    void DrawMarks(cairo_t* cr, int page, double left, double top);
    void ScheduleDrawing();
    static gboolean DrawSlice(gpointer self);

    // Search, selection, links.
    void BuildSearchBar();
    void ShowSearch();
    void RunSearch(std::string const& pattern);
    void NextHit(int direction);
    void CopySelection();
    std::vector<Link> const& LinksOf(int page);
    Link const* LinkAt(double x, double y);
    void FollowLink(Link const& link);
    void GoBack();
    // Inverse search: the editor opened on the source of a point.
    void EditSourceAt(double x, double y);
    static gboolean ClearSourceMark(gpointer self);
    bool HandleKey(guint key, GdkModifierType modifiers);

    GtkApplication* application_;
    std::string path_;
    ViewerOptions options_;
    std::unique_ptr<Document> document_;
    bool awaiting_ = false;
    std::optional<SourceLine> awaitedSource_;  // to show once the document came
    PageColumn column_;
    PageCache cache_{std::uint64_t(128) << 20};  // some 15 A4 pages at 150 dpi

    GtkWidget* window_ = nullptr;
    GtkWidget* content_ = nullptr;  // the search bar above the pages
    GtkWidget* area_ = nullptr;
    GtkWidget* searchBar_ = nullptr;
    GtkWidget* searchEntry_ = nullptr;
    GtkWidget* outlinePanel_ = nullptr;
    GtkWidget* outlineList_ = nullptr;
    GtkAdjustment* hadjustment_ = nullptr;
    GtkAdjustment* vadjustment_ = nullptr;
    GFileMonitor* monitor_ = nullptr;
    guint reloadSource_ = 0;
    guint drawSource_ = 0;

    // The drawing in progress.
    std::unique_ptr<PageDrawing> drawing_;
    int drawingPage_ = -1;
    double drawingResolution_ = 0;
    gint64 drawingStart_ = 0;
    // Pages whose drawing failed once: shown broken only if it fails again
    // with the file unchanged.
    std::set<int> doubted_;

    std::string searched_;  // the pattern hits_ were found for
    std::vector<SearchHit> hits_;
    int currentHit_ = -1;
    int selectionPage_ = -1;
    Point selectionFrom_;
    Selection selection_;
    std::map<int, std::vector<Link>> links_;
    std::vector<std::pair<int, double>> history_;  // page, point on it
    std::string pageNumberTyped_;
    std::vector<SourceArea> sourceMark_;  // the spot a forward search found
    guint sourceMarkSource_ = 0;
    bool dark_ = false;
};

}  // namespace ksdvi::view

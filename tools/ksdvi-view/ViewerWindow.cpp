#include "ViewerWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "DarkMode.h"

namespace ksdvi::view {

namespace {

constexpr double kPixelsPerPointAt100 = 96.0 / 72.0;
constexpr double kZoomStep = 1.2;
constexpr double kLeastZoom = 0.1, kMostZoom = 16.0;
constexpr int kInstructionsPerSlice = 20000;
constexpr double kLineScroll = 48;

ViewerWindow* Self(gpointer data) { return static_cast<ViewerWindow*>(data); }

// With KSDVI_VIEW_TIMES set, what the viewer does and when, in milliseconds
// since it started, on standard error: for bench/viewer.sh.
gint64 const processStart = g_get_monotonic_time();

void Note(char const* event, int page, double took) {
    static bool const wanted = g_getenv("KSDVI_VIEW_TIMES") != nullptr;
    if (wanted)
        std::fprintf(stderr, "%s page=%d at=%.1f took=%.2f\n", event, page + 1,
                     double(g_get_monotonic_time() - processStart) / 1000.0, took);
}

double Milliseconds(gint64 since) { return double(g_get_monotonic_time() - since) / 1000.0; }

// G_CALLBACK as a function: lambdas hold commas a macro would split at.
template <typename Function>
GCallback Callback(Function* function) {
    return reinterpret_cast<GCallback>(function);
}

bool Inside(Rect const& r, Point p) { return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height; }

}  // namespace

ViewerWindow::ViewerWindow(GtkApplication* application, std::string path, ViewerOptions const& options,
                           std::unique_ptr<Document> opened, bool arriving)
    : application_(application),
      path_(std::move(path)),
      options_(options),
      awaiting_(arriving && !opened),
      dark_(options.dark) {
    column_.zoom = std::clamp(options.zoom, kLeastZoom, kMostZoom) * kPixelsPerPointAt100;
    BuildWidgets();
    BindKeys();
    BindPointer();
    if (awaiting_)
        UpdateTitle();
    else
        OpenDocument(std::move(opened));

    // inotify, through GIO: TeX rewrites the file in place or replaces it.
    GFile* file = g_file_new_for_path(path_.c_str());
    monitor_ = g_file_monitor_file(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
    g_object_unref(file);
    if (monitor_)
        g_signal_connect(monitor_, "changed",
                         Callback(+[](GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer self) {
                             Self(self)->FileChanged(event);
                         }),
                         this);
}

ViewerWindow::~ViewerWindow() {
    if (reloadSource_) g_source_remove(reloadSource_);
    if (drawSource_) g_source_remove(drawSource_);
    if (sourceMarkSource_) g_source_remove(sourceMarkSource_);
    if (monitor_) {
        g_signal_handlers_disconnect_by_data(monitor_, this);
        g_file_monitor_cancel(monitor_);
        g_object_unref(monitor_);
    }
    drawing_.reset();
}

void ViewerWindow::Present() { gtk_window_present(GTK_WINDOW(window_)); }

void ViewerWindow::BuildWidgets() {
    window_ = gtk_application_window_new(application_);
    gtk_window_set_default_size(GTK_WINDOW(window_), 900, 1000);

    content_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_vexpand(row, TRUE);
    outlinePanel_ = gtk_scrolled_window_new();
    gtk_widget_set_size_request(outlinePanel_, 260, -1);
    outlineList_ = gtk_list_box_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(outlinePanel_), outlineList_);
    gtk_widget_set_visible(outlinePanel_, FALSE);
    gtk_box_append(GTK_BOX(row), outlinePanel_);

    GtkWidget* grid = gtk_grid_new();
    gtk_widget_set_hexpand(grid, TRUE);
    area_ = gtk_drawing_area_new();
    gtk_widget_set_hexpand(area_, TRUE);
    gtk_widget_set_vexpand(area_, TRUE);
    gtk_widget_set_focusable(area_, TRUE);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), Draw, this, nullptr);
    vadjustment_ = gtk_adjustment_new(0, 0, 0, kLineScroll, 400, 0);
    hadjustment_ = gtk_adjustment_new(0, 0, 0, kLineScroll, 400, 0);
    gtk_grid_attach(GTK_GRID(grid), area_, 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, vadjustment_), 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, hadjustment_), 0, 1, 1, 1);
    gtk_box_append(GTK_BOX(row), grid);
    gtk_box_append(GTK_BOX(content_), row);
    gtk_window_set_child(GTK_WINDOW(window_), content_);

    g_signal_connect(area_, "resize",
                     Callback(+[](GtkDrawingArea*, int, int, gpointer self) { Self(self)->Relayout(); }), this);
    auto scrolled = +[](GtkAdjustment*, gpointer self) {
        ViewerWindow* viewer = Self(self);
        gtk_widget_queue_draw(viewer->area_);
        viewer->UpdateTitle();
        viewer->ScheduleDrawing();
    };
    g_signal_connect(vadjustment_, "value-changed", Callback(scrolled), this);
    g_signal_connect(hadjustment_, "value-changed", Callback(scrolled), this);

    g_signal_connect(outlineList_, "row-activated", Callback(+[](GtkListBox*, GtkListBoxRow* row, gpointer self) {
                         auto* destination = static_cast<Destination*>(g_object_get_data(G_OBJECT(row), "destination"));
                         // An entry for a whole page (at its top) shows the page from its top.
                         if (destination && destination->at.y == 0)
                             Self(self)->ScrollTo(destination->page);
                         else if (destination)
                             Self(self)->ScrollTo(destination->page, destination->at);
                     }),
                     this);
}

void ViewerWindow::BindKeys() {
    GtkEventController* keys = gtk_event_controller_key_new();
    g_signal_connect(keys, "key-pressed",
                     Callback(+[](GtkEventControllerKey*, guint key, guint, GdkModifierType mods, gpointer self) {
                         return gboolean(Self(self)->HandleKey(key, mods));
                     }),
                     this);
    gtk_widget_add_controller(window_, keys);
}

bool ViewerWindow::HandleKey(guint key, GdkModifierType modifiers) {
    bool const control = modifiers & GDK_CONTROL_MASK, shift = modifiers & GDK_SHIFT_MASK,
               alt = modifiers & GDK_ALT_MASK;
    // Keys typed into the search entry are its own, but for the few above.
    if (searchEntry_ && (gtk_widget_has_focus(searchEntry_) ||
                         gtk_widget_is_ancestor(gtk_root_get_focus(GTK_ROOT(window_)), searchEntry_)))
        return false;
    double const page = gtk_adjustment_get_page_size(vadjustment_);
    if (control) {
        switch (key) {
        case GDK_KEY_plus:
        case GDK_KEY_equal:
        case GDK_KEY_KP_Add: SetZoom(column_.zoom * kZoomStep); return true;
        case GDK_KEY_minus:
        case GDK_KEY_KP_Subtract: SetZoom(column_.zoom / kZoomStep); return true;
        case GDK_KEY_0:
        case GDK_KEY_KP_0: SetZoom(kPixelsPerPointAt100); return true;
        case GDK_KEY_f: ShowSearch(); return true;
        case GDK_KEY_c: CopySelection(); return true;
        case GDK_KEY_r:
            dark_ = !dark_;
            cache_.Clear();
            gtk_widget_queue_draw(area_);
            ScheduleDrawing();
            return true;
        default: return false;
        }
    }
    if (alt && key == GDK_KEY_Left) {
        GoBack();
        return true;
    }
    if (key >= GDK_KEY_0 && key <= GDK_KEY_9) {
        if (pageNumberTyped_.size() < 9) pageNumberTyped_ += char('0' + (key - GDK_KEY_0));
        return true;
    }
    bool handled = true;
    switch (key) {
    case GDK_KEY_g:
        if (!pageNumberTyped_.empty()) ScrollTo(std::stoi(pageNumberTyped_) - 1);
        break;
    case GDK_KEY_G: ScrollTo(column_.Pages() - 1); break;
    case GDK_KEY_Down:
    case GDK_KEY_j: ScrollBy(kLineScroll); break;
    case GDK_KEY_Up:
    case GDK_KEY_k: ScrollBy(-kLineScroll); break;
    case GDK_KEY_Left:
    case GDK_KEY_h: gtk_adjustment_set_value(hadjustment_, gtk_adjustment_get_value(hadjustment_) - kLineScroll); break;
    case GDK_KEY_Right:
    case GDK_KEY_l: gtk_adjustment_set_value(hadjustment_, gtk_adjustment_get_value(hadjustment_) + kLineScroll); break;
    case GDK_KEY_space: ScrollBy(shift ? -0.9 * page : 0.9 * page); break;
    case GDK_KEY_Page_Down: ScrollBy(0.9 * page); break;
    case GDK_KEY_Page_Up: ScrollBy(-0.9 * page); break;
    case GDK_KEY_Home: gtk_adjustment_set_value(vadjustment_, 0); break;
    case GDK_KEY_End: gtk_adjustment_set_value(vadjustment_, gtk_adjustment_get_upper(vadjustment_)); break;
    case GDK_KEY_slash: ShowSearch(); break;
    case GDK_KEY_n: NextHit(1); break;
    case GDK_KEY_N: NextHit(-1); break;
    case GDK_KEY_s: FitWidth(); break;
    case GDK_KEY_a: FitPage(); break;
    case GDK_KEY_F9: gtk_widget_set_visible(outlinePanel_, !gtk_widget_get_visible(outlinePanel_)); break;
    case GDK_KEY_Escape:
        selection_ = {};
        selectionPage_ = -1;
        gtk_widget_queue_draw(area_);
        break;
    default: handled = false;
    }
    pageNumberTyped_.clear();
    return handled;
}

void ViewerWindow::BindPointer() {
    // Ctrl+wheel zooms about the pointer; the wheel alone scrolls.
    GtkEventController* wheel = gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_BOTH_AXES);
    g_signal_connect(
        wheel, "scroll",
        Callback(+[](GtkEventControllerScroll* controller, double dx, double dy, gpointer self) -> gboolean {
            ViewerWindow* viewer = Self(self);
            GdkModifierType mods = gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(controller));
            if (mods & GDK_CONTROL_MASK) {
                double x = 0, y = 0;
                GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(controller));
                if (event) gdk_event_get_position(event, &x, &y);
                viewer->SetZoom(viewer->column_.zoom * (dy < 0 ? kZoomStep : 1 / kZoomStep), y);
                return TRUE;
            }
            viewer->ScrollBy(dy * kLineScroll);
            gtk_adjustment_set_value(viewer->hadjustment_,
                                     gtk_adjustment_get_value(viewer->hadjustment_) + dx * kLineScroll);
            return TRUE;
        }),
        this);
    gtk_widget_add_controller(area_, wheel);

    // The pointer over a link.
    GtkEventController* motion = gtk_event_controller_motion_new();
    g_signal_connect(motion, "motion", Callback(+[](GtkEventControllerMotion*, double x, double y, gpointer self) {
                         ViewerWindow* viewer = Self(self);
                         gtk_widget_set_cursor_from_name(viewer->area_, viewer->LinkAt(x, y) ? "pointer" : nullptr);
                     }),
                     this);
    gtk_widget_add_controller(area_, motion);

    // Dragging selects text on the page where it began; a click follows a link.
    GtkGesture* drag = gtk_gesture_drag_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag), GDK_BUTTON_PRIMARY);
    g_signal_connect(drag, "drag-begin", Callback(+[](GtkGestureDrag*, double x, double y, gpointer self) {
                         ViewerWindow* viewer = Self(self);
                         gtk_widget_grab_focus(viewer->area_);
                         viewer->selection_ = {};
                         viewer->selectionPage_ = -1;
                         int page = -1;
                         Point at;
                         if (viewer->PagePoint(x, y, page, at)) {
                             viewer->selectionPage_ = page;
                             viewer->selectionFrom_ = at;
                         }
                         gtk_widget_queue_draw(viewer->area_);
                     }),
                     this);
    g_signal_connect(drag, "drag-update", Callback(+[](GtkGestureDrag* gesture, double dx, double dy, gpointer self) {
                         ViewerWindow* viewer = Self(self);
                         if (viewer->selectionPage_ < 0 || (std::fabs(dx) < 3 && std::fabs(dy) < 3)) return;
                         double x0 = 0, y0 = 0;
                         gtk_gesture_drag_get_start_point(gesture, &x0, &y0);
                         // Past the page's edge: its first or last line.
                         Point const at = viewer->OnPage(viewer->selectionPage_, x0 + dx, y0 + dy);
                         viewer->selection_ =
                             viewer->document_->Select(viewer->selectionPage_, viewer->selectionFrom_, at);
                         gtk_widget_queue_draw(viewer->area_);
                     }),
                     this);
    g_signal_connect(drag, "drag-end", Callback(+[](GtkGestureDrag* gesture, double dx, double dy, gpointer self) {
                         ViewerWindow* viewer = Self(self);
                         if (std::fabs(dx) >= 3 || std::fabs(dy) >= 3) return;
                         double x = 0, y = 0;
                         gtk_gesture_drag_get_start_point(gesture, &x, &y);
                         GdkModifierType const mods =
                             gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(gesture));
                         if (mods & GDK_CONTROL_MASK) {
                             viewer->EditSourceAt(x, y);
                             return;
                         }
                         if (Link const* link = viewer->LinkAt(x, y)) {
                             Link const copy = *link;
                             viewer->FollowLink(copy);
                         }
                     }),
                     this);
    gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(drag));
}

void ViewerWindow::TakeDocument(std::unique_ptr<Document> opened) {
    if (!awaiting_) return;
    OpenDocument(std::move(opened));
    if (awaitedSource_) ShowSource(*awaitedSource_);
    awaitedSource_.reset();
}

void ViewerWindow::OpenDocument(std::unique_ptr<Document> opened) {
    awaiting_ = false;
    std::string error;
    gint64 const start = g_get_monotonic_time();
    document_ = opened ? std::move(opened) : Document::Open(path_, ViewerDocumentOptions(), &error);
    Note("opened", -1, Milliseconds(start));
    if (!document_) std::fprintf(stderr, "ksdvi-view: %s\n", error.c_str());  // the error names the file
    Relayout();
    BuildOutline();
    UpdateTitle();
}

void ViewerWindow::FileChanged(GFileMonitorEvent event) {
    Note("changed", -1, 0);
    // TeX writes in pieces: look once it has been quiet for a moment, or at
    // once when it closed the file or moved a new one into place.
    bool const finished = event == G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT || event == G_FILE_MONITOR_EVENT_CREATED ||
                          event == G_FILE_MONITOR_EVENT_MOVED_IN || event == G_FILE_MONITOR_EVENT_RENAMED;
    if (reloadSource_) g_source_remove(reloadSource_);
    reloadSource_ = g_timeout_add(finished ? 0 : 150, ReloadLater, this);
}

gboolean ViewerWindow::ReloadLater(gpointer self) {
    ViewerWindow* viewer = Self(self);
    viewer->reloadSource_ = 0;
    if (!viewer->document_) {
        viewer->OpenDocument();
        viewer->ScheduleDrawing();
        return G_SOURCE_REMOVE;
    }
    // A document is not updated while one of its pages is drawn.
    viewer->drawing_.reset();
    // The pages drawn so far, to tell which a rerun changed.
    std::map<int, std::uint64_t> fingerprints;
    for (int page : viewer->cache_.Pages()) fingerprints[page] = viewer->document_->PageFingerprint(page);
    Document::Change const change = viewer->document_->Update();
    viewer->ScheduleDrawing();
    if (change == Document::Change::None) return G_SOURCE_REMOVE;
    viewer->doubted_.clear();
    viewer->links_.clear();
    viewer->hits_.clear();
    viewer->currentHit_ = -1;
    viewer->selection_ = {};
    viewer->selectionPage_ = -1;
    if (change == Document::Change::Renewed) {
        // Pages whose bytes changed are drawn again; meanwhile their old
        // drawing stands in.
        for (auto [page, fingerprint] : fingerprints)
            if (page >= viewer->document_->PageCount() || viewer->document_->PageFingerprint(page) != fingerprint)
                viewer->cache_.MarkStale(page);
        viewer->BuildOutline();
    }
    viewer->Relayout();
    viewer->UpdateTitle();
    viewer->ScheduleDrawing();
    return G_SOURCE_REMOVE;
}

double ViewerWindow::ScaleFactor() const { return std::max(1, gtk_widget_get_scale_factor(area_)); }

void ViewerWindow::Relayout() {
    std::vector<PageTurn> papers;
    if (document_)
        for (int page = 0; page < document_->PageCount(); ++page) papers.push_back(document_->Turn(page));
    column_.SetPages(std::move(papers));
    double const width = gtk_widget_get_width(area_), height = gtk_widget_get_height(area_);
    gtk_adjustment_configure(vadjustment_, gtk_adjustment_get_value(vadjustment_), 0, column_.Height(), kLineScroll,
                             0.9 * height, height);
    gtk_adjustment_configure(hadjustment_, gtk_adjustment_get_value(hadjustment_), 0, std::max(width, column_.Width()),
                             kLineScroll, 0.9 * width, width);
    gtk_widget_queue_draw(area_);
    ScheduleDrawing();
}

void ViewerWindow::SetZoom(double zoom, std::optional<double> anchorY) {
    zoom = std::clamp(zoom, kLeastZoom * kPixelsPerPointAt100, kMostZoom * kPixelsPerPointAt100);
    double const y = anchorY.value_or(0);
    double const columnY = gtk_adjustment_get_value(vadjustment_) + y;
    int const page = std::max(0, column_.PageAt(columnY));
    double const onPage = (columnY - column_.Top(page)) / column_.zoom;
    column_.zoom = zoom;
    Relayout();
    gtk_adjustment_set_value(vadjustment_, column_.Top(page) + onPage * zoom - y);
    UpdateTitle();
}

void ViewerWindow::FitWidth() {
    if (column_.Pages() > 0) SetZoom((gtk_widget_get_width(area_) - 2 * PageColumn::kGap) / column_.WidestPaper());
}

void ViewerWindow::FitPage() {
    if (column_.Pages() == 0) return;
    int const page = CurrentPage();
    SetZoom(std::min((gtk_widget_get_width(area_) - 2 * PageColumn::kGap) / column_.WidestPaper(),
                     (gtk_widget_get_height(area_) - 2 * PageColumn::kGap) / column_.TallestPaper()));
    ScrollTo(page);
}

// The page that holds the middle of the view.
int ViewerWindow::CurrentPage() const {
    return column_.PageAt(gtk_adjustment_get_value(vadjustment_) + gtk_adjustment_get_page_size(vadjustment_) / 2);
}

void ViewerWindow::ScrollTo(int page, std::optional<Point> at) {
    if (page < 0 || page >= column_.Pages()) return;
    double const target =
        !at ? column_.Top(page) - PageColumn::kGap
            : column_.Top(page) + column_.Turn(page).Show(*at).y * column_.zoom - gtk_widget_get_height(area_) / 3;
    gtk_adjustment_set_value(vadjustment_, target);
}

void ViewerWindow::ScrollBy(double dy) {
    gtk_adjustment_set_value(vadjustment_, gtk_adjustment_get_value(vadjustment_) + dy);
}

// Where view point (x, y) is as shown on `page`'s turned paper, in points.
Point ViewerWindow::ShownAt(int page, double x, double y) const {
    double const left = column_.Left(page, gtk_widget_get_width(area_), gtk_adjustment_get_value(hadjustment_));
    double const top = column_.Top(page) - gtk_adjustment_get_value(vadjustment_);
    return {(x - left) / column_.zoom, (y - top) / column_.zoom};
}

bool ViewerWindow::PagePoint(double x, double y, int& page, Point& at) const {
    page = column_.PageAt(gtk_adjustment_get_value(vadjustment_) + y);
    if (page < 0) return false;
    Point const shown = ShownAt(page, x, y), paper = column_.Paper(page);
    at = column_.Turn(page).Unshow(shown);
    return shown.x >= 0 && shown.x < paper.x && shown.y >= 0 && shown.y < paper.y;
}

Point ViewerWindow::OnPage(int page, double x, double y) const {
    Point const shown = ShownAt(page, x, y), paper = column_.Paper(page);
    return column_.Turn(page).Unshow({std::clamp(shown.x, 0.0, paper.x), std::clamp(shown.y, 0.0, paper.y)});
}

// "paper.dvi — 3 / 12": the page holding the middle of the view.
void ViewerWindow::UpdateTitle() {
    std::string name = path_.substr(path_.find_last_of('/') + 1);
    std::string title = name;
    if (column_.Pages() > 0)
        title += " \u2014 " + std::to_string(CurrentPage() + 1) + " / " + std::to_string(column_.Pages());
    else if (!document_ && !awaiting_)
        title += " \u2014 not readable";
    gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
}

void ViewerWindow::Draw(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer data) {
    ViewerWindow* self = Self(data);
    gint64 const start = g_get_monotonic_time();
    struct Timed {
        ViewerWindow* self;
        gint64 start;
        ~Timed() { Note("frame", self->CurrentPage(), Milliseconds(start)); }
    } timed{self, start};
    if (self->dark_)
        cairo_set_source_rgb(cr, 0.12, 0.12, 0.12);
    else
        cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_paint(cr);
    if (!self->document_) return;
    double const scrollY = gtk_adjustment_get_value(self->vadjustment_);
    for (int page = std::max(0, self->column_.PageAt(scrollY)); page < self->column_.Pages(); ++page) {
        double const top = self->column_.Top(page) - scrollY;
        if (top > height) break;
        if (self->column_.Top(page + 1) - PageColumn::kGap - scrollY < 0) continue;
        double const left = self->column_.Left(page, width, gtk_adjustment_get_value(self->hadjustment_));
        self->DrawPage(cr, page, left, top);
        self->DrawMarks(cr, page, left, top);
    }
}

void ViewerWindow::DrawPage(cairo_t* cr, int page, double left, double top) {
    double const scale = ScaleFactor(), zoom = column_.zoom;
    // Whole device pixels, so that a sharp page is copied pixel for pixel.
    left = std::round(left * scale) / scale;
    top = std::round(top * scale) / scale;
    double const width = column_.Paper(page).x * zoom, height = column_.Paper(page).y * zoom;
    cairo_save(cr);
    cairo_rectangle(cr, left, top, width, height);
    if (dark_)
        cairo_set_source_rgb(cr, 0, 0, 0);
    else
        cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    double resolution = PixelsPerPoint();
    cairo_surface_t* surface = cache_.Sharp(page, resolution);
    if (!surface) surface = cache_.Any(page, &resolution);
    if (surface) {
        cairo_translate(cr, left, top);
        cairo_scale(cr, zoom, zoom);
        TurnPage(cr, column_.Turn(page), resolution);
        cairo_scale(cr, 1 / resolution, 1 / resolution);
        cairo_set_source_surface(cr, surface, 0, 0);
        if (resolution == PixelsPerPoint()) cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
    }
    cairo_restore(cr);
}

void ViewerWindow::DrawMarks(cairo_t* cr, int page, double left, double top) {
    double const zoom = column_.zoom;
    auto fill = [&](Rect const& onPage, double red, double green, double blue, double alpha) {
        Rect const r = column_.Turn(page).Show(onPage);
        cairo_rectangle(cr, left + r.x * zoom, top + r.y * zoom, r.width * zoom, r.height * zoom);
        cairo_set_source_rgba(cr, red, green, blue, alpha);
        cairo_fill(cr);
    };
    for (size_t i = 0; i < hits_.size(); ++i) {
        if (hits_[i].page != page) continue;
        bool const current = static_cast<int>(i) == currentHit_;
        for (Rect const& r : hits_[i].areas) current ? fill(r, 1.0, 0.45, 0.0, 0.5) : fill(r, 1.0, 0.9, 0.0, 0.4);
    }
    if (page == selectionPage_)
        for (Rect const& r : selection_.areas) fill(r, 0.2, 0.45, 0.9, 0.35);
    for (SourceArea const& mark : sourceMark_)
        if (mark.page == page) fill(mark.area, 0.9, 0.1, 0.1, 0.25);
}

void ViewerWindow::ScheduleDrawing() {
    if (drawSource_ || !document_) return;
    // With nothing drawn yet there is no page to stand in: the first one is
    // drawn before the frames that would show an empty window, in slices
    // still, so that input is answered.
    int const priority = cache_.Pages().empty() ? G_PRIORITY_HIGH_IDLE + 15 : G_PRIORITY_DEFAULT_IDLE;
    drawSource_ = g_idle_add_full(priority, DrawSlice, this, nullptr);
}

// One slice of the drawing of the first visible page that has no sharp
// drawing yet, then the page after the view.
gboolean ViewerWindow::DrawSlice(gpointer data) {
    ViewerWindow* self = Self(data);
    double const resolution = self->PixelsPerPoint();
    double const scrollY = gtk_adjustment_get_value(self->vadjustment_);
    int const first = self->column_.PageAt(scrollY);
    int const last = self->column_.PageAt(scrollY + gtk_adjustment_get_page_size(self->vadjustment_));
    if (self->drawing_ &&
        (self->drawingResolution_ != resolution || self->drawingPage_ < first - 1 || self->drawingPage_ > last + 1))
        self->drawing_.reset();
    if (!self->drawing_) {
        int next = -1;
        for (int page = std::max(first, 0); page <= std::min(last + 1, self->column_.Pages() - 1) && next < 0; ++page)
            if (!self->cache_.Sharp(page, resolution)) next = page;
        if (next < 0) {
            self->drawSource_ = 0;
            return G_SOURCE_REMOVE;
        }
        self->drawing_ = std::make_unique<PageDrawing>(*self->document_, next, resolution);
        self->drawingPage_ = next;
        self->drawingResolution_ = resolution;
        self->drawingStart_ = g_get_monotonic_time();
    }
    if (!self->drawing_->Step(kInstructionsPerSlice)) return G_SOURCE_CONTINUE;
    if (!self->drawing_->Problem().empty() && self->doubted_.insert(self->drawingPage_).second) {
        // Most likely TeX is writing the file: look at it again before
        // showing a page as broken.
        self->drawing_.reset();
        self->drawSource_ = 0;
        self->FileChanged(G_FILE_MONITOR_EVENT_CHANGED);
        return G_SOURCE_REMOVE;
    }

    cairo_surface_t* drawn = self->drawing_->Surface();
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(drawn),
                                                       cairo_image_surface_get_height(drawn));
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, drawn, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    if (self->dark_) {
        // Pictures stay as they are; their places in the drawing's pixels.
        std::vector<Rect> pictures = self->drawing_->PictureAreas();
        for (Rect& r : pictures) r = {r.x * resolution, r.y * resolution, r.width * resolution, r.height * resolution};
        InvertLightness(copy, pictures);
    }
    if (!self->drawing_->Problem().empty())
        std::fprintf(stderr, "ksdvi-view: %s: page %d: %s\n", self->path_.c_str(), self->drawingPage_ + 1,
                     self->drawing_->Problem().c_str());
    self->cache_.Put(self->drawingPage_, resolution, copy);
    Note("drawn", self->drawingPage_, Milliseconds(self->drawingStart_));
    cairo_surface_destroy(copy);
    self->drawing_.reset();
    gtk_widget_queue_draw(self->area_);
    // The pages after the first give way to the frames that show it.
    if (GSource* source = g_main_context_find_source_by_id(nullptr, self->drawSource_))
        g_source_set_priority(source, G_PRIORITY_DEFAULT_IDLE);
    return G_SOURCE_CONTINUE;
}

// The search bar is made when first asked for: its icons load the icon
// theme, some 40 ms that would delay the first page.
void ViewerWindow::BuildSearchBar() {
    searchBar_ = gtk_search_bar_new();
    searchEntry_ = gtk_search_entry_new();
    gtk_search_bar_set_child(GTK_SEARCH_BAR(searchBar_), searchEntry_);
    gtk_search_bar_connect_entry(GTK_SEARCH_BAR(searchBar_), GTK_EDITABLE(searchEntry_));
    gtk_search_bar_set_show_close_button(GTK_SEARCH_BAR(searchBar_), TRUE);
    gtk_box_prepend(GTK_BOX(content_), searchBar_);
    g_signal_connect(searchEntry_, "activate", Callback(+[](GtkSearchEntry* entry, gpointer self) {
                         Self(self)->RunSearch(gtk_editable_get_text(GTK_EDITABLE(entry)));
                     }),
                     this);
    g_signal_connect(searchEntry_, "next-match",
                     Callback(+[](GtkSearchEntry*, gpointer self) { Self(self)->NextHit(1); }), this);
    g_signal_connect(searchEntry_, "previous-match",
                     Callback(+[](GtkSearchEntry*, gpointer self) { Self(self)->NextHit(-1); }), this);
    g_signal_connect(searchEntry_, "stop-search", Callback(+[](GtkSearchEntry*, gpointer self) {
                         gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(Self(self)->searchBar_), FALSE);
                         gtk_widget_grab_focus(Self(self)->area_);
                     }),
                     this);
    // Shift+Enter in the entry: the previous hit.
    GtkEventController* entryKeys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(entryKeys, GTK_PHASE_CAPTURE);
    g_signal_connect(
        entryKeys, "key-pressed",
        Callback(+[](GtkEventControllerKey*, guint key, guint, GdkModifierType mods, gpointer self) -> gboolean {
            if ((key != GDK_KEY_Return && key != GDK_KEY_KP_Enter) || !(mods & GDK_SHIFT_MASK)) return FALSE;
            Self(self)->NextHit(-1);
            return TRUE;
        }),
        this);
    gtk_widget_add_controller(searchEntry_, entryKeys);
}

void ViewerWindow::ShowSearch() {
    if (!searchBar_) BuildSearchBar();
    gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(searchBar_), TRUE);
    gtk_widget_grab_focus(searchEntry_);
}

void ViewerWindow::RunSearch(std::string const& pattern) {
    if (!document_) return;
    if (pattern == searched_ && !hits_.empty()) {
        NextHit(1);
        return;
    }
    searched_ = pattern;
    hits_ = pattern.empty() ? std::vector<SearchHit>{} : document_->Search(pattern);
    // The first hit at or after the current page.
    currentHit_ = hits_.empty() ? -1 : 0;
    int const page = CurrentPage();
    for (size_t i = 0; i < hits_.size(); ++i)
        if (hits_[i].page >= page) {
            currentHit_ = static_cast<int>(i);
            break;
        }
    NextHit(0);
}

void ViewerWindow::NextHit(int direction) {
    if (hits_.empty()) return;
    int const count = static_cast<int>(hits_.size());
    currentHit_ = ((currentHit_ + direction) % count + count) % count;
    SearchHit const& hit = hits_[static_cast<size_t>(currentHit_)];
    if (hit.areas.empty())
        ScrollTo(hit.page);
    else
        ScrollTo(hit.page, Point{hit.areas.front().x, hit.areas.front().y});
    gtk_widget_queue_draw(area_);
}

void ViewerWindow::CopySelection() {
    if (selection_.text.empty()) return;
    gdk_clipboard_set_text(gtk_widget_get_clipboard(area_), selection_.text.c_str());
    // The primary selection too, as X programs expect.
    gdk_clipboard_set_text(gtk_widget_get_primary_clipboard(area_), selection_.text.c_str());
}

std::vector<Link> const& ViewerWindow::LinksOf(int page) {
    auto it = links_.find(page);
    if (it == links_.end()) it = links_.emplace(page, document_->Links(page)).first;
    return it->second;
}

Link const* ViewerWindow::LinkAt(double x, double y) {
    int page = -1;
    Point at;
    if (!document_ || !PagePoint(x, y, page, at)) return nullptr;
    for (Link const& link : LinksOf(page))
        for (Rect const& area : link.areas)
            if (Inside(area, at)) return &link;
    return nullptr;
}

void ViewerWindow::FollowLink(Link const& link) {
    if (!link.uri.empty()) {
        // The desktop's handler opens it.
        gtk_show_uri(GTK_WINDOW(window_), link.uri.c_str(), GDK_CURRENT_TIME);
        return;
    }
    std::optional<Destination> destination = document_->FindAnchor(link.anchor);
    if (!destination) return;
    int const page = CurrentPage();
    history_.push_back({page, (gtk_adjustment_get_value(vadjustment_) - column_.Top(page)) / column_.zoom});
    ScrollTo(destination->page, destination->at);
}

void ViewerWindow::GoBack() {
    if (history_.empty()) return;
    auto [page, y] = history_.back();
    history_.pop_back();
    gtk_adjustment_set_value(vadjustment_, column_.Top(page) + y * column_.zoom);
}

bool ViewerWindow::ShowSource(SourceLine const& source) {
    if (awaiting_) {
        awaitedSource_ = source;
        return true;
    }
    if (!document_) return false;
    std::vector<SourceArea> areas = document_->SourceAreas(source.file, source.line, source.column);
    if (areas.empty()) return false;
    sourceMark_ = std::move(areas);
    ScrollTo(sourceMark_.front().page, Point{sourceMark_.front().area.x, sourceMark_.front().area.y});
    if (sourceMarkSource_) g_source_remove(sourceMarkSource_);
    sourceMarkSource_ = g_timeout_add(1500, ClearSourceMark, this);
    gtk_widget_queue_draw(area_);
    return true;
}

gboolean ViewerWindow::ClearSourceMark(gpointer data) {
    ViewerWindow* self = Self(data);
    self->sourceMarkSource_ = 0;
    self->sourceMark_.clear();
    gtk_widget_queue_draw(self->area_);
    return G_SOURCE_REMOVE;
}

void ViewerWindow::EditSourceAt(double x, double y) {
    int page = -1;
    Point at;
    if (!document_ || options_.editor.empty() || !PagePoint(x, y, page, at)) return;
    std::optional<SourcePosition> source = document_->SourceAt(page, at);
    if (!source) return;
    // The user's command, split as a shell would but run without one: the
    // file name comes from the document and is never read as shell words.
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(options_.editor.c_str(), nullptr, &argv, nullptr)) return;
    std::vector<std::string> words;
    for (gchar** word = argv; *word; ++word) {
        std::string w = *word, out;
        for (size_t i = 0; i < w.size(); ++i) {
            if (w[i] == '%' && i + 1 < w.size()) {
                char const c = w[++i];
                if (c == 'f')
                    out += source->file;
                else if (c == 'l')
                    out += std::to_string(source->line);
                else if (c == 'c')
                    out += std::to_string(std::max(source->column, 1));
                else if (c == '%')
                    out += '%';
                else
                    out += std::string("%") + c;
                continue;
            }
            out += w[i];
        }
        words.push_back(out);
    }
    g_strfreev(argv);
    std::vector<gchar*> args;
    for (std::string& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, args.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error)) {
        std::fprintf(stderr, "ksdvi-view: the editor could not be started: %s\n", error->message);
        g_error_free(error);
    }
}

void ViewerWindow::BuildOutline() {
    GtkWidget* child = nullptr;
    while ((child = gtk_widget_get_first_child(outlineList_))) gtk_list_box_remove(GTK_LIST_BOX(outlineList_), child);
    if (!document_) return;
    for (OutlineEntry const& entry : document_->Outline()) {
        GtkWidget* label = gtk_label_new(entry.title.c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
        gtk_widget_set_margin_start(label, 8 + 16 * entry.level);
        GtkWidget* row = gtk_list_box_row_new();
        gtk_list_box_row_set_child(GTK_LIST_BOX_ROW(row), label);
        if (entry.destination)
            g_object_set_data_full(G_OBJECT(row), "destination", new Destination(*entry.destination),
                                   [](gpointer d) { delete static_cast<Destination*>(d); });
        gtk_list_box_append(GTK_LIST_BOX(outlineList_), row);
    }
}

}  // namespace ksdvi::view

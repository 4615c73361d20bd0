#include "ksdvi/PageDrawing.h"

#include <algorithm>
#include <cmath>

#include "page/DocumentState.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"
#include "render/WholePage.h"

namespace ksdvi {

struct PageDrawing::Impl {
    Document& document;
    int page;
    double pixelsPerPoint;
    Rect area;
    std::unique_ptr<gdi::RasterDevice> device;
    std::unique_ptr<gdi::CDC> dc;
    KsDviDrawer drawer;
    cairo_surface_t* surface = nullptr;
    bool opened = false, done = false;
    std::string problem;

    Impl(Document& d, int p, double ppp, Rect a) : document(d), page(p), pixelsPerPoint(ppp), area(a) {}
    bool Open();
    void Finish();
};

namespace {

// Whole pixels of paper, as `ksdvi render` and dvipng count them.
double WholePixels(double points, double pixelsPerPoint) { return std::floor(points * pixelsPerPoint + 1e-3); }

}  // namespace

// The device has whole dots per inch; the zoom makes up the fraction, so a
// scale of a whole number of dpi draws the pixels `ksdvi render` draws.
bool PageDrawing::Impl::Open() {
    double const dpi = 72.0 * pixelsPerPoint;
    int const deviceDpi = std::max(1, static_cast<int>(std::lround(dpi)));
    double const zoom = dpi / deviceDpi;
    int const originX = static_cast<int>(std::lround(deviceDpi * zoom) - std::lround(area.x * pixelsPerPoint));
    int const originY = static_cast<int>(std::lround(deviceDpi * zoom) - std::lround(area.y * pixelsPerPoint));
    dc = std::make_unique<gdi::CDC>(*device);
    KsDvi& dvi = document.Engine();
    if (!drawer.Open(*dc, dvi, page, fpreal4::FromDouble(zoom), originX, originY, gdi::RGB(0, 0, 255), String8())) {
        problem = PageUnreadable(page);
        return false;
    }
    return true;
}

void PageDrawing::Impl::Finish() {
    cairo_surface_mark_dirty(surface);
    done = true;
}

PageDrawing::PageDrawing(Document& document, int page, double pixelsPerPoint, Rect area)
    : impl_(std::make_unique<Impl>(document, page, pixelsPerPoint, area)) {
    Impl& d = *impl_;
    if (d.area.width <= 0 || d.area.height <= 0) {
        Point const paper = document.PageSize(page);
        d.area = {0, 0, paper.x, paper.y};
    }
    double const width = WholePixels(d.area.width, pixelsPerPoint);
    double const height = WholePixels(d.area.height, pixelsPerPoint);
    double const dpi = 72.0 * pixelsPerPoint;
    constexpr double kMostSide = gdi::Surface::kMaxSide;
    gdi::RasterDeviceSpec spec;
    bool const fits = pixelsPerPoint > 0 && dpi < kMostSide && width <= kMostSide && height <= kMostSide;
    if (fits) {
        spec.width = std::max(1, static_cast<int>(width));
        spec.height = std::max(1, static_cast<int>(height));
        spec.dpiX = spec.dpiY = std::max(1, static_cast<int>(std::lround(dpi)));
    }
    if (!fits || !(d.device = gdi::RasterDevice::Create(spec))) {
        spec.width = spec.height = 1;
        d.device = gdi::RasterDevice::Create(spec);
        d.problem = "the page is too large to draw at this scale";
        d.done = true;
    }
    gdi::Surface& pixels = *d.device->GetSurface();
    d.surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.Row(0)),
                                                    CAIRO_FORMAT_RGB24, pixels.Width(), pixels.Height(),
                                                    pixels.Width() * static_cast<int>(sizeof(gdi::Pixel)));
}

PageDrawing::~PageDrawing() {
    if (impl_->drawer.IsWorking()) impl_->drawer.Close();
    cairo_surface_destroy(impl_->surface);
}

bool PageDrawing::Step(int instructions) {
    Impl& d = *impl_;
    if (d.done) return true;
    if (!d.opened) {
        d.opened = true;
        if (!d.Open()) {
            d.Finish();
            return true;
        }
    }
    if (!ContinuePage(d.drawer, d.page, instructions, d.problem)) {
        cairo_surface_mark_dirty(d.surface);
        return false;
    }
    d.Finish();
    return true;
}

bool PageDrawing::IsDone() const { return impl_->done; }

std::string const& PageDrawing::Problem() const { return impl_->problem; }

void PageDrawing::Paint(cairo_t* cr) const {
    Impl const& d = *impl_;
    cairo_save(cr);
    cairo_translate(cr, d.area.x, d.area.y);
    cairo_scale(cr, 1.0 / d.pixelsPerPoint, 1.0 / d.pixelsPerPoint);
    cairo_set_source_surface(cr, d.surface, 0, 0);
    cairo_rectangle(cr, 0, 0, cairo_image_surface_get_width(d.surface), cairo_image_surface_get_height(d.surface));
    cairo_fill(cr);
    cairo_restore(cr);
}

cairo_surface_t* PageDrawing::Surface() const { return impl_->surface; }

std::vector<Rect> PageDrawing::PictureAreas() const {
    Impl const& d = *impl_;
    std::vector<Rect> areas;
    if (!d.opened) return areas;
    for (auto const [left, top, right, bottom] : d.drawer.PictureAreas())
        areas.push_back({d.area.x + left / d.pixelsPerPoint, d.area.y + top / d.pixelsPerPoint,
                         (right - left) / d.pixelsPerPoint, (bottom - top) / d.pixelsPerPoint});
    return areas;
}

bool DrawPage(Document& document, int page, cairo_t* cr, double pixelsPerPoint, Rect area,
              std::atomic<bool> const* cancel, std::string* problem) {
    PageDrawing drawing(document, page, pixelsPerPoint, area);
    while (!drawing.IsDone()) {
        if (cancel && cancel->load()) {
            if (problem) *problem = "the drawing was cancelled";
            return false;
        }
        drawing.Step();
    }
    drawing.Paint(cr);
    if (problem) *problem = drawing.Problem();
    return drawing.Problem().empty();
}

void TurnPage(cairo_t* cr, PageTurn turn, double pixelsPerPoint) {
    if (pixelsPerPoint > 0)
        for (double* side : {&turn.paper.x, &turn.paper.y}) *side = WholePixels(*side, pixelsPerPoint) / pixelsPerPoint;
    Point const origin = turn.Show(Point{0, 0}), x = turn.Show(Point{1, 0}), y = turn.Show(Point{0, 1});
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, x.x - origin.x, x.y - origin.y, y.x - origin.x, y.y - origin.y, origin.x, origin.y);
    cairo_transform(cr, &matrix);
}

}  // namespace ksdvi

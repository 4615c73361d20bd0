#include "platform/gdi/PrintDevice.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>

#include <algorithm>
#include <cmath>

namespace ksdvi::gdi {

void PrintDevice::Release::operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
void PrintDevice::Release::operator()(cairo_t* c) const { cairo_destroy(c); }

std::shared_ptr<PrintDevice> PrintDevice::Create(const PrintDeviceSpec& spec, Writer writer) {
    if (!(spec.widthPoints > 0) || !(spec.heightPoints > 0) || spec.dpiX <= 0 || spec.dpiY <= 0 || !writer)
        return nullptr;
    // Whole device pixels of paper, as a raster page of this paper has.
    const auto pixels = [](double points, int dpi) { return int(std::floor(points / 72.0 * dpi + 1e-3)); };
    const int width = pixels(spec.widthPoints, spec.dpiX), height = pixels(spec.heightPoints, spec.dpiY);
    if (width <= 0 || height <= 0 || width > Surface::kMaxSide || height > Surface::kMaxSide) return nullptr;

    std::shared_ptr<PrintDevice> device(new PrintDevice);
    device->writer_ = std::move(writer);
    cairo_surface_t* surface =
        spec.format == PrintFormat::Pdf
            ? cairo_pdf_surface_create_for_stream(Write, device.get(), spec.widthPoints, spec.heightPoints)
            : cairo_ps_surface_create_for_stream(Write, device.get(), spec.widthPoints, spec.heightPoints);
    device->surface_.reset(surface);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return nullptr;
    device->cr_.reset(cairo_create(surface));
    if (cairo_status(device->cr_.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_scale(device->cr_.get(), 72.0 / spec.dpiX, 72.0 / spec.dpiY);

    DeviceCaps& caps = device->caps_;
    caps.technology = DT_RASPRINTER;
    caps.width = caps.physicalWidth = width;
    caps.height = caps.physicalHeight = height;
    caps.dpiX = spec.dpiX;
    caps.dpiY = spec.dpiY;
    caps.rasterCaps = RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHDIB;
    return device;
}

PrintDevice::~PrintDevice() { Finish(); }

cairo_status_t PrintDevice::Write(void* closure, const unsigned char* data, unsigned int length) {
    auto* device = static_cast<PrintDevice*>(closure);
    if (device->writeFailed_ || !device->writer_(data, length)) {
        device->writeFailed_ = true;
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

bool PrintDevice::StartPage() {
    if (finished_ || pageOpen_) return false;
    pageOpen_ = true;
    return true;
}

bool PrintDevice::EndPage() {
    if (!pageOpen_) return false;
    pageOpen_ = false;
    cairo_show_page(cr_.get());
    return cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS && !writeFailed_;
}

bool PrintDevice::Finish() {
    if (finished_) return !writeFailed_;
    if (pageOpen_) EndPage();
    finished_ = true;
    const bool drawn = cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS;
    cr_.reset();
    cairo_surface_finish(surface_.get());
    const bool written = cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS;
    surface_.reset();
    return drawn && written && !writeFailed_;
}

void PrintDevice::ClipTo(const Region* clip) {
    cairo_t* cr = cr_.get();
    cairo_rectangle(cr, 0, 0, caps_.width, caps_.height);
    cairo_clip(cr);
    if (!clip) return;
    for (const pixman_box32_t& box : clip->Rects())
        cairo_rectangle(cr, box.x1, box.y1, box.x2 - box.x1, box.y2 - box.y1);
    cairo_clip(cr);
}

bool PrintDevice::DrawImage(const RECT& dest, const Surface& source, const RECT& from, const Region* clip) {
    if (!pageOpen_) return false;
    const int fromW = from.right - from.left, fromH = from.bottom - from.top;
    if (fromW == 0 || fromH == 0 || dest.right == dest.left || dest.bottom == dest.top) return false;
    // Only the part of `from` that lies on the source is painted.
    const int x0 = std::max(0, int(std::min(from.left, from.right))),
              x1 = std::min(source.Width(), int(std::max(from.left, from.right)));
    const int y0 = std::max(0, int(std::min(from.top, from.bottom))),
              y1 = std::min(source.Height(), int(std::max(from.top, from.bottom)));
    if (x1 <= x0 || y1 <= y0) return false;

    // BGRX rows are cairo's RGB24 layout. The document keeps a copy of the
    // image when this surface goes away, so it may point at the pixels.
    cairo_surface_t* image = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<Pixel*>(source.Row(0))), CAIRO_FORMAT_RGB24, source.Width(),
        source.Height(), source.Width() * int(sizeof(Pixel)));
    const std::unique_ptr<cairo_surface_t, Release> owned(image);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) return false;

    cairo_t* cr = cr_.get();
    cairo_save(cr);
    ClipTo(clip);
    cairo_translate(cr, dest.left, dest.top);
    cairo_scale(cr, double(dest.right - dest.left) / fromW, double(dest.bottom - dest.top) / fromH);
    cairo_translate(cr, -from.left, -from.top);
    cairo_set_source_surface(cr, image, 0, 0);
    // Device pixels stay square-edged: printers must not blur a page.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_fill(cr);
    cairo_restore(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

bool PrintDevice::FillRect(const RECT& area, Pixel colour, const Region* clip) {
    if (!pageOpen_ || area.right <= area.left || area.bottom <= area.top) return false;
    cairo_t* cr = cr_.get();
    cairo_save(cr);
    ClipTo(clip);
    cairo_set_source_rgb(cr, (colour >> 16 & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0, (colour & 0xFF) / 255.0);
    cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
    cairo_fill(cr);
    cairo_restore(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

}  // namespace ksdvi::gdi

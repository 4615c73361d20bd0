#include "device/ImageSurface.h"

#include <algorithm>
#include <memory>

#include "platform/gdi/Dib.h"

namespace ksdvi {

cairo_surface_t* ImageSurfaceOf(DeviceImage const& image) {
    gdi::DibView view;
    if (!image.dib || !gdi::DibView::FromPacked(image.dib, image.size, view)) return nullptr;
    std::shared_ptr<gdi::Surface> pixels =
        view.Decode(gdi::DIB_RGB_COLORS, nullptr, image.srcX, image.srcY, image.srcWidth, image.srcHeight);
    if (!pixels || pixels->Width() < 1 || pixels->Height() < 1) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels->Width(), pixels->Height());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    unsigned char* data = cairo_image_surface_get_data(surface);
    int const stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < pixels->Height(); ++y)
        std::copy_n(pixels->Row(y), pixels->Width(),
                    reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride)));
    cairo_surface_mark_dirty(surface);
    return surface;
}

Affine ImagePlacement(DeviceImage const& image) {
    Affine const at{1, 0, 0, 1, double(image.x), double(image.y)};
    return image.transform ? at.Then(*image.transform) : at;
}

void PaintImageInBox(cairo_t* cr, DeviceImage const& image, cairo_surface_t* pixels, cairo_operator_t op) {
    cairo_save(cr);
    cairo_scale(cr, double(image.width) / cairo_image_surface_get_width(pixels),
                double(image.height) / cairo_image_surface_get_height(pixels));
    cairo_set_source_surface(cr, pixels, 0, 0);
    cairo_set_operator(cr, op);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace ksdvi

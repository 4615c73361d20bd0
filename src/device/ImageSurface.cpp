#include "device/ImageSurface.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/gdi/Dib.h"

namespace ksdvi {

cairo_surface_t* ImageSurfaceOf(DeviceImage const& image) {
    gdi::DibView view;
    if (!image.dib || !gdi::DibView::FromPacked(image.dib, image.size, view)) return nullptr;
    // The source rectangle as StretchDIBits counts it (the whole picture
    // when it has none).
    int const top = image.srcHeight > 0 ? view.SourceTop(image.srcY, image.srcHeight) : image.srcY;
    std::shared_ptr<gdi::Surface> pixels =
        view.Decode(gdi::DIB_RGB_COLORS, nullptr, image.srcX, top, image.srcWidth, image.srcHeight);
    if (!pixels || pixels->Width() < 1 || pixels->Height() < 1) return nullptr;
    int const width = pixels->Width(), height = pixels->Height();
    std::vector<unsigned char> const alphas =
        image.alpha
            ? view.Alphas(std::clamp(image.srcX, 0, view.Width()), std::clamp(top, 0, view.Height()), width, height)
            : std::vector<unsigned char>();
    cairo_surface_t* surface =
        cairo_image_surface_create(alphas.empty() ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    unsigned char* data = cairo_image_surface_get_data(surface);
    int const stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
        std::copy_n(pixels->Row(y), width, row);
        if (alphas.empty()) continue;
        // Cairo's pixels are premultiplied.
        unsigned char const* a = alphas.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            std::uint32_t const p = row[x], alpha = a[x];
            auto times = [&](int shift) { return ((p >> shift & 0xFF) * alpha + 127) / 255 << shift; };
            row[x] = alpha << 24 | times(16) | times(8) | times(0);
        }
    }
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
    // Enlarged pixels stay sharp squares, as pdftoppm shows dvipdfmx's
    // pictures; in PDF and SVG the reader chooses (no /Interpolate).
    cairo_surface_type_t const target = cairo_surface_get_type(cairo_get_target(cr));
    bool const enlarged = std::abs(image.width) >= cairo_image_surface_get_width(pixels) &&
                          std::abs(image.height) >= cairo_image_surface_get_height(pixels);
    if (enlarged || target == CAIRO_SURFACE_TYPE_PDF || target == CAIRO_SURFACE_TYPE_SVG)
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr, op);
    cairo_paint(cr);
    cairo_restore(cr);
}

cairo_surface_t* GlyphMask(gdi::Glyph const& glyph) {
    if (glyph.width <= 0 || glyph.rows <= 0) return nullptr;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, glyph.width, glyph.rows);
    unsigned char* data = cairo_image_surface_get_data(mask);
    int const stride = cairo_image_surface_get_stride(mask);
    for (int y = 0; y < glyph.rows; ++y)
        std::copy_n(glyph.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(glyph.width), glyph.width,
                    data + static_cast<size_t>(y) * static_cast<size_t>(stride));
    cairo_surface_mark_dirty(mask);
    return mask;
}

}  // namespace ksdvi

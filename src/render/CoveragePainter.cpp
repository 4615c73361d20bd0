#include "render/CoveragePainter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "platform/gdi/Bitmap.h"

namespace ksdvi {

using namespace gdi;

namespace {

constexpr int kBandBytes = 32000;

// A 24-bit pixel, blue first, of at least half the light of white.
bool Light(unsigned char const* p) { return p[2] * 299 + p[1] * 587 + p[0] * 114 >= 128000; }

}  // namespace

std::vector<unsigned char> CoverageRun(cairo_surface_t* image, bool onWhite) {
    int const w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    int const stride = cairo_image_surface_get_stride(image);
    size_t const rowBytes = (3 * static_cast<size_t>(w) + 3) & ~size_t(3);
    std::vector<unsigned char> bits(rowBytes * static_cast<size_t>(h));
    unsigned char const* data = cairo_image_surface_get_data(image);
    for (int y = 0; y < h; ++y) {
        auto const* in = reinterpret_cast<std::uint32_t const*>(data + static_cast<size_t>(y) * stride);
        unsigned char* out = bits.data() + static_cast<size_t>(h - 1 - y) * rowBytes;
        for (int x = 0; x < w; ++x) {
            std::uint32_t const p = in[x], see = onWhite ? 255 - (p >> 24) : 0;
            for (int c = 0; c < 3; ++c) out[3 * x + c] = static_cast<unsigned char>((p >> (8 * c) & 0xFF) + see);
        }
    }
    return bits;
}

void CoveragePainter::OutputPage(int w, int h) {
    if (done_) return;
    GS* gs = GetGS();
    gs->LockGSDevice();
    BITMAPINFOHEADER header{};
    unsigned char* bits = nullptr;
    if (gs->GetBitmapRow(&header, nullptr, &bits, 0) && bits && header.biBitCount == 24) TakePage(bits, w, h);
    done_ = true;
    gs->UnlockGSDevice();
}

void CoveragePainter::TakePage(unsigned char const* bits, int w, int h) {
    if (done_) return;
    done_ = true;
    if (w < 1 || h < 1) return;
    if (!onBlack_)
        KeepWhiteRun(bits, w, h, RowBytes(w));
    else if (width_ == w && height_ == h) {
        if (covered_) covered_->KeepCover(white_.data(), bits, w, h);
        if (!Blend(bits, w, h)) Paint(bits, w, h);
    }
}

void CoveragePainter::KeepWhiteRun(unsigned char const* bits, int w, int h, int stride) {
    width_ = w;
    height_ = h;
    size_t const row = 3 * static_cast<size_t>(w);
    white_.resize(row * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(bits + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(stride), row,
                    white_.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(y)));
}

std::optional<CoveragePainter::Landing> CoveragePainter::LandingOf(int w, int h) const {
    Surface* surface = out_->GetSurface();
    RECT clip{};
    if (!surface || surface->IsMonochrome() || out_->GetMapMode() != MM_TEXT ||
        out_->GetClipBox(&clip) == COMPLEXREGION)
        return std::nullopt;
    POINT corner{left_, bottom_ - h};
    out_->LPtoDP(&corner);
    out_->LPtoDP(&clip);
    return Landing{surface,
                   static_cast<int>(corner.x),
                   static_cast<int>(corner.y),
                   std::max<int>({0, clip.left, corner.x}),
                   std::min<int>({surface->Width(), clip.right, corner.x + w}),
                   std::max<int>({0, clip.top, corner.y}),
                   std::min<int>({surface->Height(), clip.bottom, corner.y + h})};
}

bool CoveragePainter::Blend(unsigned char const* bits, int w, int h) {
    std::optional<Landing> const at = LandingOf(w, h);
    if (!at) return false;
    Surface& surface = *at->surface;
    size_t const stride = static_cast<size_t>(RowBytes(w));
    for (int y = at->y0; y < at->y1; ++y) {
        int const row = y - at->top;  // from the job's top; its bits run bottom-up
        unsigned char const* black = bits + static_cast<size_t>(h - 1 - row) * stride;
        unsigned char const* white = white_.data() + 3 * static_cast<size_t>(w) * static_cast<size_t>(row);
        Pixel* out = nullptr;
        for (int x = at->x0; x < at->x1; ++x) {
            size_t const i = 3 * static_cast<size_t>(x - at->left);
            unsigned char const* b = black + i;
            unsigned char const* wt = white + i;
            if ((wt[0] & wt[1] & wt[2]) == 0xFF && (b[0] | b[1] | b[2]) == 0) continue;  // nothing drawn
            if (!out) out = surface.RowToWrite(y, x, at->x1);
            Pixel const under = out[x];
            Pixel pixel = 0;
            for (int c = 0; c < 3; ++c) {
                int const shift = 8 * c;  // blue, green, red
                int const see = std::max(0, wt[c] - b[c]);
                int const value = b[c] + (static_cast<int>(under >> shift & 0xFF) * see + 127) / 255;
                pixel |= Pixel(std::min(value, 255)) << shift;
            }
            out[x] = pixel;
            surface.NoteColour(pixel);
        }
    }
    return true;
}

bool CoveragePainter::PaintOnWhite() {
    if (white_.empty()) return false;
    std::optional<Landing> const at = LandingOf(width_, height_);
    if (!at || at->surface->FillPixel() != kWhitePixel) return false;
    Surface& surface = *at->surface;
    // Only the pixels written since the fill may be other than white.
    for (int y = at->y0; y < at->y1; ++y) {
        Surface::Span const touched = surface.Touched(y);
        Pixel const* row = std::as_const(surface).Row(y);
        for (int x = std::max(touched.left, at->x0); x < std::min(touched.right, at->x1); ++x)
            if (row[x] != kWhitePixel) return false;
    }
    for (int y = at->y0; y < at->y1; ++y) {
        unsigned char const* white = white_.data() + 3 * static_cast<size_t>(width_) * static_cast<size_t>(y - at->top);
        Pixel* out = nullptr;
        for (int x = at->x0; x < at->x1; ++x) {
            unsigned char const* wt = white + 3 * static_cast<size_t>(x - at->left);
            if ((wt[0] & wt[1] & wt[2]) == 0xFF) continue;  // white: as it was
            if (!out) out = surface.RowToWrite(y, x, at->x1);
            Pixel const pixel = PixelFromColor(RGB(wt[2], wt[1], wt[0]));  // the run is blue first
            out[x] = pixel;
            surface.NoteColour(pixel);
        }
    }
    done_ = true;
    return true;
}

// The page keeps its pixels where the run on white was light and the run on
// black dark (ANDed with white), and is blackened elsewhere; then the run on
// black is ORed over it, black where nothing was drawn.
void CoveragePainter::Paint(unsigned char const* bits, int w, int h) {
    int const stride = RowBytes(w);
    int const band = std::clamp(kBandBytes / stride, 1, h);
    CDC memory;
    CBitmap bitmap;
    if (!memory.CreateCompatibleDC(reference_) || !bitmap.CreateCompatibleBitmap(reference_, w, band)) return;
    memory.SelectObject(&bitmap);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    std::vector<unsigned char> keep(static_cast<size_t>(stride) * static_cast<size_t>(band));
    for (int done = 0; done < h;) {
        int const rows = std::min(band, h - done);
        unsigned char const* data = bits + static_cast<size_t>(h - done - rows) * static_cast<size_t>(stride);
        // The band's rows bottom-up, as the job's are.
        for (int r = 0; r < rows; ++r) {
            int const y = done + rows - 1 - r;  // from the top
            unsigned char const* black = data + static_cast<size_t>(r) * stride;
            unsigned char const* white = white_.data() + 3 * static_cast<size_t>(w) * static_cast<size_t>(y);
            unsigned char* out = keep.data() + static_cast<size_t>(r) * stride;
            for (int x = 0; x < w; ++x) {
                bool const nothing = Light(white + 3 * x) && !Light(black + 3 * x);
                std::fill_n(out + 3 * x, 3, nothing ? 0xFF : 0x00);
            }
        }
        info.bmiHeader.biHeight = rows;
        int const top = bottom_ - h + done;
        memory.SetDIBitsToDevice(0, 0, static_cast<DWORD>(w), static_cast<DWORD>(rows), 0, 0, 0,
                                 static_cast<UINT>(rows), keep.data(), &info, DIB_RGB_COLORS);
        out_->BitBlt(left_, top, w, rows, &memory, 0, 0, SRCAND);
        memory.SetDIBitsToDevice(0, 0, static_cast<DWORD>(w), static_cast<DWORD>(rows), 0, 0, 0,
                                 static_cast<UINT>(rows), data, &info, DIB_RGB_COLORS);
        out_->BitBlt(left_, top, w, rows, &memory, 0, 0, SRCPAINT);
        done += rows;
    }
}

void PaintCoverage(CDC* out, cairo_surface_t* drawing, int left, int top) {
    cairo_surface_flush(drawing);
    int const w = cairo_image_surface_get_width(drawing), h = cairo_image_surface_get_height(drawing);
    CoveragePainter painter(out, out, left, top + h);
    painter.TakePage(CoverageRun(drawing, true).data(), w, h);
    painter.StartOnBlack();
    painter.TakePage(CoverageRun(drawing, false).data(), w, h);
}

bool PaintDrawnCoverage(CDC* out, Affine const& toDevice, double width, double height,
                        std::function<bool(cairo_t*)> const& draw, std::optional<std::array<double, 4>> const& clip) {
    auto [x0, y0, x1, y1] = toDevice.BoundsOf(0, 0, width, height);
    if (clip)
        x0 = std::max(x0, (*clip)[0]), y0 = std::max(y0, (*clip)[1]), x1 = std::min(x1, (*clip)[2]),
        y1 = std::min(y1, (*clip)[3]);
    int const left = std::max(0.0, std::floor(x0)), top = std::max(0.0, std::floor(y0));
    int const right = std::min<double>(out->GetDeviceCaps(HORZRES), std::ceil(x1));
    int const bottom = std::min<double>(out->GetDeviceCaps(VERTRES), std::ceil(y1));
    if (right <= left || bottom <= top) return true;  // off the page
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, bottom - top);
    cairo_t* cr = cairo_create(image);
    cairo_translate(cr, -left, -top);
    if (clip) {
        cairo_rectangle(cr, (*clip)[0], (*clip)[1], (*clip)[2] - (*clip)[0], (*clip)[3] - (*clip)[1]);
        cairo_clip(cr);
    }
    cairo_matrix_t const m{toDevice.a, toDevice.b, toDevice.c, toDevice.d, toDevice.e, toDevice.f};
    cairo_transform(cr, &m);
    bool const drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS && draw(cr);
    cairo_destroy(cr);
    if (drawn) PaintCoverage(out, image, left, top);
    cairo_surface_destroy(image);
    return drawn;
}

}  // namespace ksdvi

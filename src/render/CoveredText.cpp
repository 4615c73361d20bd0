#include "render/CoveredText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "render/CoveragePainter.h"

namespace ksdvi {

namespace {

// Ghostscript's colour conversion may move a component by a step or two.
bool IsProbe(unsigned char const* bgr) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(bgr[2 - c] - CoveredText::kProbe[static_cast<size_t>(c)]) > 2) return false;
    return true;
}

// A pixel of the probe run that is not the probe's, but what the page's
// drawing alone shows there: something opaque lies over the character.
bool Covered(unsigned char const* probed, unsigned char const* page) {
    if (IsProbe(probed)) return false;
    for (int c = 0; c < 3; ++c)
        if (std::abs(probed[c] - page[c]) > 8) return false;
    return true;
}

// What `draw` draws in the page's pixels from (left, top), `width` by
// `height`, premultiplied ARGB32; null when it drew nothing.
cairo_surface_t* DrawnImage(Affine const& toDevice, std::function<bool(cairo_t*)> const& draw, int left, int top,
                            int width, int height) {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(image);
    cairo_translate(cr, -left, -top);
    cairo_matrix_t const m{toDevice.a, toDevice.b, toDevice.c, toDevice.d, toDevice.e, toDevice.f};
    cairo_transform(cr, &m);
    bool const drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS && draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    if (drawn && cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) return image;
    cairo_surface_destroy(image);
    return nullptr;
}

// A pixel of a premultiplied image as it shows on white, blue first.
std::array<unsigned char, 3> OnWhite(cairo_surface_t* image, int x, int y) {
    auto const* row = reinterpret_cast<std::uint32_t const*>(
        cairo_image_surface_get_data(image) +
        static_cast<size_t>(y) * static_cast<size_t>(cairo_image_surface_get_stride(image)));
    std::uint32_t const p = row[x], see = 255 - (p >> 24);
    return {static_cast<unsigned char>((p & 0xFF) + see), static_cast<unsigned char>((p >> 8 & 0xFF) + see),
            static_cast<unsigned char>((p >> 16 & 0xFF) + see)};
}

// The boxes' bounds within a page `width` by `height`: left, top, right, bottom.
std::array<int, 4> BoundsOf(std::vector<CoveredText::Box> const& boxes, int width, int height) {
    std::array<int, 4> bounds{width, height, 0, 0};
    for (CoveredText::Box const& box : boxes) {
        auto [x0, x1] = std::minmax_element(box.x.begin(), box.x.end());
        auto [y0, y1] = std::minmax_element(box.y.begin(), box.y.end());
        bounds[0] = std::min(bounds[0], static_cast<int>(std::max(std::floor(*x0), 0.0)));
        bounds[1] = std::min(bounds[1], static_cast<int>(std::max(std::floor(*y0), 0.0)));
        bounds[2] = std::max(bounds[2], static_cast<int>(std::min(std::ceil(*x1), double(width))));
        bounds[3] = std::max(bounds[3], static_cast<int>(std::min(std::ceil(*y1), double(height))));
    }
    return bounds;
}

// Whether (x, y) lies inside the box, a tenth of a pixel from its sides:
// on the same side of each, going round.
bool Inside(CoveredText::Box const& box, double x, double y) {
    double sign = 0;
    for (size_t i = 0; i < 4; ++i) {
        size_t const j = (i + 1) % 4;
        double const dx = box.x[j] - box.x[i], dy = box.y[j] - box.y[i];
        double const length = std::hypot(dx, dy);
        if (length == 0) return false;
        double const side = (dx * (y - box.y[i]) - dy * (x - box.x[i])) / length;
        if (std::fabs(side) < 0.1 || side * sign < 0) return false;
        sign = side;
    }
    return true;
}

}  // namespace

std::string CoveredText::ProbeProcedure() {
    std::string colour;
    for (int component : kProbe) colour += std::to_string(component) + " 255 div ";
    return "userdict begin /ksdvi@probe { gsave " + colour + "setrgbcolor rectfill grestore } bind def end\n";
}

template <class IsCovered>
void CoveredText::Mark(std::vector<Box> const& boxes, std::array<int, 4> const& bounds, IsCovered const& isCovered) {
    covered_.clear();
    white_.clear();
    black_.clear();
    auto const [left, top, right, bottom] = bounds;
    if (right <= left || bottom <= top) return;
    // Boxes that overlap much (a document's characters scaled up to the
    // page) are not looked through one by one without end.
    int64_t pixels = 0;
    for (Box const& box : boxes) {
        std::array<int, 4> const around = BoundsOf({box}, right, bottom);
        pixels += int64_t(std::max(0, around[2] - around[0])) * std::max(0, around[3] - around[1]);
        if (pixels > kMostProbedPixels) return;
    }
    int const w = right - left, h = bottom - top;
    std::vector<bool> covered(static_cast<size_t>(w) * static_cast<size_t>(h));
    int coverLeft = right, coverTop = bottom, coverRight = left, coverBottom = top;
    for (Box const& box : boxes) {
        std::array<int, 4> const around = BoundsOf({box}, right, bottom);
        for (int y = std::max(around[1], top); y < around[3]; ++y) {
            for (int x = std::max(around[0], left); x < around[2]; ++x) {
                if (!Inside(box, x + 0.5, y + 0.5) || !isCovered(x, y)) continue;
                covered[static_cast<size_t>(y - top) * static_cast<size_t>(w) + static_cast<size_t>(x - left)] = true;
                coverLeft = std::min(coverLeft, x), coverRight = std::max(coverRight, x + 1);
                coverTop = std::min(coverTop, y), coverBottom = std::max(coverBottom, y + 1);
            }
        }
    }
    if (coverRight <= coverLeft) return;
    left_ = coverLeft, top_ = coverTop, width_ = coverRight - coverLeft, height_ = coverBottom - coverTop;
    covered_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            covered_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
                covered[static_cast<size_t>(y + top_ - top) * static_cast<size_t>(w) +
                        static_cast<size_t>(x + left_ - left)];
}

void CoveredText::ReadProbeRun(unsigned char const* bits, unsigned char const* white, int width, int height,
                               std::vector<Box> const& boxes) {
    size_t const stride = static_cast<size_t>(CoveragePainter::RowBytes(width));
    Mark(boxes, BoundsOf(boxes, width, height), [&](int x, int y) {
        return Covered(bits + static_cast<size_t>(height - 1 - y) * stride + 3 * static_cast<size_t>(x),
                       white + 3 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)));
    });
}

void CoveredText::ReadProbeDrawing(Affine const& toDevice, std::function<bool(cairo_t*)> const& drawProbes,
                                   std::function<bool(cairo_t*)> const& drawPage, int width, int height,
                                   std::vector<Box> const& boxes) {
    std::array<int, 4> const bounds = BoundsOf(boxes, width, height);
    auto const [left, top, right, bottom] = bounds;
    covered_.clear();
    if (right <= left || bottom <= top) return;
    cairo_surface_t* probed = DrawnImage(toDevice, drawProbes, left, top, right - left, bottom - top);
    cairo_surface_t* page = probed ? DrawnImage(toDevice, drawPage, left, top, right - left, bottom - top) : nullptr;
    if (page)
        Mark(boxes, bounds, [&](int x, int y) {
            int const px = x - bounds[0], py = y - bounds[1];
            return Covered(OnWhite(probed, px, py).data(), OnWhite(page, px, py).data());
        });
    if (probed) cairo_surface_destroy(probed);
    if (page) cairo_surface_destroy(page);
}

void CoveredText::KeepCover(unsigned char const* white, unsigned char const* black, int width, int height) {
    if (covered_.empty() || left_ + width_ > width || top_ + height_ > height) return;
    size_t const pageStride = static_cast<size_t>(CoveragePainter::RowBytes(width));
    size_t const stride = static_cast<size_t>(CoveragePainter::RowBytes(width_));
    white_.assign(stride * static_cast<size_t>(height_), 0xFF);
    black_.assign(stride * static_cast<size_t>(height_), 0x00);
    for (int y = 0; y < height_; ++y) {
        int const pageY = top_ + y;
        unsigned char const* whiteRow = white + 3 * static_cast<size_t>(width) * static_cast<size_t>(pageY);
        unsigned char const* blackRow = black + static_cast<size_t>(height - 1 - pageY) * pageStride;
        size_t const out = static_cast<size_t>(height_ - 1 - y) * stride;  // bottom-up
        for (int x = 0; x < width_; ++x) {
            if (!covered_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]) continue;
            size_t const at = 3 * static_cast<size_t>(left_ + x);
            std::copy_n(whiteRow + at, 3,
                        white_.begin() + static_cast<std::ptrdiff_t>(out + 3 * static_cast<size_t>(x)));
            std::copy_n(blackRow + at, 3,
                        black_.begin() + static_cast<std::ptrdiff_t>(out + 3 * static_cast<size_t>(x)));
        }
    }
}

void CoveredText::KeepCoverDrawn(Affine const& toDevice, std::function<bool(cairo_t*)> const& draw) {
    if (covered_.empty()) return;
    cairo_surface_t* image = DrawnImage(toDevice, draw, left_, top_, width_, height_);
    if (!image) return;
    white_ = CoverageRun(image, true);
    black_ = CoverageRun(image, false);
    cairo_surface_destroy(image);
    size_t const stride = static_cast<size_t>(CoveragePainter::RowBytes(width_));
    for (int y = 0; y < height_; ++y) {
        size_t const row = static_cast<size_t>(height_ - 1 - y) * stride;  // bottom-up
        for (int x = 0; x < width_; ++x) {
            if (covered_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]) continue;
            std::fill_n(white_.begin() + static_cast<std::ptrdiff_t>(row + 3 * static_cast<size_t>(x)), 3, 0xFF);
            std::fill_n(black_.begin() + static_cast<std::ptrdiff_t>(row + 3 * static_cast<size_t>(x)), 3, 0x00);
        }
    }
}

void CoveredText::PaintCover(gdi::CDC* dc) {
    if (white_.empty() || !dc) return;
    CoveragePainter painter(dc, dc, left_, top_ + height_);
    painter.TakePage(white_.data(), width_, height_);
    painter.StartOnBlack();
    painter.TakePage(black_.data(), width_, height_);
    white_.clear();
    black_.clear();
}

void CoveredText::ProbeOutputter::OutputPage(int width, int height) {
    if (done_) return;
    done_ = true;
    GS* gs = GetGS();
    gs->LockGSDevice();
    gdi::BITMAPINFOHEADER header{};
    unsigned char* bits = nullptr;
    if (gs->GetBitmapRow(&header, nullptr, &bits, 0) && bits && header.biBitCount == 24)
        text_.ReadProbeRun(bits, white_, width, height, boxes_);
    gs->UnlockGSDevice();
}

}  // namespace ksdvi

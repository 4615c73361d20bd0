#include "page/ImageFrame.h"

#include <algorithm>
#include <cmath>

namespace ksdvi {

namespace {

// Pixel positions of any document stay within this, so that sizes and
// their products in 64 bits never overflow; the memory budget refuses
// images anywhere near it.
constexpr double kFarthest = 1 << 28;

int Pixels(double p) { return static_cast<int>(std::clamp(p, -kFarthest, kFarthest)); }

// dvipng's rounding of a length up to whole pixels: (d + conv - 1) / conv,
// truncated, conv being DVI units per pixel.
int UpToPixels(double d, double dviPerPixel) { return Pixels((d + dviPerPixel - 1) / dviPerPixel); }

}  // namespace

PixelBox Union(PixelBox const& a, PixelBox const& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

PixelBox PreviewPixels(PreviewBox const& box, double dviPerPixel) {
    double const llx = box.llx, lly = box.lly, urx = box.urx, ury = box.ury;
    double const ht = box.height, dp = box.depth, wd = box.width;
    int left, right;
    if (wd > 0) {
        left = -UpToPixels(-llx, dviPerPixel);
        right = left + UpToPixels(-llx, dviPerPixel) + UpToPixels(wd + urx, dviPerPixel);
    } else {
        // A box of negative width extends left of the origin.
        left = -UpToPixels(-wd + urx, dviPerPixel);
        right = left + UpToPixels(-wd + urx, dviPerPixel) + UpToPixels(-llx, dviPerPixel);
    }
    int const above = UpToPixels(std::max(ht, 0.0) + ury, dviPerPixel);  // the origin's row included
    int const below = UpToPixels(std::max(dp, 0.0) - lly, dviPerPixel);
    return {left, 1 - above, right, 1 + below};
}

PixelBox FrameOf(ImageSize const& size, PixelBox const& ink, std::optional<PixelBox> const& preview,
                 double pixelsPerSp) {
    if (preview) return *preview;
    switch (size.kind) {
    case ImageSize::Kind::Tight: return ink.IsEmpty() ? PixelBox{0, 0, 1, 1} : ink;
    case ImageSize::Kind::Bbox: return Union(ink, PixelBox{0, 0, 1, 1});
    case ImageSize::Kind::Fixed: break;
    }
    // Whole pixels, as the paper's are counted; TeX rounds to whole sp.
    auto pixels = [&](int32_t sp) { return Pixels(std::floor(sp * pixelsPerSp + 1e-3)); };
    int const left = -pixels(size.offsetX), top = -pixels(size.offsetY);
    return {left, top, left + std::max(1, pixels(size.width)), top + std::max(1, pixels(size.height))};
}

ImageMetrics MetricsOf(PixelBox const& image) {
    int const height = 1 - image.top;
    return {image.Width(), height, image.Height() - height};
}

}  // namespace ksdvi

#pragma once
// Which pixels an image of a page shows, as dvipng's -T chooses them:
//   tight   the ink, nothing else;
//   bbox    the ink and the pixel of the DVI origin;
//   W,H     W x H of paper with the DVI origin at an offset from its top
//           left corner (ksdvi's one inch each way, as TeX assumes; dvipng's
//           -O, none without it);
// and for a page of preview.sty's tightpage option, its preview box in any
// case. The baseline is the row of the DVI origin, where preview puts the
// baseline of its box: dvipng's height counts the rows from the image's top
// down to it, that row included, and its depth the rows below.

#include <cstdint>
#include <optional>

#include "specials/PreviewSpecials.h"

namespace ksdvi {

// Pixels from the DVI origin's pixel (0, 0), x to the right and y down;
// right and bottom are outside.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(PixelBox const&) const = default;
};

// The smallest box holding both; an empty box adds nothing.
PixelBox Union(PixelBox const& a, PixelBox const& b);

struct ImageSize {
    enum class Kind { Tight, Bbox, Fixed };
    Kind kind = Kind::Tight;
    int32_t width = 0, height = 0;                 // Fixed: the image's size in sp
    int32_t offsetX = 4736287, offsetY = 4736287;  // Fixed: the DVI origin from the top left corner, sp
    bool operator==(ImageSize const&) const = default;
};

// The preview box in pixels, rounded outwards as dvipng rounds it;
// `dviPerPixel` is DVI units per device pixel, magnification included.
PixelBox PreviewPixels(PreviewBox const& box, double dviPerPixel);

// The image of a page whose ink covers `ink` (empty when none): the preview
// box when there is one, else what `size` asks for. `pixelsPerSp` converts
// the sizes of Fixed (sp to pixels, as the paper's pixels are counted).
PixelBox FrameOf(ImageSize const& size, PixelBox const& ink, std::optional<PixelBox> const& preview,
                 double pixelsPerSp);

// dvipng's numbers for an image: its width, its height above the baseline
// (the DVI origin's row included) and its depth below.
struct ImageMetrics {
    int width = 0, height = 0, depth = 0;
    bool operator==(ImageMetrics const&) const = default;
};
ImageMetrics MetricsOf(PixelBox const& image);

}  // namespace ksdvi

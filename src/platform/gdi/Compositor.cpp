#include "platform/gdi/Compositor.h"

#include "platform/gdi/RasterOps.h"

namespace ksdvi::gdi {

namespace {

// s over d with coverage a (0 to 255), red and blue side by side in one word
// and green in another; x / 255 rounds as (x + 128 + (x + 128) / 256) / 256.
inline Pixel Blend(Pixel d, Pixel s, unsigned a) {
    if (a >= 255) return s;
    const unsigned na = 255 - a;
    std::uint32_t rb = (s & 0xFF00FF) * a + (d & 0xFF00FF) * na + 0x800080;
    rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
    std::uint32_t g = (s & 0x00FF00) * a + (d & 0x00FF00) * na + 0x008000;
    g = ((g + ((g >> 8) & 0x00FF00)) >> 8) & 0x00FF00;
    return rb | g;
}

Pixel Convert(const SourceConversion& c, Pixel p) {
    switch (c.kind) {
    case SourceConversion::MonoToColour: return p == kBlackPixel ? c.foreground : c.background;
    case SourceConversion::ColourToMono: return p == c.background ? kWhitePixel : kBlackPixel;
    default: return p;
    }
}

// The source columns (or rows) that destination pixel i stands for.
struct Axis {
    long long destLength, srcStart, srcLength;
    bool mirror, combine;

    void Map(long long i, int& first, int& count) const {
        const long long d = mirror ? destLength - 1 - i : i;
        if (combine && srcLength > destLength) {
            const long long a = d * srcLength / destLength, b = (d + 1) * srcLength / destLength;
            first = int(srcStart + a);
            count = int(std::max(1LL, b - a));
        } else {
            first = int(srcStart + (2 * d + 1) * srcLength / (2 * destLength));
            count = 1;
        }
    }
};

void Normalize(LONG& a, LONG& b, bool& mirror) {
    if (b < a) {
        std::swap(a, b);
        mirror = !mirror;
    }
}

}  // namespace

void FillRect(const PaintTarget& target, const RECT& r, const BrushPaint& brush, int rop2) {
    if (brush.IsNull() || rop2 == R2_NOP) return;
    Surface& surface = target.surface;
    // A page's background: the whole surface in one pixel.
    if (brush.IsSolid() && rop2 == R2_COPYPEN && !target.clip && r.left <= 0 && r.top <= 0 &&
        r.right >= surface.Width() && r.bottom >= surface.Height()) {
        surface.Fill(brush.SolidPixel());
        return;
    }
    if (brush.MayBeColoured()) surface.NoteColour();
    target.ForEachVisible(r, [&](const RECT& v) {
        for (int y = v.top; y < v.bottom; ++y) {
            Pixel* row = surface.RowToWrite(y, v.left, v.right);
            if (brush.IsSolid() && rop2 == R2_COPYPEN) {
                std::fill(row + v.left, row + v.right, brush.SolidPixel());
                continue;
            }
            for (int x = v.left; x < v.right; ++x) {
                Pixel p;
                if (brush.Sample(x, y, p)) row[x] = ApplyRop2(rop2, p, row[x]) & kPixelMask;
            }
        }
    });
}

void PlotPixel(const PaintTarget& target, int x, int y, Pixel p, int rop2) {
    if (!target.Visible(x, y)) return;
    target.surface.NoteColour(p);
    Pixel& d = target.surface.RowToWrite(y, x, x + 1)[x];
    d = ApplyRop2(rop2, p, d) & kPixelMask;
}

void PaintCoverage(const PaintTarget& target, const CoverageMask& mask, const BrushPaint& brush, int rop2) {
    if (mask.IsEmpty() || brush.IsNull() || rop2 == R2_NOP) return;
    if (brush.MayBeColoured()) target.surface.NoteColour();
    const RECT box{mask.x0, mask.y0, mask.x0 + mask.width, mask.y0 + mask.height};
    target.ForEachVisible(box, [&](const RECT& v) {
        for (int y = v.top; y < v.bottom; ++y) {
            Pixel* row = target.surface.RowToWrite(y, v.left, v.right);
            // The mask's row, indexed from its own left edge: v lies inside the mask.
            const std::uint8_t* cov = mask.coverage.data() + std::size_t(y - mask.y0) * std::size_t(mask.width);
            for (int x = v.left; x < v.right; ++x) {
                const unsigned c = cov[x - mask.x0];
                if (c == 0) continue;
                Pixel p;
                if (!brush.Sample(x, y, p)) continue;
                if (rop2 == R2_COPYPEN)
                    row[x] = Blend(row[x], p, c);
                else if (c >= 128)
                    row[x] = ApplyRop2(rop2, p, row[x]) & kPixelMask;
            }
        }
    });
}

void BlendGlyph(const PaintTarget& target, const Glyph& glyph, int x, int y, Pixel color, unsigned opacity) {
    if (glyph.width <= 0 || glyph.rows <= 0 || opacity == 0) return;
    target.surface.NoteColour(color);
    const int left = x + glyph.left, top = y - glyph.top, width = glyph.width;
    const RECT box{left, top, left + width, top + glyph.rows};
    const std::uint8_t* coverage = glyph.coverage.data();
    target.ForEachVisible(box, [=, &target](const RECT& v) {
        for (int py = v.top; py < v.bottom; ++py) {
            Pixel* row = target.surface.RowToWrite(py, v.left, v.right) + v.left;
            const std::uint8_t* cov = coverage + std::size_t(py - top) * width + (v.left - left);
            const int n = v.right - v.left;
            for (int i = 0; i < n; ++i) {
                const unsigned c = opacity == 255 ? cov[i] : (cov[i] * opacity + 127) / 255;
                if (c) row[i] = Blend(row[i], color, c);
            }
        }
    });
}

void TransferPixels(const PaintTarget& target, const Transfer& t) {
    const BYTE rop = Rop3Index(t.rop);
    const bool usesSource = Rop3UsesSource(t.rop) && t.source;
    const bool usesPattern = Rop3UsesPattern(t.rop);
    if (Rop3UsesSource(t.rop) && !t.source) return;
    if (usesPattern && (!t.brush || t.brush->IsNull())) return;
    RECT d = t.destination, s = t.sourceRect;
    bool mirrorX = false, mirrorY = false;
    Normalize(d.left, d.right, mirrorX);
    Normalize(d.top, d.bottom, mirrorY);
    Normalize(s.left, s.right, mirrorX);
    Normalize(s.top, s.bottom, mirrorY);
    const long long dw = (long long)d.right - d.left, dh = (long long)d.bottom - d.top;
    const long long sw = (long long)s.right - s.left, sh = (long long)s.bottom - s.top;
    if (dw <= 0 || dh <= 0 || (usesSource && (sw <= 0 || sh <= 0))) return;
    const bool combine = t.stretchMode != COLORONCOLOR;  // which drops pixels
    const Axis cols{dw, s.left, sw, mirrorX, combine}, rows{dh, s.top, sh, mirrorY, combine};
    const Surface* src = t.source;
    // Bitwise operations keep grey grey; colour comes only from the inputs.
    const bool colourIn = (usesSource && (t.conversion.kind == SourceConversion::MonoToColour
                                              ? !IsGrey(t.conversion.foreground) || !IsGrey(t.conversion.background)
                                              : src->MayHaveColour())) ||
                          (usesPattern && t.brush->MayBeColoured());
    if (colourIn) target.surface.NoteColour();
    const bool plainCopy = usesSource && !usesPattern && rop == 0xCC && t.conversion.kind == SourceConversion::None;
    // Unscaled, unmirrored and unconverted: each pixel reads its own source pixel.
    const bool oneToOne =
        usesSource && sw == dw && sh == dh && !mirrorX && !mirrorY && t.conversion.kind == SourceConversion::None;
    // One source pixel, or the stretch mode's combination of several.
    const auto sample = [&](long long i, long long j, Pixel& out) -> bool {
        int x0, nx, y0, ny;
        cols.Map(i, x0, nx);
        rows.Map(j, y0, ny);
        bool any = false;
        unsigned long sum[3] = {0, 0, 0};
        unsigned n = 0;
        Pixel acc = 0;
        // Only the part of the span that lies on the source counts.
        const int xs = std::max(x0, 0), xe = std::min(x0 + nx, src->Width());
        const int ys = std::max(y0, 0), ye = std::min(y0 + ny, src->Height());
        for (int y = ys; y < ye; ++y) {
            for (int x = xs; x < xe; ++x) {
                const Pixel p = Convert(t.conversion, src->At(x, y));
                if (!any) acc = p;
                switch (t.stretchMode) {
                case BLACKONWHITE: acc &= p; break;
                case WHITEONBLACK: acc |= p; break;
                case HALFTONE: sum[0] += p >> 16 & 0xFF, sum[1] += p >> 8 & 0xFF, sum[2] += p & 0xFF; break;
                default: break;
                }
                any = true;
                ++n;
            }
        }
        if (any && t.stretchMode == HALFTONE)
            acc = Pixel(sum[0] / n) << 16 | Pixel(sum[1] / n) << 8 | Pixel(sum[2] / n);
        out = acc;
        return any;
    };
    target.ForEachVisible(d, [&](const RECT& v) {
        for (int y = v.top; y < v.bottom; ++y) {
            Pixel* row = target.surface.RowToWrite(y, v.left, v.right);
            for (int x = v.left; x < v.right; ++x) {
                Pixel S = 0, P = 0;
                if (oneToOne) {
                    const long long sx = s.left + (x - d.left), sy = s.top + (y - d.top);
                    if (sx < 0 || sy < 0 || sx >= src->Width() || sy >= src->Height()) continue;
                    S = src->At(int(sx), int(sy));
                } else if (usesSource && !sample(x - d.left, y - d.top, S)) {
                    continue;
                }
                if (plainCopy) {
                    row[x] = S;
                    continue;
                }
                if (usesPattern && !t.brush->Sample(x, y, P)) continue;
                row[x] = ApplyRop3(rop, P, S, row[x]) & kPixelMask;
            }
        }
    });
}

}  // namespace ksdvi::gdi

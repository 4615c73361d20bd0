// Puts pixels on a surface with GDI's rules: exact fills, coverage blended
// in copy mode, ROP2 and ROP3 applied bit by bit, all inside a clip region.
#pragma once

#include <algorithm>

#include "platform/gdi/Brush.h"
#include "platform/gdi/RasterOps.h"
#include "platform/gdi/Rasterizer.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/ScaledFont.h"
#include "platform/gdi/Surface.h"

namespace ksdvi::gdi {

// The surface and the region painting may touch (null: all of it).
struct PaintTarget {
    Surface& surface;
    const Region* clip = nullptr;

    // Calls f(RECT) for the visible parts of r, each inside the surface.
    template <typename F>
    void ForEachVisible(RECT r, F&& f) const {
        r.left = std::max<LONG>(r.left, 0);
        r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, surface.Width());
        r.bottom = std::min<LONG>(r.bottom, surface.Height());
        if (r.left >= r.right || r.top >= r.bottom) return;
        if (!clip) {
            f(r);
            return;
        }
        const Region part = clip->Intersected(r);
        for (const auto& b : part.Rects()) f(RECT{b.x1, b.y1, b.x2, b.y2});
    }
    bool Visible(int x, int y) const { return surface.Contains(x, y) && (!clip || clip->Contains(x, y)); }
};

void FillRect(const PaintTarget& target, const RECT& r, const BrushPaint& brush, int rop2 = R2_COPYPEN);
void PlotPixel(const PaintTarget& target, int x, int y, Pixel p, int rop2);
// Paints `mask` with the brush: blended by coverage when `rop2` copies,
// otherwise combined where the coverage is at least half.
void PaintCoverage(const PaintTarget& target, const CoverageMask& mask, const BrushPaint& brush, int rop2);
// A glyph's coverage in one colour with its origin at (x, y).
// `opacity` (255: opaque) scales the glyph's coverage.
void BlendGlyph(const PaintTarget& target, const Glyph& glyph, int x, int y, Pixel color, unsigned opacity = 255);

// How source pixels change when they cross between monochrome and colour.
struct SourceConversion {
    enum Kind { None, MonoToColour, ColourToMono } kind = None;
    Pixel foreground = 0;  // MonoToColour: black becomes this (the text colour)
    Pixel background = 0;  // MonoToColour: white becomes this; ColourToMono: this becomes white
};

struct Transfer {
    RECT destination;  // right/bottom may lie left of/above left/top to mirror
    const Surface* source = nullptr;
    RECT sourceRect;  // likewise
    DWORD rop = SRCCOPY;
    int stretchMode = BLACKONWHITE;
    const BrushPaint* brush = nullptr;
    SourceConversion conversion;
};

// BitBlt, StretchBlt and PatBlt: every destination pixel becomes the ROP3
// of the brush, the (stretched) source and itself.
void TransferPixels(const PaintTarget& target, const Transfer& t);

}  // namespace ksdvi::gdi

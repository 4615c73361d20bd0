// CDC: text output and text metrics.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/CdcPaint.h"

namespace ksdvi::gdi {

namespace {

// Windows-1252 at 0x80-0x9F; the rest of the code page is Latin-1.
constexpr std::uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct Direction {
    double ux, uy;  // along the baseline
    double nx, ny;  // up from it
};

Direction DirectionOf(const ScaledFont& font) { return {font.Cos(), -font.Sin(), -font.Sin(), -font.Cos()}; }

}  // namespace

ScaledFont* CDC::CurrentFont() {
    if (!s_.fontData) return nullptr;
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    if (!realized_ || realizedFor_ != s_.fontData || realizedScaleX_ != sx || realizedScaleY_ != sy) {
        realized_ = s_.fontData->Realize(sx, sy, caps_.dpiY);
        realizedFor_ = s_.fontData;
        realizedScaleX_ = sx;
        realizedScaleY_ = sy;
    }
    return realized_.get();
}

void CDC::DecodeAnsi(const char* text, UINT count) {
    codes_.clear();
    if (!text) return;
    const ScaledFont* font = CurrentFont();
    const bool symbol = font && font->IsSymbol();
    for (UINT i = 0; i < count; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        codes_.push_back(!symbol && c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
}

void CDC::DecodeWide(const WCHAR* text, UINT count) {
    codes_.clear();
    if (!text) return;
    for (UINT i = 0; i < count; ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        codes_.push_back(c);
    }
}

BOOL CDC::ExtTextOutW(int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const int* dx) {
    if (options & ETO_GLYPH_INDEX) {
        codes_.assign(text ? text : u"", text ? text + count : u"");
    } else {
        DecodeWide(text, count);
    }
    return DrawCodes(x, y, options, rect, dx, options & ETO_GLYPH_INDEX);
}

BOOL CDC::ExtTextOutA(int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx) {
    DecodeAnsi(text, count);
    return DrawCodes(x, y, options, rect, dx, false);
}

BOOL CDC::DrawCodes(int x, int y, UINT options, const RECT* rect, const int* dx, bool glyphIndices) {
    if (!created_) return FALSE;
    if (s_.pathOpen) return TRUE;  // text outlines are not recorded in paths
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    const bool updateCp = s_.textAlign & TA_UPDATECP;
    const POINT origin = updateCp ? s_.currentPos : POINT{x, y};
    const PointD o = ToDevice(origin.x, origin.y);
    if (rect && (options & ETO_OPAQUE)) {
        const RECT d = ToDeviceRect(rect->left, rect->top, rect->right, rect->bottom);
        const BrushData solid;
        const BrushPaint bk(solid, Resolve(s_.bkColor), 0, 0, false, {});
        Paint(d, [&](const PaintTarget& t) { gdi::FillRect(t, d, bk); });
    }
    ScaledFont* font = CurrentFont();
    if (!font || codes_.empty()) return TRUE;

    // Advances along the baseline, in device pixels.
    placed_.clear();
    double total = 0;
    for (std::size_t i = 0; i < codes_.size(); ++i) {
        const Glyph& g = glyphIndices ? font->GlyphForIndex(codes_[i]) : font->GlyphForCode(codes_[i]);
        placed_.push_back({&g, 0, 0});
        total += dx ? dx[i] * std::abs(sx) : std::hypot(g.advanceX, g.advanceY);
    }
    const Direction dir = DirectionOf(*font);
    double bx = o.x, by = o.y;
    const UINT align = s_.textAlign;
    if ((align & TA_CENTER) == TA_CENTER) {
        bx -= dir.ux * total / 2, by -= dir.uy * total / 2;
    } else if (align & TA_RIGHT) {
        bx -= dir.ux * total, by -= dir.uy * total;
    }
    if ((align & TA_BASELINE) == TA_BASELINE) {
    } else if (align & TA_BOTTOM) {
        bx += dir.nx * font->Descent(), by += dir.ny * font->Descent();
    } else {
        bx -= dir.nx * font->Ascent(), by -= dir.ny * font->Ascent();
    }

    RECT touched{LONG(std::floor(bx)), LONG(std::floor(by)), LONG(std::floor(bx)), LONG(std::floor(by))};
    double pen = 0;
    for (std::size_t i = 0; i < placed_.size(); ++i) {
        PlacedGlyph& p = placed_[i];
        p.x = int(std::lround(bx + dir.ux * pen));
        p.y = int(std::lround(by + dir.uy * pen));
        touched.left = std::min<LONG>(touched.left, p.x + p.glyph->left);
        touched.top = std::min<LONG>(touched.top, p.y - p.glyph->top);
        touched.right = std::max<LONG>(touched.right, p.x + p.glyph->left + p.glyph->width);
        touched.bottom = std::max<LONG>(touched.bottom, p.y - p.glyph->top + p.glyph->rows);
        pen += dx ? dx[i] * std::abs(sx) : std::hypot(p.glyph->advanceX, p.glyph->advanceY);
    }

    const bool clipped = rect && (options & ETO_CLIPPED);
    std::optional<Region> saved;
    if (clipped) {
        saved = s_.clip;
        const RECT d = ToDeviceRect(rect->left, rect->top, rect->right, rect->bottom);
        s_.clip = s_.clip ? s_.clip->Intersected(d) : Region(d);
    }
    // A magnified font's glyphs are made where they can show.
    std::vector<std::shared_ptr<const Glyph>> parts;
    if (font->IsMagnified()) {
        const RECT window = Limit();
        for (std::size_t i = 0; i < placed_.size(); ++i) {
            PlacedGlyph& p = placed_[i];
            parts.push_back(glyphIndices ? font->PartForIndex(codes_[i], p.x, p.y, window)
                                         : font->PartForCode(codes_[i], p.x, p.y, window));
            p.glyph = parts.back().get();
        }
    }
    if (s_.bkMode == OPAQUE) {
        // The character cells take the background colour.
        Path cell;
        const double a = font->Ascent(), d = font->Descent();
        cell.MoveTo({bx + dir.nx * a, by + dir.ny * a});
        cell.LineTo({bx + dir.nx * a + dir.ux * total, by + dir.ny * a + dir.uy * total});
        cell.LineTo({bx - dir.nx * d + dir.ux * total, by - dir.ny * d + dir.uy * total});
        cell.LineTo({bx - dir.nx * d, by - dir.ny * d});
        cell.CloseFigure();
        // Shift by half a pixel: the cell's edges are pixel edges, not centres.
        Path edges;
        for (const auto& n : cell.Nodes()) {
            if (n.type == PT_MOVETO)
                edges.MoveTo({n.p.x - 0.5, n.p.y - 0.5});
            else
                edges.LineTo({n.p.x - 0.5, n.p.y - 0.5});
        }
        edges.CloseFigure();
        const CoverageMask mask = RasterizeFill(edges, ALTERNATE, false, Limit());
        const BrushData solid;
        const BrushPaint bk(solid, Resolve(s_.bkColor), 0, 0, false, {});
        Paint(RECT{mask.x0, mask.y0, mask.x0 + mask.width, mask.y0 + mask.height},
              [&](const PaintTarget& t) { PaintCoverage(t, mask, bk, R2_COPYPEN); });
    }
    const Pixel color = Resolve(s_.textColor);
    Paint(touched, [&](const PaintTarget& t) {
        for (const PlacedGlyph& p : placed_) BlendGlyph(t, *p.glyph, p.x, p.y, color, s_.textOpacity);
    });
    if (clipped) s_.clip = std::move(saved);
    if (updateCp) {
        s_.currentPos.x = origin.x + LONG(std::lround(dir.ux * total / (sx ? sx : 1)));
        s_.currentPos.y = origin.y + LONG(std::lround(dir.uy * total / (sy ? sy : 1)));
    }
    return TRUE;
}

DWORD CDC::GetGlyphIndicesW(const WCHAR* text, int count, WORD* indices, DWORD flags) {
    ScaledFont* font = CurrentFont();
    if (!font || !text || !indices || count < 0) return GDI_ERROR;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t g = font->GlyphIndexForCode(text[i]);
        indices[i] = g == 0 && (flags & GGI_MARK_NONEXISTING_GLYPHS) ? 0xFFFF : WORD(g);
    }
    return DWORD(count);
}

BOOL CDC::DrawGlyphBitmap(int x, int y, const Glyph& glyph) {
    if (!created_) return FALSE;
    if (s_.pathOpen || glyph.coverage.empty()) return TRUE;
    const PointD o = ToDevice(x, y);
    const int px = int(std::lround(o.x)), py = int(std::lround(o.y));
    const RECT touched{px + glyph.left, py - glyph.top, px + glyph.left + glyph.width, py - glyph.top + glyph.rows};
    const Pixel color = Resolve(s_.textColor);
    Paint(touched, [&](const PaintTarget& t) { BlendGlyph(t, glyph, px, py, color, s_.textOpacity); });
    return TRUE;
}

BOOL CDC::GetTextMetricsA(TEXTMETRICA* tm) {
    ScaledFont* font = CurrentFont();
    if (!tm || !font) return FALSE;
    double sx, sy, ox, oy;
    Mapping(sx, sy, ox, oy);
    const double ax = std::abs(sx), ay = std::abs(sy);
    const LOGFONTA& lf = s_.fontData->logFont;
    *tm = TEXTMETRICA{};
    tm->tmAscent = LONG(std::ceil(font->Ascent() / ay - 1e-6));
    tm->tmDescent = LONG(std::ceil(font->Descent() / ay - 1e-6));
    tm->tmHeight = tm->tmAscent + tm->tmDescent;
    tm->tmInternalLeading = std::max<LONG>(0, tm->tmHeight - LONG(std::lround(font->Em() / ay)));
    tm->tmAveCharWidth = LONG(std::lround(font->AverageWidth() / ax));
    tm->tmMaxCharWidth = LONG(std::ceil(font->MaxWidth() / ax - 1e-6));
    tm->tmWeight = lf.lfWeight > 0 ? lf.lfWeight : font->Key().file->Weight();
    tm->tmItalic = lf.lfItalic ? 1 : font->Key().file->IsItalic();
    tm->tmDigitizedAspectX = caps_.dpiX;
    tm->tmDigitizedAspectY = caps_.dpiY;
    tm->tmFirstChar = font->IsSymbol() ? 0x00 : 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = font->IsSymbol() ? 0x00 : 0x1F;
    tm->tmBreakChar = 0x20;
    tm->tmPitchAndFamily = TMPF_VECTOR | TMPF_TRUETYPE;
    tm->tmCharSet = font->IsSymbol() ? SYMBOL_CHARSET : lf.lfCharSet;
    return TRUE;
}

}  // namespace ksdvi::gdi

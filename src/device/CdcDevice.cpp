#include "device/CdcDevice.h"

#include <algorithm>
#include <cmath>

#include "device/CairoColour.h"
#include "device/ImageSurface.h"
#include "device/PdfPagePainter.h"
#include "font/EncodingVector.h"
#include "render/BitmapFont.h"
#include "render/CoveragePainter.h"
#include "stream/DeviceRounding.h"

namespace ksdvi {

using namespace gdi;

CdcDevice::CdcDevice(CDC& dc) : dc_(dc) {}

CdcDevice::~CdcDevice() = default;

void CdcDevice::BeginPage(std::uint32_t background) {
    CBrush paper;
    paper.CreateSolidBrush(background);
    // All that is visible, however large the page.
    RECT all{0, 0, 10000, 10000};
    if (dc_.GetClipBox(&all) == ERROR) all = RECT{0, 0, 10000, 10000};
    dc_.FillRect(&all, &paper);
}

void CdcDevice::PrepareFont(int id, DeviceFont const& singleByte, DeviceFont const* doubleByte) {
    if (id < 0) return;
    if (static_cast<size_t>(id) >= slots_.size()) slots_.resize(static_cast<size_t>(id) + 1);
    slots_[static_cast<size_t>(id)] = std::make_unique<Slot>();
    Slot& slot = *slots_[static_cast<size_t>(id)];
    MakeFont(singleByte, slot.singleByte);
    if (doubleByte) MakeFont(*doubleByte, slot.doubleByte);
}

void CdcDevice::MakeFont(DeviceFont const& from, Face& face) {
    face.bitmap = from.bitmap;
    face.slantedRows = from.slantedRows;
    if (!from.face) return;
    LOGFONTA lf{};
    lf.lfHeight = -from.em;
    lf.lfWidth = from.width;
    lf.lfEscapement = lf.lfOrientation = from.rotation;
    lf.lfWeight = from.weight;
    lf.lfItalic = from.italic ? 1 : 0;
    face.font.CreateFaceFont(from.face, lf, FontShape{from.slant, from.extend, {1, 0, 0, 1}, from.hinted, from.stroke});

    // A re-encoded font finds its glyphs by name, once per page and font.
    if (from.glyphNames) {
        char const* list[EncodingVector::Size];
        for (int c = 0; c < EncodingVector::Size; ++c) list[c] = from.glyphNames->GetGlyphName(c).c_str();
        face.glyphs.assign(EncodingVector::Size, 0);
        if (face.font.GetGlyphIndicesByName(list, EncodingVector::Size, face.glyphs.data()) == GDI_ERROR)
            face.glyphs.clear();
    }
}

void CdcDevice::SetGlyphColour(std::uint32_t colour) { dc_.SetTextColor(colour); }

void CdcDevice::SetGlyphOpacity(double opacity) {
    dc_.SetTextOpacity(static_cast<BYTE>(std::lround(std::clamp(opacity, 0.0, 1.0) * 255)));
}

void CdcDevice::ClipTo(std::optional<std::array<double, 4>> const& box) {
    if (!beforeClip_) beforeClip_ = dc_.GetClipRegion();
    dc_.SetClipRegion(*beforeClip_);
    if (!box) {
        beforeClip_.reset();
        return;
    }
    auto const [left, top, right, bottom] = *box;
    auto pixel = [](double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); };
    dc_.IntersectClipRect(pixel(std::floor(left)), pixel(std::floor(top)), pixel(std::ceil(right)),
                          pixel(std::ceil(bottom)));
}

bool CdcDevice::DrawGlyph(DeviceGlyph const& glyph) {
    if (glyph.font < 0 || static_cast<size_t>(glyph.font) >= slots_.size() || !slots_[glyph.font]) return true;
    Slot& slot = *slots_[static_cast<size_t>(glyph.font)];
    Face& face = glyph.doubleByte ? slot.doubleByte : slot.singleByte;

    if (!glyph.doubleByte && face.bitmap) {
        // Bitmap fonts know their characters by the DVI code.
        Glyph const* bitmap = face.bitmap->GetGlyph(glyph.code);
        if (bitmap && glyph.transform && !glyph.transform->IsIdentity())
            DrawTurnedBitmapGlyph(*face.bitmap, glyph);
        else if (bitmap)
            dc_.DrawGlyphBitmap(glyph.x, glyph.y, *bitmap);
        return bitmap != nullptr;
    }
    CFont* font = TurnedFont(face, glyph.transform);
    if (!font->HasContents()) return glyph.glyphIndex ? false : true;
    Select(font, face.slantedRows);
    if (glyph.glyphIndex) {
        FontFile const* file = font->Data() && font->Data()->face ? font->Data()->face.get() : nullptr;
        if (!file || glyph.character >= unsigned(file->GlyphCount())) return false;
        WCHAR unit = static_cast<WCHAR>(glyph.character);
        dc_.ExtTextOutW(glyph.x, glyph.y, ETO_GLYPH_INDEX, nullptr, &unit, 1, nullptr);
        return true;
    }
    WORD drawn = 0;
    UINT options = 0;
    bool has = glyph.doubleByte || HasGlyph(face, glyph, drawn, options);
    if (glyph.doubleByte) drawn = static_cast<WORD>(glyph.character);
    if (!has && options == ETO_GLYPH_INDEX) return false;  // a re-encoded face without it draws nothing
    if (rowDC_) {
        DrawThroughRows(glyph, drawn, options);
    } else {
        WCHAR unit = drawn;
        dc_.ExtTextOutW(glyph.x, glyph.y, options, nullptr, &unit, 1, nullptr);
    }
    return has;
}

// A bitmap font's glyph that a page's PostScript scales or turns
// (graphicx's \scalebox of a PK font): its coverage turned about the pen by
// Cairo, as dvips' bitmaps are, then drawn as any glyph is. Only the part
// that can show is made, so a glyph enlarged past the page costs no more
// than a page's pixels. A glyph scaled up is taken from the font's pixels
// shrunk less, so that it keeps its edges.
void CdcDevice::DrawTurnedBitmapGlyph(BitmapFont const& font, DeviceGlyph const& glyph) {
    Affine const& t = *glyph.transform;
    std::shared_ptr<BitmapFont const> const finer = font.ForEnlargement(t.Enlargement());
    gdi::Glyph const* fine = finer ? finer->GetGlyph(glyph.code) : nullptr;
    gdi::Glyph const& bitmap = fine ? *fine : *font.GetGlyph(glyph.code);
    if (bitmap.width <= 0 || bitmap.rows <= 0) return;
    // Device pixels per bitmap pixel.
    double const s = fine ? double(finer->GetShrink()) / font.GetShrink() : 1.0;
    // From the bitmap's pixels to the page, the pen at the origin.
    Affine const fromPen{t.a * s,
                         t.b * s,
                         t.c * s,
                         t.d * s,
                         s * (t.a * bitmap.left - t.c * bitmap.top),
                         s * (t.b * bitmap.left - t.d * bitmap.top)};
    RECT visible;
    if (dc_.GetClipBox(&visible) == ERROR) return;
    auto const [x0, y0, x1, y1] = fromPen.BoundsOf(0, 0, bitmap.width, bitmap.rows);
    double const left = std::max(std::floor(x0), double(visible.left - glyph.x));
    double const top = std::max(std::floor(y0), double(visible.top - glyph.y));
    double const right = std::min(std::ceil(x1), double(visible.right - glyph.x));
    double const bottom = std::min(std::ceil(y1), double(visible.bottom - glyph.y));
    if (!(right > left && bottom > top)) return;
    gdi::Glyph turned;
    turned.left = static_cast<int>(left);
    turned.top = -static_cast<int>(top);
    turned.width = cairo_format_stride_for_width(CAIRO_FORMAT_A8, static_cast<int>(right - left));
    turned.rows = static_cast<int>(bottom - top);
    turned.coverage.assign(static_cast<size_t>(turned.width) * static_cast<size_t>(turned.rows), 0);
    cairo_surface_t* mask = GlyphMask(bitmap);
    cairo_surface_t* target = cairo_image_surface_create_for_data(turned.coverage.data(), CAIRO_FORMAT_A8, turned.width,
                                                                  turned.rows, turned.width);
    cairo_t* cr = cairo_create(target);
    cairo_matrix_t const m{fromPen.a, fromPen.b, fromPen.c, fromPen.d, fromPen.e - left, fromPen.f - top};
    cairo_transform(cr, &m);
    cairo_mask_surface(cr, mask, 0, 0);
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    cairo_surface_destroy(mask);
    dc_.DrawGlyphBitmap(glyph.x, glyph.y, turned);
}

// The glyph a code is drawn with (a glyph index, with ETO_GLYPH_INDEX, for
// re-encoded faces), and whether the face has it.
bool CdcDevice::HasGlyph(Face& face, DeviceGlyph const& glyph, WORD& drawn, UINT& options) {
    if (!face.glyphs.empty()) {
        drawn = glyph.code < face.glyphs.size() ? face.glyphs[glyph.code] : 0;
        options = ETO_GLYPH_INDEX;
        return drawn != 0;
    }
    drawn = static_cast<WORD>(glyph.character);
    // Each code's glyph is looked for once per page: a face without it draws
    // its box for a missing glyph.
    if (glyph.code >= face.checked.size()) return true;
    if (!face.checked.test(glyph.code)) {
        face.checked.set(glyph.code);
        WCHAR unit = drawn;
        WORD index = 0;
        if (dc_.GetGlyphIndicesW(&unit, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR && index == 0xFFFF)
            face.missing.set(glyph.code);
    }
    return !face.missing.test(glyph.code);
}

// The font turned by the transformation in force, made once per page and
// transformation; the font itself when none is.
CFont* CdcDevice::TurnedFont(Face& face, Affine const* transform) {
    if (!transform || transform->IsIdentity() || !face.font.HasContents()) return &face.font;
    std::array<double, 4> m{transform->a, transform->b, transform->c, transform->d};
    for (auto& [matrix, turned] : face.turned)
        if (matrix == m) return turned.get();
    LOGFONTA lf{};
    face.font.GetLogFont(&lf);
    FontShape shape = face.font.Data()->shape;
    shape.transform = m;
    auto turned = std::make_unique<CFont>();
    turned->CreateFaceFont(face.font.Data()->face, lf, shape);
    face.turned.emplace_back(m, std::move(turned));
    return face.turned.back().second.get();
}

// Only slanted faces go through the scratch context; upright ones draw
// directly.
void CdcDevice::Select(CFont* font, bool slantedRows) {
    if (dc_.GetCurrentFont() != font) dc_.SelectObject(font);
    if (!slantedRows) {
        rowDC_.reset();
        rowBitmap_.reset();
        rowFont_ = nullptr;
    } else if (rowFont_ != font) {
        CreateRowContext(font);
    }
}

void CdcDevice::CreateRowContext(CFont* font) {
    rowDC_.reset();
    rowBitmap_.reset();
    rowFont_ = font;
    TEXTMETRICA tm{};
    if (!dc_.GetTextMetricsA(&tm)) return;
    rowMaxWidth_ = tm.tmMaxCharWidth;
    rowAscent_ = tm.tmAscent;
    rowDescent_ = tm.tmDescent;
    // A scratch larger than this (a font of thousands of pixels) is not
    // made: its glyphs are drawn upright instead.
    constexpr std::int64_t kLargestScratch = std::int64_t(1) << 24;
    if (std::int64_t(3) * rowMaxWidth_ * 2 * (rowAscent_ + rowDescent_) > kLargestScratch) return;
    auto dc = std::make_unique<CDC>();
    if (!dc->CreateCompatibleDC(&dc_)) return;
    dc->SetViewportOrg(rowMaxWidth_, 2 * rowAscent_);
    dc->SetTextAlign(TA_BASELINE);
    dc->SelectObject(font);
    dc->SelectStockObject(WHITE_BRUSH);
    dc->SelectStockObject(NULL_PEN);
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateCompatibleBitmap(&dc_, 3 * rowMaxWidth_, 2 * (rowAscent_ + rowDescent_))) return;
    dc->SelectObject(bitmap.get());
    rowDC_ = std::move(dc);
    rowBitmap_ = std::move(bitmap);
}

// The glyph is drawn black on white in the scratch context, then ANDed onto
// the page row by row, each row shifted right, one dot less every four rows
// down.
void CdcDevice::DrawThroughRows(DeviceGlyph const& glyph, WORD drawn, UINT options) {
    int w2 = 2 * rowMaxWidth_;
    int d = (glyph.widthPercent * rowMaxWidth_ * 2) / 100;
    rowDC_->Rectangle(-rowMaxWidth_ - 1, -2 * rowAscent_ - 1, 2 * rowMaxWidth_ + 2, 2 * rowDescent_ + 2);
    rowDC_->SetTextColor(dc_.GetTextColor());
    WCHAR unit = drawn;
    rowDC_->ExtTextOutW(0, 0, options, nullptr, &unit, 1, nullptr);
    int shiftX = glyph.x + rowAscent_ / 4;
    for (int r = -rowAscent_; r < rowDescent_; ++r) {
        dc_.StretchBlt(shiftX, glyph.y + r, d, 1, rowDC_.get(), 0, r, w2, 1, SRCAND);
        if (r % 4 == 0) {
            --shiftX;
            dc_.StretchBlt(shiftX, glyph.y + r, d, 1, rowDC_.get(), 0, r, w2, 1, SRCAND);
        }
    }
}

void CdcDevice::DrawRule(DeviceRule const& rule) {
    auto const& c = rule.corners;
    if (!rule.upright) {
        // A turned rule keeps its exact corners, smoothed by Cairo.
        auto const [minX, minY, maxX, maxY] = rule.Bounds();
        double const left = std::floor(minX), top = std::floor(minY);
        PaintDrawnCoverage(&dc_, Affine{1, 0, 0, 1, left, top}, std::ceil(maxX) - left, std::ceil(maxY) - top,
                           [&](cairo_t* cr) {
                               SetCairoSource(cr, rule.colour);
                               cairo_move_to(cr, c[0].x - left, c[0].y - top);
                               for (int i = 1; i < 4; ++i) cairo_line_to(cr, c[i].x - left, c[i].y - top);
                               cairo_close_path(cr);
                               cairo_fill(cr);
                               return true;
                           });
        return;
    }
    CBrush brush;
    brush.CreateSolidBrush(rule.colour);
    RECT r{RoundHalfAway(c[0].x), RoundHalfAway(c[0].y), RoundHalfAway(c[2].x), RoundHalfAway(c[2].y)};
    dc_.FillRect(&r, &brush);
}

void CdcDevice::DrawShape(DeviceShape const& shape) {
    CPen pen;
    pen.CreatePen(PS_SOLID, shape.pen.width, shape.pen.colour);
    CBrush fill;
    int saved = dc_.SaveDC();
    dc_.SelectObject(&pen);
    if (shape.fill) {
        fill.CreateSolidBrush(*shape.fill);
        dc_.SelectObject(&fill);
    } else {
        dc_.SelectStockObject(NULL_BRUSH);
    }
    using Kind = DeviceShape::Kind;
    switch (shape.kind) {
    case Kind::Line:
        dc_.MoveTo(shape.from.x, shape.from.y);
        dc_.LineTo(shape.to.x, shape.to.y);
        break;
    case Kind::Arc:
        dc_.Arc(shape.left, shape.top, shape.right, shape.bottom, shape.from.x, shape.from.y, shape.to.x, shape.to.y);
        break;
    case Kind::RoundBox:
        dc_.RoundRect(shape.left, shape.top, shape.right, shape.bottom, shape.corner.x, shape.corner.y);
        break;
    case Kind::Ellipse: {
        RECT box{shape.left, shape.top, shape.right, shape.bottom};
        dc_.Ellipse(&box);
        break;
    }
    }
    dc_.RestoreDC(saved);
}

void CdcDevice::DrawImage(DeviceImage const& image) {
    if (image.transform || image.alpha) {
        DrawImageThroughCairo(image);
        return;
    }
    int mode = dc_.SetStretchBltMode(HALFTONE);
    int mix = image.mix ? dc_.SetROP2(*image.mix) : 0;
    dc_.StretchPackedDIB(image.x, image.y, image.width, image.height, image.srcX, image.srcY, image.srcWidth,
                         image.srcHeight, image.dib, image.size, DIB_RGB_COLORS, image.rasterOp);
    if (image.mix) dc_.SetROP2(mix);
    dc_.SetStretchBltMode(mode);
}

// Cairo draws the picture turned, or with its transparency, which is
// painted over the page as Ghostscript's drawings are.
void CdcDevice::DrawImageThroughCairo(DeviceImage const& image) {
    cairo_surface_t* pixels = ImageSurfaceOf(image);
    if (!pixels) return;
    PaintDrawnCoverage(&dc_, ImagePlacement(image), image.width, image.height, [&](cairo_t* cr) {
        PaintImageInBox(cr, image, pixels, CAIRO_OPERATOR_OVER);
        return true;
    });
    cairo_surface_destroy(pixels);
}

// pgf's fadings, which only a PDF writer draws (PostScriptPage.h): poppler
// draws the page.
bool CdcDevice::DrawPdfPage(std::string const& pdf, Affine const& toDevice, bool asOnScreen) {
    auto const size = PdfPageSize(pdf, 1);
    return size && PaintDrawnCoverage(&dc_, toDevice, size->first, size->second,
                                      [&](cairo_t* cr) { return PaintPdfPage(pdf, cr, asOnScreen); });
}

// The colour ORed into the pixels beneath.
void CdcDevice::MarkBox(int left, int top, int right, int bottom, std::uint32_t colour) {
    CBrush brush;
    brush.CreateSolidBrush(colour);
    int saved = dc_.SaveDC();
    dc_.SelectStockObject(NULL_PEN);
    dc_.SelectObject(&brush);
    dc_.SetROP2(R2_MERGEPEN);
    dc_.Rectangle(left, top, right + 1, bottom + 1);
    dc_.RestoreDC(saved);
}

}  // namespace ksdvi

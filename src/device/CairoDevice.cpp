#include "device/CairoDevice.h"

#include <cairo-ft.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "device/CairoColour.h"
#include "device/CompactFontProgram.h"
#include "device/ImageSurface.h"
#include "device/PdfPagePainter.h"
#include "font/EncodingVector.h"
#include "platform/gdi/Font.h"
#include "render/BitmapFont.h"

namespace ksdvi {

namespace {

cairo_user_data_key_t const kHeldFace{};

// What a Cairo face keeps alive: its own FreeType face on the file's bytes,
// or on a program made from them.
struct HeldFace {
    std::shared_ptr<gdi::FontFile const> file;
    std::unique_ptr<std::string const> program;
    FT_Face face;
};

void ReleaseFace(void* data) {
    auto* held = static_cast<HeldFace*>(data);
    gdi::FontFile::CloseFace(held->face);
    delete held;
}

cairo_user_data_key_t const kBitmapFont{};

// A bitmap font and its pixels per em: glyph space is the em, whatever the
// font matrix (a page's PostScript may scale or turn it).
struct HeldBitmapFont {
    std::shared_ptr<BitmapFont const> font;
    double em = 1;
};

// A glyph of a bitmap font, in pixels from its reference point: its
// coverage as the mask of whatever source the text is drawn in.
cairo_status_t RenderBitmapGlyph(cairo_scaled_font_t* scaled, unsigned long code, cairo_t* cr,
                                 cairo_text_extents_t* extents) {
    auto const* held = static_cast<HeldBitmapFont const*>(
        cairo_font_face_get_user_data(cairo_scaled_font_get_font_face(scaled), &kBitmapFont));
    gdi::Glyph const* glyph = held ? held->font->GetGlyph(static_cast<uint32_t>(code)) : nullptr;
    double const pixel = held ? 1.0 / held->em : 1.0;  // pixels are a part of the em
    // Its width, for readers that lay the text out again.
    if (glyph) extents->x_advance = std::max<double>(glyph->advanceX, glyph->left + glyph->width) * pixel;
    if (cairo_surface_t* mask = glyph ? GlyphMask(*glyph) : nullptr) {
        cairo_scale(cr, pixel, pixel);
        cairo_mask_surface(cr, mask, glyph->left, -glyph->top);
        cairo_surface_destroy(mask);
    }
    return CAIRO_STATUS_SUCCESS;
}

void ReleaseBitmapFont(void* data) { delete static_cast<HeldBitmapFont*>(data); }

// How a picture's pixels combine with the page's, for the raster operations
// pictures use.
cairo_operator_t OperatorOf(std::uint32_t rasterOp) {
    switch (rasterOp) {
    case 0x008800C6: return CAIRO_OPERATOR_MULTIPLY;    // SRCAND
    case 0x00EE0086: return CAIRO_OPERATOR_LIGHTEN;     // SRCPAINT
    case 0x00660046: return CAIRO_OPERATOR_DIFFERENCE;  // SRCINVERT
    default: return CAIRO_OPERATOR_OVER;
    }
}

}  // namespace

CairoDevice::CairoDevice(int dpi, bool bitmapFontsAsFonts) : dpi_(dpi), bitmapFontsAsFonts_(bitmapFontsAsFonts) {}

CairoDevice::~CairoDevice() {
    for (auto& [key, face] : faces_)
        if (face) cairo_font_face_destroy(face);
    for (auto& [font, face] : bitmapFaces_) cairo_font_face_destroy(face);
    for (auto& [glyph, mask] : masks_)
        if (mask.surface) cairo_surface_destroy(mask.surface);
}

void CairoDevice::StartPage(cairo_t* cr, int width, int height, std::multimap<int, std::string> texts,
                            bool backgroundLater) {
    cr_ = cr;
    backgroundLater_ = backgroundLater;
    lastFace_ = nullptr;
    clipped_ = false;
    width_ = width;
    height_ = height;
    texts_ = std::move(texts);
    slots_.clear();
    run_.clear();
    runText_.clear();
    runClusters_.clear();
}

void CairoDevice::BeginPage(std::uint32_t background) {
    background_ = background;
    if (!backgroundLater_) PaintBackground(cr_);
}

void CairoDevice::PaintBackground(cairo_t* cr) const {
    SetCairoSource(cr, background_);
    cairo_rectangle(cr, 0, 0, width_, height_);
    cairo_fill(cr);
}

void CairoDevice::PrepareFont(int id, DeviceFont const& singleByte, DeviceFont const* doubleByte) {
    if (id < 0) return;
    if (static_cast<size_t>(id) >= slots_.size()) slots_.resize(static_cast<size_t>(id) + 1);
    slots_[static_cast<size_t>(id)] = std::make_unique<Slot>();
    Slot& slot = *slots_[static_cast<size_t>(id)];
    MakeFace(singleByte, slot.singleByte);
    if (doubleByte) MakeFace(*doubleByte, slot.doubleByte);
}

// The face as the raster device makes it (size, squeeze, emboldening, slant,
// escapement), as a Cairo font matrix.
void CairoDevice::MakeFace(DeviceFont const& from, Face& face) {
    face.bitmap = from.bitmap;
    face.slantedRows = from.slantedRows;
    if (face.bitmap) {
        double const em = from.em > 0 ? from.em : dpi_ / 7.227;  // 10pt when the font says nothing
        face.cairoFace = BitmapFace(face.bitmap, em);
        cairo_matrix_init_scale(&face.matrix, em, em);
        return;
    }
    if (!from.face) return;
    face.stroke = from.stroke * (from.exactEm > 0 ? from.exactEm : from.em);
    gdi::LOGFONTA lf{};
    lf.lfHeight = -from.em;
    lf.lfWidth = from.width;
    lf.lfEscapement = lf.lfOrientation = from.rotation;
    lf.lfWeight = from.weight;
    lf.lfItalic = from.italic ? 1 : 0;
    gdi::CFont font;
    font.CreateFaceFont(from.face, lf, gdi::FontShape{from.slant, from.extend});
    face.scaled = font.Data() ? font.Data()->Realize(1, 1, dpi_) : nullptr;
    if (!face.scaled) return;
    gdi::ScaledFontKey const& key = face.scaled->Key();
    face.cairoFace = CairoFace(key.file, key.emboldened);
    face.glyphCount = key.file->GlyphCount();
    // y down: squeeze and lean, then turn counter-clockwise on the page.
    double const angle = key.escapement / 10.0 * std::numbers::pi / 180.0;
    double const c = std::cos(angle), s = std::sin(angle);
    double const xs = key.xScale, sl = key.slant, em = key.em;
    cairo_matrix_init(&face.matrix, em * c * xs, em * -s * xs, em * (s - c * sl), em * (c + s * sl), 0, 0);
    // Glyphs as large as TeX sets them, not as the nearest pixel size, nor
    // held to the largest size a raster glyph is made at.
    if (from.exactEm > 0 && em > 0) cairo_matrix_scale(&face.matrix, from.exactEm / em, from.exactEm / em);
    if (from.glyphNames) {
        // Every page prepares every font: each encoding is looked up once.
        std::vector<unsigned>& glyphs = encodedGlyphs_[{key.file.get(), from.glyphNames}];
        if (glyphs.empty()) {
            glyphs.assign(EncodingVector::Size, 0);
            for (int code = 0; code < EncodingVector::Size; ++code)
                glyphs[static_cast<size_t>(code)] = key.file->GlyphIndexByName(from.glyphNames->GetGlyphName(code));
        }
        face.glyphs = glyphs;
    }
}

cairo_font_face_t* CairoDevice::BitmapFace(std::shared_ptr<BitmapFont const> const& font, double em) {
    cairo_font_face_t*& face = bitmapFaces_[font.get()];
    if (!face) {
        face = cairo_user_font_face_create();
        cairo_user_font_face_set_render_glyph_func(face, RenderBitmapGlyph);
        auto* held = new HeldBitmapFont{font, em};
        if (cairo_font_face_set_user_data(face, &kBitmapFont, held, ReleaseBitmapFont) != CAIRO_STATUS_SUCCESS)
            ReleaseBitmapFont(held);
    }
    return face;
}

cairo_font_face_t* CairoDevice::CairoFace(std::shared_ptr<gdi::FontFile const> const& file, bool emboldened) {
    auto const key = std::pair{file.get(), emboldened};
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    cairo_font_face_t* face = nullptr;
    std::unique_ptr<std::string const> program;
    if (EmbedsFontPrograms()) {
        std::lock_guard guard(file->FaceLock());
        if (std::string cff = CompactFontProgram(file->SharedFace()); !cff.empty())
            program = std::make_unique<std::string const>(std::move(cff));
    }
    if (FT_Face ft = program ? gdi::FontFile::OpenFace(*program) : file->OpenFace()) {
        face = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING);
        auto* held = new HeldFace{file, std::move(program), ft};
        if (cairo_font_face_set_user_data(face, &kHeldFace, held, ReleaseFace) != CAIRO_STATUS_SUCCESS) {
            ReleaseFace(held);
            cairo_font_face_destroy(face);
            face = nullptr;
        } else if (emboldened) {
            cairo_ft_font_face_set_synthesize(face, CAIRO_FT_SYNTHESIZE_BOLD);
        }
    }
    faces_[key] = face;
    return face;
}

bool CairoDevice::EmbedsFontPrograms() const {
    return cr_ && cairo_surface_get_type(cairo_get_target(cr_)) == CAIRO_SURFACE_TYPE_PDF;
}

void CairoDevice::SetGlyphColour(std::uint32_t colour) { glyphColour_ = colour; }

void CairoDevice::SetGlyphOpacity(double opacity) { glyphOpacity_ = std::clamp(opacity, 0.0, 1.0); }

bool CairoDevice::DrawGlyph(DeviceGlyph const& glyph) {
    if (glyph.font < 0 || static_cast<size_t>(glyph.font) >= slots_.size() || !slots_[glyph.font]) return true;
    Slot& slot = *slots_[static_cast<size_t>(glyph.font)];
    Face& face = glyph.doubleByte ? slot.doubleByte : slot.singleByte;
    if (!glyph.doubleByte && face.bitmap) {
        // Bitmap fonts know their characters by the DVI code.
        bool const has = face.bitmap->GetGlyph(glyph.code) != nullptr;
        Face const& drawn = has ? TurnedBitmapFace(face, glyph) : face;
        if (has && bitmapFontsAsFonts_)
            ShowGlyph(drawn, glyph.code, glyph);
        else if (has)
            PaintBitmapGlyph(drawn, glyph);
        return has;
    }
    if (!face.cairoFace) return !glyph.glyphIndex;
    if (glyph.glyphIndex) {
        if (glyph.character >= unsigned(face.glyphCount)) return false;
        ShowGlyph(face, glyph.character, glyph);
        return true;
    }
    if (!glyph.doubleByte && !face.glyphs.empty()) {
        // A re-encoded face without the code's glyph draws nothing.
        unsigned index = glyph.code < face.glyphs.size() ? face.glyphs[glyph.code] : 0;
        if (index != 0) ShowGlyph(face, index, glyph);
        return index != 0;
    }
    // Other faces draw their box for a missing glyph, as on the screen.
    unsigned index = face.scaled->GlyphIndexForCode(glyph.character);
    ShowGlyph(face, index, glyph);
    return index != 0 || glyph.doubleByte;
}

void CairoDevice::ShowGlyph(Face const& face, unsigned index, DeviceGlyph const& glyph) {
    cairo_matrix_t matrix = face.matrix;
    if (face.slantedRows) {
        // Korean slanted faces: narrowed, each four rows one pixel further left.
        cairo_matrix_t lean;
        cairo_matrix_init(&lean, glyph.widthPercent / 100.0, 0, -0.25, 1, 0, 0);
        cairo_matrix_multiply(&matrix, &matrix, &lean);
    }
    if (glyph.transform) {
        Affine const& t = *glyph.transform;
        cairo_matrix_t turn;
        cairo_matrix_init(&turn, t.a, t.b, t.c, t.d, 0, 0);
        cairo_matrix_multiply(&matrix, &matrix, &turn);
    }
    std::optional<std::string> const text = TakeText(glyph.instruction);
    // A run goes to Cairo in one call: one text operator of a PDF, one group
    // of an SVG. It ends where the font, its shape, the colour or the kind
    // of text changes.
    bool const named = text && !text->empty();
    if (!run_.empty() && (face.cairoFace != lastFace_ || std::memcmp(&matrix, &lastMatrix_, sizeof matrix) != 0 ||
                          glyphColour_ != runColour_ || glyphOpacity_ != runOpacity_ || !text || named != runNamed_))
        FlushGlyphs();
    // Cairo finds its font anew at every change: runs of glyphs in one font
    // keep it.
    if (face.cairoFace != lastFace_ || std::memcmp(&matrix, &lastMatrix_, sizeof matrix) != 0) {
        cairo_set_font_face(cr_, face.cairoFace);
        cairo_set_font_matrix(cr_, &matrix);
        lastFace_ = face.cairoFace;
        lastMatrix_ = matrix;
    }
    cairo_glyph_t drawn{index, glyph.penX, glyph.penY};
    if (face.stroke > 0) StrokeGlyph(face, drawn, glyph);
    // An accent the page's text joined to its letter is drawn as its outline,
    // so that readers find it once; a glyph the page's text cannot name keeps
    // what its font program says it is.
    if (!text) {
        SetCairoSource(cr_, glyphColour_, glyphOpacity_);
        cairo_glyph_path(cr_, &drawn, 1);
        cairo_fill(cr_);
        return;
    }
    runColour_ = glyphColour_;
    runOpacity_ = glyphOpacity_;
    runNamed_ = named;
    run_.push_back(drawn);
    if (named) {
        runText_ += *text;
        runClusters_.push_back({static_cast<int>(text->size()), 1});
    }
}

// The outline stroked over its filling, as PDF's text rendering mode 2
// draws it: a PDF or SVG keeps the glyph as text and adds the pen's path.
void CairoDevice::StrokeGlyph(Face const& face, cairo_glyph_t const& drawn, DeviceGlyph const& glyph) {
    double width = face.stroke;
    if (glyph.transform)
        width *= std::sqrt(std::abs(glyph.transform->a * glyph.transform->d - glyph.transform->b * glyph.transform->c));
    cairo_save(cr_);
    SetCairoSource(cr_, glyphColour_, glyphOpacity_);
    cairo_new_path(cr_);
    cairo_glyph_path(cr_, &drawn, 1);
    cairo_set_line_width(cr_, width);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr_, 10);
    cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_stroke(cr_);
    cairo_restore(cr_);
}

void CairoDevice::FlushGlyphs() {
    if (run_.empty()) return;
    SetCairoSource(cr_, runColour_, runOpacity_);
    if (runNamed_)
        cairo_show_text_glyphs(cr_, runText_.data(), static_cast<int>(runText_.size()), run_.data(),
                               static_cast<int>(run_.size()), runClusters_.data(),
                               static_cast<int>(runClusters_.size()), cairo_text_cluster_flags_t(0));
    else
        cairo_show_glyphs(cr_, run_.data(), static_cast<int>(run_.size()));
    run_.clear();
    runText_.clear();
    runClusters_.clear();
}

void CairoDevice::EndPage() { ClipTo(std::nullopt); }

void CairoDevice::ClipTo(std::optional<std::array<double, 4>> const& box) {
    FlushGlyphs();
    if (clipped_) {
        cairo_restore(cr_);
        clipped_ = false;
        lastFace_ = nullptr;  // the font set since goes with the state
    }
    if (!box) return;
    auto const [left, top, right, bottom] = *box;
    cairo_save(cr_);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    cairo_clip(cr_);
    clipped_ = true;
}

// A bitmap glyph that the page's PostScript enlarges is drawn from the
// font's pixels shrunk less for the device, so that its edges stay sharp.
CairoDevice::Face const& CairoDevice::TurnedBitmapFace(Face& face, DeviceGlyph const& glyph) {
    if (!glyph.transform) return face;
    std::shared_ptr<BitmapFont const> font = face.bitmap->ForEnlargement(glyph.transform->Enlargement());
    if (!font || !font->GetGlyph(glyph.code)) return face;
    auto it = std::find_if(face.lessShrunk.begin(), face.lessShrunk.end(),
                           [&](auto const& finer) { return finer->bitmap == font; });
    if (it == face.lessShrunk.end()) {
        auto finer = std::make_unique<Face>();
        finer->pixel = double(font->GetShrink()) / face.bitmap->GetShrink();
        finer->matrix = face.matrix;
        finer->cairoFace = BitmapFace(font, face.matrix.yy / finer->pixel);
        finer->bitmap = std::move(font);
        it = face.lessShrunk.emplace(face.lessShrunk.end(), std::move(finer));
    }
    return **it;
}

// Cairo's SVG surface places image masks without the context's scale: the
// glyph goes as an image of its colour, its coverage as alpha.
void CairoDevice::PaintBitmapGlyph(Face const& face, DeviceGlyph const& glyph) {
    FlushGlyphs();
    gdi::Glyph const& bitmap = *face.bitmap->GetGlyph(glyph.code);
    Mask& image = masks_[{face.bitmap.get(), glyph.code, glyphColour_}];
    if (!image.font) {
        image.font = face.bitmap;
        if (bitmap.width > 0 && bitmap.rows > 0) {
            image.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.rows);
            auto* data = cairo_image_surface_get_data(image.surface);
            int const stride = cairo_image_surface_get_stride(image.surface);
            std::uint32_t const r = glyphColour_ & 0xFF, g = glyphColour_ >> 8 & 0xFF, b = glyphColour_ >> 16 & 0xFF;
            for (int y = 0; y < bitmap.rows; ++y) {
                auto* row =
                    reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
                for (int x = 0; x < bitmap.width; ++x) {
                    std::uint32_t const a = bitmap.coverage[static_cast<size_t>(y) * static_cast<size_t>(bitmap.width) +
                                                            static_cast<size_t>(x)];
                    row[x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
                }
            }
            cairo_surface_mark_dirty(image.surface);
        }
    }
    if (!image.surface) return;
    if (glyph.transform && !glyph.transform->IsIdentity()) {
        // Scaled or turned about the pen by the page's PostScript; squashed
        // flat, it shows nothing (and would leave Cairo's context unusable).
        Affine const& t = *glyph.transform;
        if (double const det = t.a * t.d - t.b * t.c; !std::isfinite(det) || det == 0) return;
        cairo_matrix_t const turn{t.a, t.b, t.c, t.d, 0, 0};
        cairo_save(cr_);
        cairo_translate(cr_, glyph.x, glyph.y);
        cairo_transform(cr_, &turn);
        cairo_scale(cr_, face.pixel, face.pixel);
        cairo_set_source_surface(cr_, image.surface, bitmap.left, -bitmap.top);
        cairo_paint_with_alpha(cr_, glyphOpacity_);
        cairo_restore(cr_);
        return;
    }
    cairo_set_source_surface(cr_, image.surface, glyph.x + bitmap.left, glyph.y - bitmap.top);
    cairo_paint_with_alpha(cr_, glyphOpacity_);
}

std::optional<std::string> CairoDevice::TakeText(int instruction) {
    auto it = texts_.find(instruction);
    if (it == texts_.end()) return std::nullopt;
    std::string text = std::move(it->second);
    texts_.erase(it);
    return text;
}

void CairoDevice::DrawRule(DeviceRule const& rule) {
    FlushGlyphs();
    SetCairoSource(cr_, rule.colour);
    cairo_move_to(cr_, rule.corners[0].x, rule.corners[0].y);
    for (int i = 1; i < 4; ++i) cairo_line_to(cr_, rule.corners[i].x, rule.corners[i].y);
    cairo_close_path(cr_);
    cairo_fill(cr_);
}

void CairoDevice::DrawShape(DeviceShape const& shape) {
    FlushGlyphs();
    cairo_save(cr_);
    cairo_new_path(cr_);
    double const cx = (shape.left + shape.right) / 2.0, cy = (shape.top + shape.bottom) / 2.0;
    double const rx = std::max(0.5, (shape.right - shape.left) / 2.0),
                 ry = std::max(0.5, (shape.bottom - shape.top) / 2.0);
    using Kind = DeviceShape::Kind;
    switch (shape.kind) {
    case Kind::Line:
        cairo_move_to(cr_, shape.from.x, shape.from.y);
        cairo_line_to(cr_, shape.to.x, shape.to.y);
        break;
    case Kind::Arc:
    case Kind::Ellipse: {
        // On the unit circle; counter-clockwise on the page is the negative
        // direction with y down.
        double from = 0, to = 2 * std::numbers::pi;
        if (shape.kind == Kind::Arc) {
            from = std::atan2((shape.from.y - cy) / ry, (shape.from.x - cx) / rx);
            to = std::atan2((shape.to.y - cy) / ry, (shape.to.x - cx) / rx);
        }
        cairo_save(cr_);
        cairo_translate(cr_, cx, cy);
        cairo_scale(cr_, rx, ry);
        if (shape.kind == Kind::Arc)
            cairo_arc_negative(cr_, 0, 0, 1, from, to);
        else
            cairo_arc(cr_, 0, 0, 1, from, to);
        cairo_restore(cr_);
        break;
    }
    case Kind::RoundBox: {
        double const w = std::min<double>(shape.corner.x, shape.right - shape.left) / 2.0;
        double const h = std::min<double>(shape.corner.y, shape.bottom - shape.top) / 2.0;
        if (w <= 0 || h <= 0) {
            cairo_rectangle(cr_, shape.left, shape.top, shape.right - shape.left, shape.bottom - shape.top);
            break;
        }
        double const corners[4][3] = {{shape.right - w, shape.top + h, -std::numbers::pi / 2},
                                      {shape.right - w, shape.bottom - h, 0},
                                      {shape.left + w, shape.bottom - h, std::numbers::pi / 2},
                                      {shape.left + w, shape.top + h, std::numbers::pi}};
        for (auto const& [x, y, start] : corners) {
            cairo_save(cr_);
            cairo_translate(cr_, x, y);
            cairo_scale(cr_, w, h);
            cairo_arc(cr_, 0, 0, 1, start, start + std::numbers::pi / 2);
            cairo_restore(cr_);
        }
        cairo_close_path(cr_);
        break;
    }
    }
    if (shape.fill && shape.kind != Kind::Line) {
        SetCairoSource(cr_, *shape.fill);
        cairo_fill_preserve(cr_);
    }
    cairo_set_line_width(cr_, std::max(1, shape.pen.width));
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    SetCairoSource(cr_, shape.pen.colour);
    cairo_stroke(cr_);
    cairo_restore(cr_);
}

void CairoDevice::DrawImage(DeviceImage const& image) {
    FlushGlyphs();
    if (image.width == 0 || image.height == 0) return;
    cairo_surface_t* pixels = ImageSurfaceOf(image);
    if (!pixels) return;
    Affine const place = ImagePlacement(image);
    cairo_matrix_t const m{place.a, place.b, place.c, place.d, place.e, place.f};
    cairo_save(cr_);
    cairo_transform(cr_, &m);
    PaintImageInBox(cr_, image, pixels, OperatorOf(image.rasterOp));
    cairo_restore(cr_);
    cairo_surface_destroy(pixels);
}

// Link areas become the output's own links; nothing is painted over them.
void CairoDevice::MarkBox(int, int, int, int, std::uint32_t) {}

bool CairoDevice::TakesPdfPages() const { return CanPaintPdfPages(); }

bool CairoDevice::DrawPdfPage(std::string const& pdf, Affine const& toDevice, bool asOnScreen) {
    FlushGlyphs();
    // Tiling patterns drawn tile by tile are fine in a PDF, but make an SVG
    // page of hatchings a megabyte; soft masks come out empty in SVG (the
    // shadows of beamer's blocks would be missing): both go on the raster.
    if (cairo_surface_get_type(cairo_get_target(cr_)) == CAIRO_SURFACE_TYPE_SVG &&
        (DrawsPatternsTileByTile(pdf) || UsesSoftMasks(pdf)))
        return false;
    cairo_save(cr_);
    cairo_matrix_t const m{toDevice.a, toDevice.b, toDevice.c, toDevice.d, toDevice.e, toDevice.f};
    cairo_transform(cr_, &m);
    // Vectors stay as they are: lines widened to a device unit would be a point wide.
    bool const raster = cairo_surface_get_type(cairo_get_target(cr_)) == CAIRO_SURFACE_TYPE_IMAGE;
    bool const drawn = PaintPdfPage(pdf, cr_, asOnScreen && raster);
    cairo_restore(cr_);
    return drawn;
}

}  // namespace ksdvi

// Painting what the interpreter reports: glyphs at their baselines in the
// prepared fonts, rules as filled rectangles, and the boxes of open links.

#include <algorithm>
#include <cmath>

#include "device/TransformedRule.h"
#include "dvi/DviOpcodes.h"
#include "font/CidCMap.h"
#include "font/ItrnFont.h"
#include "render/KsDviDrawer.h"
#include "render/VerticalForms.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

void KsDviDrawer::PutChar(int h, int v, unsigned short code, int width, int height, int depth) {
    if (invisible_) return;
    if (IsWinFont()) {
        PutWinFontChar(h, v, code);
        return;
    }
    KsDvi::ItrnFont const* font = GetItrnFont(GetCurFont());
    if (!font || !device_) return;
    if (shownByPostScript_ && postScript_ && postScript_->ShowsCharactersOf(font->GetID())) return;
    if (font->GetJapanese()) {
        PutJapaneseChar(*font, h, v, width, height, depth);
        return;
    }
    bool doubleByte = GetMultiByteState() == 1;
    KsDvi::ItrnFont::TTFInfo const& info = doubleByte ? font->GetDBCTTFInfo() : font->GetSBCTTFInfo();
    DeviceGlyph glyph;
    glyph.font = font->GetID();
    glyph.doubleByte = doubleByte;
    glyph.code = GetDviCode();
    glyph.character = code;
    glyph.instruction = GetInstOffset();
    PlaceGlyph(glyph, h, static_cast<double>(v) + info.vadjustment);
    // Latin letters lie on their side in vertical text, as dvipdfmx sets them.
    glyph.transform =
        GlyphTransform(GetDirection() != ksdvi::dvi::kHorizontal, GetDirection() == ksdvi::dvi::kDownToUp);
    unsigned textScale = dvi_->GetWinFontTextState().textScale;
    glyph.widthPercent = textScale != 0 ? static_cast<int>(textScale) : 100;
    if (!device_->DrawGlyph(glyph)) NoteMissingGlyph(*font, GetDviCode());
    GrowCharLinkAreas(h, v, width, height, depth);
}

// The box of a character: in vertical text its height lies to the right of
// the pen and its width below it.
void KsDviDrawer::GrowCharLinkAreas(int h, int v, int width, int height, int depth) {
    if (GetDirection() == ksdvi::dvi::kHorizontal) {
        GrowLinkAreas(RoundHalfAway(h * pixels_.PerDviX()) + pixels_.OriginX() - 1,
                      RoundHalfAway(v * pixels_.PerDviY()) - Ceiling(height * pixels_.PerDviY()) + pixels_.OriginY() - 1,
                      Ceiling(width * pixels_.PerDviX()) + 2,
                      Ceiling((static_cast<double>(height) + depth) * pixels_.PerDviY()) + 2);
        return;
    }
    GrowLinkAreas(RoundHalfAway((static_cast<double>(h) - depth) * pixels_.PerDviX()) + pixels_.OriginX() - 1,
                  RoundHalfAway(v * pixels_.PerDviY()) + pixels_.OriginY() - 1,
                  Ceiling((static_cast<double>(height) + depth) * pixels_.PerDviX()) + 2,
                  Ceiling(width * pixels_.PerDviY()) + 2);
}

ksdvi::Affine const* KsDviDrawer::GlyphTransform(bool turned, bool counterClockwise) {
    if (!turned) return worldTransform_.IsIdentity() ? nullptr : &worldTransform_;
    // Device space runs down: a quarter clockwise takes x to y.
    ksdvi::Affine quarter{0, counterClockwise ? -1.0 : 1.0, counterClockwise ? 1.0 : -1.0, 0, 0, 0};
    glyphTransform_ = quarter.Then(worldTransform_);
    return &glyphTransform_;
}

// pTeX's and upTeX's characters, by glyph index: in a CID-keyed face the
// glyph of the CID the font's CMap gives the code, as dvipdfmx takes it,
// else from their Unicode character. In vertical text a font of a vertical
// CMap stands its glyphs upright, the top of the em box at the pen and
// centred on it, as dvipdfmx's vertical writing places them
// (Adobe-Japan1's vertical origin, 0.88 em up); its punctuation takes its
// vertical form (the CMap's own, in a CID-keyed face), or, in other faces,
// lies on its side. Other fonts lie on their side there, as Latin letters do.
void KsDviDrawer::PutJapaneseChar(KsDvi::ItrnFont const& font, int h, int v, int width, int height, int depth) {
    auto found = glyphFaces_.find(font.GetID());
    gdi::FontFile const* face = found == glyphFaces_.end() ? nullptr : found->second.get();
    char32_t character = GetJapaneseCharacter();
    bool vertical = GetDirection() != ksdvi::dvi::kHorizontal;
    bool upright = vertical && font.GetJapanese()->vertical;
    bool turned = vertical && !upright;
    char32_t drawn = character;
    ksdvi::JapaneseFont const& japanese = *font.GetJapanese();
    std::uint32_t const code = japanese.unicode ? static_cast<std::uint32_t>(character) : GetDviCode();
    unsigned cidGlyph = 0;
    if (auto cmap = cidCMaps_.find(font.GetID()); face && cmap != cidCMaps_.end())
        if (auto cid = cmap->second->Cid(code)) cidGlyph = face->GlyphOfCid(*cid);
    // In other faces, the glyph the font's vertical CMap gives the code.
    unsigned columnGlyph = 0;
    if (auto cmap = verticalCMaps_.find(font.GetID());
        upright && face && !cidGlyph && cmap != verticalCMaps_.end() && cmap->second)
        if (auto cid = cmap->second->Cid(code)) columnGlyph = face->GlyphOfCid(*cid);
    if (upright && face && !cidGlyph && !columnGlyph) {
        if (char32_t form = VerticalForm(character); form && face->GlyphOfCharacter(form))
            drawn = form;
        else
            turned = TurnsInVerticalText(character);
    }
    DeviceGlyph glyph;
    glyph.font = font.GetID();
    glyph.glyphIndex = true;
    glyph.code = GetDviCode();
    glyph.instruction = GetInstOffset();
    if (font.GetJapanese()->cids) {
        glyph.character = face ? face->GlyphOfCid(GetDviCode()) : 0;  // the otf package's \CID
    } else if (cidGlyph || columnGlyph) {
        glyph.character = cidGlyph ? cidGlyph : columnGlyph;
    } else {
        glyph.character = face && drawn ? face->GlyphOfCharacter(drawn) : 0;
    }
    double em = font.GetScaleSize();
    double x = h, y = v;
    if (upright && !turned) {
        x -= em / 2;
        y += em * 0.88;
    } else if (upright) {
        x -= em * 0.38;  // the em box (0.12 below the baseline) centred on the column
    }
    PlaceGlyph(glyph, x, y);
    glyph.transform = GlyphTransform(turned, GetDirection() == ksdvi::dvi::kDownToUp);
    // A character the face lacks shows as its .notdef glyph, as dvipdfmx
    // shows it, and is named missing.
    bool const inFace = glyph.character != 0;
    if (!device_->DrawGlyph(glyph) || !inFace) NoteMissingGlyph(font, GetDviCode());
    GrowCharLinkAreas(h, v, width, height, depth);
}

// XeTeX's glyphs by index in the face of their native font, each at its own
// position; a font with a colour of its own draws in it. A vertical font's
// glyphs stand across the line, each with its vertical origin at its
// position, as xdvipdfmx draws them in the font's vertical writing mode.
void KsDviDrawer::PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                            std::u16string const&) {
    if (invisible_ || !device_) return;
    NativeFont const* native = font.GetNative();
    if (native && native->coloured) {
        uint32_t rgba = native->rgba;
        device_->SetGlyphColour(((rgba >> 24) & 0xFF) | (((rgba >> 16) & 0xFF) << 8) | (((rgba >> 8) & 0xFF) << 16));
        device_->SetGlyphOpacity(GlyphOpacity() * (rgba & 0xFF) / 255.0);
    }
    auto found = glyphFaces_.find(font.GetID());
    gdi::FontFile const* vertical = found == glyphFaces_.end() ? nullptr : found->second.get();
    DeviceGlyph glyph;
    glyph.font = font.GetID();
    glyph.glyphIndex = true;
    glyph.transform = GlyphTransform(vertical != nullptr, true);
    double const em = font.GetScaleSize();
    for (NativeGlyph const& g : glyphs) {
        glyph.code = glyph.character = g.index;
        glyph.instruction = g.position;
        double h = g.h, v = g.v;
        if (vertical) {
            gdi::VerticalOrigin const origin = vertical->VerticalOriginOf(g.index);
            h += origin.up * em;
            v += origin.across * em;
        }
        PlaceGlyph(glyph, h, v);
        if (!device_->DrawGlyph(glyph)) NoteMissingGlyph(font, g.index);
        int const x = RoundHalfAway(g.h * pixels_.PerDviX()) + pixels_.OriginX();
        int const y = RoundHalfAway(g.v * pixels_.PerDviY()) + pixels_.OriginY();
        GrowLinkAreas(x - 1, y - Ceiling(g.height * pixels_.PerDviY()) - 1, Ceiling(g.width * pixels_.PerDviX()) + 2,
                      Ceiling((static_cast<double>(g.height) + g.depth) * pixels_.PerDviY()) + 2);
    }
    if (native && native->coloured) {
        device_->SetGlyphColour(curColor_);
        device_->SetGlyphOpacity(GlyphOpacity());
    }
}

void KsDviDrawer::NoteMissingGlyph(KsDvi::ItrnFont const& font, unsigned code) {
    missingGlyphs_[font.GetName().c_str()].insert(code);
}

// Documents made with Windows fonts: a font per character from the document's
// text state, positions in record units.
void KsDviDrawer::PutWinFontChar(int h, int v, unsigned short code) {
    KsDvi::WinFontTextState const& state = dvi_->GetWinFontTextState();
    pDC_->SaveDC();
    pDC_->SelectClipRgn(nullptr);
    CFont font;
    int index = 0;
    for (String8 const& face : dvi_->GetFontList()) {
        if (index++ != state.faceIndex) continue;
        font.CreateFontA(state.charHeight, state.charWidth, state.escapement, 0, state.bold ? 700 : 400,
                         static_cast<BYTE>(state.italic & 0xFF), 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
        break;
    }
    CFont* previous = font.HasContents() ? pDC_->SelectObject(&font) : nullptr;
    int x = grw(h), y = grw(v);
    WCHAR unit = code;
    pDC_->ExtTextOutW(x, y, 0, nullptr, &unit, 1, nullptr);
    if (previous) pDC_->SelectObject(previous);
    pDC_->RestoreDC(-1);

    GrowLinkAreas(x, y + 4 - state.charHeight, state.charWidth + 2, state.charHeight + 2);
}

void KsDviDrawer::PutRule(int h, int v, int height, int width) {
    SetMultiByteState(0);
    if (invisible_) return;
    if (height <= 0 || width <= 0) return;
    int left = RoundHalfAway(h * pixels_.PerDviX()) + pixels_.OriginX();
    int bottom = RoundHalfAway(v * pixels_.PerDviY()) + pixels_.OriginY();
    RECT r{left, bottom - Ceiling(height * pixels_.PerDviY()), left + Ceiling(width * pixels_.PerDviX()), bottom};
    if ((postScript_ && postScript_->DrawsRules()) || pdfDrawsRules_) {
        // The page's PostScript or pdf: drawing has drawn it, stacked among its own drawing.
        Transformed(r.left, r.bottom);
        r.right = r.left + (r.right - left);
        r.top = r.bottom - (bottom - r.top);
    } else if (device_) {
        DeviceRule rule;
        if (worldTransform_.IsIdentity()) {
            rule.corners = {{{double(r.left), double(r.top)},
                             {double(r.right), double(r.top)},
                             {double(r.right), double(r.bottom)},
                             {double(r.left), double(r.bottom)}}};
        } else {
            double const x = h * pixels_.PerDviX(), y = v * pixels_.PerDviY();
            rule = TransformedRule(worldTransform_, x, y - height * pixels_.PerDviY(), x + width * pixels_.PerDviX(), y,
                                   pixels_.OriginX(), pixels_.OriginY());
            auto const [minX, minY, maxX, maxY] = rule.Bounds();
            r = RECT{Truncate(std::floor(minX)), Truncate(std::floor(minY)), Ceiling(maxX), Ceiling(maxY)};
        }
        rule.colour = fillColour_;
        device_->DrawRule(rule);
    }
    GrowLinkAreas(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void KsDviDrawer::PlaceGlyph(ksdvi::DeviceGlyph& glyph, double h, double v) const {
    glyph.x = RoundHalfAway(h * pixels_.PerDviX()) + pixels_.OriginX();
    glyph.y = RoundHalfAway(v * pixels_.PerDviY()) + pixels_.OriginY();
    Transformed(glyph.x, glyph.y);
    double x = h * pixels_.PerDviX(), y = v * pixels_.PerDviY();
    if (!worldTransform_.IsIdentity()) worldTransform_.Apply(x, y, x, y);
    glyph.penX = x + pixels_.OriginX();
    glyph.penY = y + pixels_.OriginY();
}

void KsDviDrawer::Transformed(int& x, int& y) const {
    if (worldTransform_.IsIdentity()) return;
    double tx, ty;
    worldTransform_.Apply(x - pixels_.OriginX(), y - pixels_.OriginY(), tx, ty);
    x = RoundHalfAway(tx) + pixels_.OriginX();
    y = RoundHalfAway(ty) + pixels_.OriginY();
}

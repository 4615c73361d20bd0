// Painting what the interpreter reports: glyphs at their baselines in the
// prepared fonts, rules as filled rectangles, and the boxes of open links.

#include <algorithm>

#include "font/ItrnFont.h"
#include "render/KsDviDrawer.h"
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
    OSFontInfo* entry = font ? GetpOSFont(*font) : nullptr;
    if (!entry) return;
    bool doubleByte = GetMultiByteState() == 1;
    KsDvi::ItrnFont::TTFInfo const& info = doubleByte ? font->GetDBCTTFInfo() : font->GetSBCTTFInfo();
    int x = RoundHalfAway(h * pixels_.PerDviX()) + pixels_.OriginX();
    int y = RoundHalfAway((static_cast<double>(v) + info.vadjustment) * pixels_.PerDviY()) + pixels_.OriginY();
    Transformed(x, y);

    if (!doubleByte && entry->bitmap) {
        // Bitmap fonts know their characters by the DVI code.
        if (Glyph const* glyph = entry->bitmap->GetGlyph(GetDviCode()))
            pDC_->DrawGlyphBitmap(x, y, *glyph);
        else
            NoteMissingGlyph(*font, GetDviCode());
    } else if (CFont* cfont = TransformedFont(*entry, doubleByte ? &entry->dbFont : &entry->sbFont);
               cfont->HasContents()) {
        bool slant = font->GetSBCTTFInfo().slant != 0;
        if (cfont != curFont_) {
            pDC_->SelectObject(cfont);
            curFont_ = cfont;
            // Only slanted faces go through the character context; upright ones
            // draw directly again (the context would still hold the slanted face).
            if (slant)
                CreateCharDC();
            else
                DeleteCharDC();
        }
        KsDvi::WinFontTextState& state = dvi_->GetWinFontTextState();
        if (state.textScale == 0) state.textScale = 100;
        UINT options = 0;
        if (doubleByte || GlyphToDraw(*font, *entry, code, options)) {
            if (charDC_) {
                PutCharThroughCharDC(x, y, code, options, slant);
            } else {
                WCHAR unit = code;
                pDC_->ExtTextOutW(x, y, options, nullptr, &unit, 1, nullptr);
            }
        }
    }

    GrowLinkAreas(RoundHalfAway(h * pixels_.PerDviX()) + pixels_.OriginX() - 1,
                  RoundHalfAway(v * pixels_.PerDviY()) - Ceiling(height * pixels_.PerDviY()) + pixels_.OriginY() - 1,
                  Ceiling(width * pixels_.PerDviX()) + 2, Ceiling((static_cast<double>(height) + depth) * pixels_.PerDviY()) + 2);
}

bool KsDviDrawer::GlyphToDraw(KsDvi::ItrnFont const& font, OSFontInfo& entry, unsigned short& code, UINT& options) {
    unsigned dviCode = GetDviCode();
    if (!entry.glyphs.empty()) {
        WORD glyph = dviCode < entry.glyphs.size() ? entry.glyphs[dviCode] : 0;
        if (glyph == 0) {
            NoteMissingGlyph(font, dviCode);
            return false;
        }
        code = glyph;
        options = ETO_GLYPH_INDEX;
        return true;
    }
    // Each code's glyph is looked for once per page: a face without it would
    // draw its .notdef box.
    if (dviCode < entry.checked.size() && !entry.checked.test(dviCode)) {
        entry.checked.set(dviCode);
        WCHAR unit = code;
        WORD index = 0;
        if (pDC_->GetGlyphIndicesW(&unit, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR && index == 0xFFFF)
            NoteMissingGlyph(font, dviCode);
    }
    return true;
}

void KsDviDrawer::NoteMissingGlyph(KsDvi::ItrnFont const& font, unsigned code) {
    missingGlyphs_[font.GetName().c_str()].insert(code);
}

// The glyph is drawn black on white in the character context, then ANDed onto
// the page row by row; a slanted face shifts its rows right, one dot less
// every four rows down.
void KsDviDrawer::PutCharThroughCharDC(int x, int y, unsigned short code, UINT options, bool slant) {
    int w2 = 2 * charMaxWidth_;
    int d = (dvi_->GetWinFontTextState().textScale * charMaxWidth_ * 2) / 100;
    EraseCharDC();
    charDC_->SetTextColor(pDC_->GetTextColor());
    WCHAR unit = code;
    charDC_->ExtTextOutW(0, 0, options, nullptr, &unit, 1, nullptr);
    if (!slant) {
        pDC_->StretchBlt(x, y - charAscent_, d, charAscent_ + charDescent_, charDC_.get(), 0, -charAscent_, w2,
                         charAscent_ + charDescent_, SRCAND);
        return;
    }
    int shiftX = x + charAscent_ / 4;
    for (int r = -charAscent_; r < charDescent_; ++r) {
        pDC_->StretchBlt(shiftX, y + r, d, 1, charDC_.get(), 0, r, w2, 1, SRCAND);
        if (r % 4 == 0) {
            --shiftX;
            pDC_->StretchBlt(shiftX, y + r, d, 1, charDC_.get(), 0, r, w2, 1, SRCAND);
        }
    }
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
    curFont_ = nullptr;
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
    if (postScript_ && postScript_->DrawsRules()) {
        // The page's PostScript has drawn it, stacked among its own drawing.
        Transformed(r.left, r.bottom);
        r.right = r.left + (r.right - left);
        r.top = r.bottom - (bottom - r.top);
    } else if (worldTransform_.IsIdentity()) {
        pDC_->FillRect(&r, brush_.get());
    } else {
        // A rule under a page's PostScript transformation is the turned box.
        POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
        for (POINT& p : corners) {
            int px = p.x, py = p.y;
            Transformed(px, py);
            p = POINT{px, py};
        }
        int saved = pDC_->SaveDC();
        pDC_->SelectStockObject(NULL_PEN);
        pDC_->SelectObject(brush_.get());
        pDC_->Polygon(corners, 4);
        pDC_->RestoreDC(saved);
        r = RECT{std::min({corners[0].x, corners[1].x, corners[2].x, corners[3].x}),
                 std::min({corners[0].y, corners[1].y, corners[2].y, corners[3].y}),
                 std::max({corners[0].x, corners[1].x, corners[2].x, corners[3].x}),
                 std::max({corners[0].y, corners[1].y, corners[2].y, corners[3].y})};
    }
    GrowLinkAreas(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void KsDviDrawer::Transformed(int& x, int& y) const {
    if (worldTransform_.IsIdentity()) return;
    double tx, ty;
    worldTransform_.Apply(x - pixels_.OriginX(), y - pixels_.OriginY(), tx, ty);
    x = RoundHalfAway(tx) + pixels_.OriginX();
    y = RoundHalfAway(ty) + pixels_.OriginY();
}

// The font turned by the transformation in force, made once per page and
// transformation; the font itself when none is.
KsDviDrawer::CFont* KsDviDrawer::TransformedFont(OSFontInfo& entry, CFont* font) {
    if (worldTransform_.IsIdentity() || !font->HasContents()) return font;
    ksdvi::Affine const& t = worldTransform_;
    std::array<double, 4> m{t.a, t.b, t.c, t.d};
    for (auto& [matrix, turned] : entry.transformed)
        if (matrix == m) return turned.get();
    LOGFONTA lf{};
    font->GetLogFont(&lf);
    FontShape shape = font->Data()->shape;
    shape.transform = m;
    auto turned = std::make_unique<CFont>();
    turned->CreateShapedFont(&lf, shape);
    entry.transformed.emplace_back(m, std::move(turned));
    return entry.transformed.back().second.get();
}

void KsDviDrawer::CreateCharDC() {
    DeleteCharDC();
    TEXTMETRICA tm{};
    if (!pDC_->GetTextMetricsA(&tm)) return;
    charMaxWidth_ = tm.tmMaxCharWidth;
    charAscent_ = tm.tmAscent;
    charDescent_ = tm.tmDescent;
    auto dc = std::make_unique<CDC>();
    if (!dc->CreateCompatibleDC(pDC_)) return;
    dc->SetViewportOrg(charMaxWidth_, 2 * charAscent_);
    dc->SetTextAlign(TA_BASELINE);
    dc->SelectObject(curFont_);
    dc->SelectStockObject(WHITE_BRUSH);
    dc->SelectStockObject(NULL_PEN);
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateCompatibleBitmap(pDC_, 3 * charMaxWidth_, 2 * (charAscent_ + charDescent_))) return;
    dc->SelectObject(bitmap.get());
    charDC_ = std::move(dc);
    charBitmap_ = std::move(bitmap);
}

void KsDviDrawer::DeleteCharDC() {
    charDC_.reset();
    charBitmap_.reset();
}

void KsDviDrawer::EraseCharDC() {
    charDC_->Rectangle(-charMaxWidth_ - 1, -2 * charAscent_ - 1, 2 * charMaxWidth_ + 2, 2 * charDescent_ + 2);
}

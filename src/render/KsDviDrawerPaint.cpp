// Painting what the interpreter reports: glyphs at their baselines in the
// prepared fonts, rules as filled rectangles, and the boxes of open links.

#include "font/ItrnFont.h"
#include "render/KsDviDrawer.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

void KsDviDrawer::PutChar(int h, int v, unsigned short code, int width, int height, int depth) {
    if (IsWinFont()) {
        PutWinFontChar(h, v, code);
        return;
    }
    KsDvi::ItrnFont const* font = GetItrnFont(GetCurFont());
    OSFontInfo* entry = font ? GetpOSFont(*font) : nullptr;
    if (!entry) return;
    bool doubleByte = GetMultiByteState() == 1;
    KsDvi::ItrnFont::TTFInfo const& info = doubleByte ? font->GetDBCTTFInfo() : font->GetSBCTTFInfo();
    int x = RoundHalfAway(h * hPixPerDvi_) + hOrigin_;
    int y = RoundHalfAway((static_cast<double>(v) + info.vadjustment) * vPixPerDvi_) + vOrigin_;

    if (!doubleByte && entry->bitmap) {
        // Bitmap fonts know their characters by the DVI code.
        if (Glyph const* glyph = entry->bitmap->GetGlyph(GetDviCode()))
            pDC_->DrawGlyphBitmap(x, y, *glyph);
        else
            NoteMissingGlyph(*font, GetDviCode());
    } else if (CFont* cfont = doubleByte ? &entry->dbFont : &entry->sbFont; cfont->HasContents()) {
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

    if (anchorOpen_) {
        if (HyLinkInfo* link = LastLink()) {
            link->AddBox(RoundHalfAway(h * hPixPerDvi_) + hOrigin_ - 1,
                         RoundHalfAway(v * vPixPerDvi_) - Ceiling(height * vPixPerDvi_) + vOrigin_ - 1,
                         Ceiling(width * hPixPerDvi_) + 2,
                         Ceiling((static_cast<double>(height) + depth) * vPixPerDvi_) + 2);
        }
    }
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
    unsigned r = dvi_->GetRecordResolution();
    double p = pDC_->GetDeviceCaps(LOGPIXELSX);
    int x = r ? Truncate(p * h * zoom_ * 0.0001 / r) : 0;
    int y = r ? Truncate(p * v * zoom_ * 0.0001 / r) : 0;
    WCHAR unit = code;
    pDC_->ExtTextOutW(x, y, 0, nullptr, &unit, 1, nullptr);
    if (previous) pDC_->SelectObject(previous);
    pDC_->RestoreDC(-1);

    if (anchorOpen_) {
        if (HyLinkInfo* link = LastLink())
            link->AddBox(x, y + 4 - state.charHeight, state.charWidth + 2, state.charHeight + 2);
    }
}

void KsDviDrawer::PutRule(int h, int v, int height, int width) {
    SetMultiByteState(0);
    if (height <= 0 || width <= 0) return;
    int left = RoundHalfAway(h * hPixPerDvi_) + hOrigin_;
    int bottom = RoundHalfAway(v * vPixPerDvi_) + vOrigin_;
    RECT r{left, bottom - Ceiling(height * vPixPerDvi_), left + Ceiling(width * hPixPerDvi_), bottom};
    pDC_->FillRect(&r, brush_.get());
    if (anchorOpen_) {
        if (HyLinkInfo* link = LastLink()) link->AddBox(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

void KsDviDrawer::CreateCharDC() {
    DeleteCharDC();
    TEXTMETRICA tm{};
    if (!pDC_->GetTextMetricsA(&tm)) return;
    charMaxWidth_ = tm.tmMaxCharWidth;
    charAscent_ = tm.tmAscent;
    charDescent_ = tm.tmDescent;
    auto dc = std::make_unique<CDC>();
    if (!dc->CreateCompatibleDC(refDC_)) return;
    dc->SetViewportOrg(charMaxWidth_, 2 * charAscent_);
    dc->SetTextAlign(TA_BASELINE);
    dc->SelectObject(curFont_);
    dc->SelectStockObject(WHITE_BRUSH);
    dc->SelectStockObject(NULL_PEN);
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateCompatibleBitmap(refDC_, 3 * charMaxWidth_, 2 * (charAscent_ + charDescent_))) return;
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

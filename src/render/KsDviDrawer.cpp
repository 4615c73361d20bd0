// Setting a drawer up for a page: the context's modes, scale factors, colour,
// background, and the platform fonts of every document font.

#include "render/KsDviDrawer.h"

#include <cstring>

#include "dvi/ItrnFontItr.h"
#include "font/EncodingVector.h"
#include "font/ItrnFont.h"
#include "render/GdiSpecialInterpreter.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

KsDviDrawer::KsDviDrawer() { InitAll(); }

KsDviDrawer::KsDviDrawer(CDC& dc, KsDvi& dvi, int page, fpreal4 const& mag, int hOffset, int vOffset) : KsDviDrawer() {
    Open(dc, dvi, page, mag, hOffset, vOffset, 0, String8());
}

KsDviDrawer::~KsDviDrawer() {
    if (IsWorking()) KsDviDrawer::Close();
}

void KsDviDrawer::InitAll() {
    pDC_ = nullptr;
    palette_.reset();
    brush_.reset();
    pen_.reset();
    curFont_ = nullptr;
    charDC_.reset();
    charBitmap_.reset();
    osFonts_.reset();
    mask_.reset();
    waterMark_.reset();
    specials_ = std::make_unique<GdiSpecialInterpreter>(*this);
}

int KsDviDrawer::Open(CDC& dc, KsDvi& dvi, int page, fpreal4 const& mag, int hOffset, int vOffset,
                      unsigned long linkColour, String8 const& anchorName) {
    if (!KsDviDrawerBase::Open(dvi, page)) return 0;
    dvi_ = &dvi;
    pDC_ = &dc;
    zoom_ = mag.GetRaw();
    dvi.RegisterDevice(&dc, mag);

    savedDC_ = dc.SaveDC();
    dc.SetMapMode(MM_TEXT);
    dc.SetTextAlign(TA_BASELINE);
    dc.SetBkMode(TRANSPARENT);

    if (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) {
        PALETTEENTRY entries[256];
        auto* stock = dynamic_cast<CPalette*>(GetStockObject(DEFAULT_PALETTE));
        UINT count = stock ? stock->GetPaletteEntries(0, 256, entries) : 0;
        if (count > 0) {
            std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
            auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
            lp->palVersion = 0x300;
            lp->palNumEntries = static_cast<WORD>(count);
            std::memcpy(lp->palPalEntry, entries, count * sizeof(PALETTEENTRY));
            palette_ = std::make_unique<CPalette>();
            palette_->CreatePalette(lp);
            dc.SelectPalette(palette_.get(), FALSE);
        }
    }

    pixels_ = ksdvi::PixelMapping(dvi, dc.GetDeviceCaps(LOGPIXELSX), dc.GetDeviceCaps(LOGPIXELSY),
                                  fpreal4::FromRaw(zoom_), hOffset, vOffset);

    lineWidth_ = DefaultLineWidth;
    curFont_ = nullptr;

    colorStackSize_ = std::min(dvi.GetPageColorStackSize(page), ColorStackSize);
    unsigned int const* stack = dvi.GetPageColorStack(page);
    for (int i = 0; i < colorStackSize_; ++i) colorStack_[i] = stack[i];
    curColor_ = colorStackSize_ > 0 ? colorStack_[colorStackSize_ - 1] : 0;
    dc.SetTextColor(curColor_);

    CBrush background;
    background.CreateSolidBrush(dvi.GetPageBackgroundColor(page));
    RECT all{0, 0, 10000, 10000};
    dc.FillRect(&all, &background);
    RunPostScript(page);

    int winFont = dvi.GetNItrnFont() == 0 ? 1 : 0;
    dvi.SetWinFont(winFont);
    SetWinFont(winFont);
    osFonts_.reset();
    nOSFonts_ = 0;
    if (!winFont) CreateFonts();

    brush_ = std::make_unique<CBrush>();
    brush_->CreateSolidBrush(RGB(0, 0, 0));
    DeleteCharDC();
    RenewPen();

    psW_ = psH_ = psUrx_ = psUry_ = 0x480000;
    psLlx_ = psLly_ = anchorOpen_ = 0;
    markArea_ = MarkArea{};
    linkColor_ = static_cast<COLORREF>(linkColour);
    searchTag_ = anchorName;
    tagFound_ = 0;
    anchorPoints_.clear();
    pictureBytes_ = picturePeak_ = 0;
    specials_->BeginPage();
    return 1;
}

// A page's PostScript lies beneath its text: it is run and painted before
// anything else is drawn. Pages without PostScript never start Ghostscript.
void KsDviDrawer::RunPostScript(int page) {
    postScript_.reset();
    postScriptProblem_.clear();
    postScriptSpecials_ = 0;
    worldTransform_ = ksdvi::Affine{};
    invisible_ = false;
    if (!dvi_->PageHasPostScript(page)) return;
    ksdvi::PostScriptPage::Geometry geometry;
    geometry.dpiX = pixels_.DpiX();
    geometry.dpiY = pixels_.DpiY();
    geometry.width = pDC_->GetDeviceCaps(HORZRES);
    geometry.height = pDC_->GetDeviceCaps(VERTRES);
    geometry.hOrigin = pixels_.OriginX();
    geometry.vOrigin = pixels_.OriginY();
    geometry.hPixPerDvi = pixels_.PerDviX();
    geometry.vPixPerDvi = pixels_.PerDviY();
    auto run = std::make_unique<ksdvi::PostScriptPage>();
    if (run->Run(*dvi_, page, geometry, pDC_, pDC_, palette_.get()))
        postScript_ = std::move(run);
    else
        postScriptProblem_ = run->Error();
}

void KsDviDrawer::Close() {
    if (!IsWorking()) return;
    specials_->EndPage();
    if (pDC_) {
        pDC_->RestoreDC(-1);
        dvi_->UnregisterDevice(pDC_);
    }
    DeleteCharDC();
    brush_.reset();
    pen_.reset();
    curFont_ = nullptr;
    osFonts_.reset();
    nOSFonts_ = 0;
    ClearPictList();
    linkList_.RemoveAll();
    links_.clear();
    palette_.reset();
    KsDviDrawerBase::Close();
}

void KsDviDrawer::CreateFonts() {
    nOSFonts_ = dvi_->GetNItrnFont();
    osFonts_ = std::make_unique<OSFontInfo[]>(static_cast<size_t>(nOSFonts_));
    for (KsDvi::ItrnFontItr it(*dvi_); !it.IsFinished(); ++it) {
        KsDvi::ItrnFont const& font = *it();
        OSFontInfo& entry = osFonts_[font.GetID()];
        CreateSingleByteFont(font, entry);
        if (font.IsDBCEnabled()) CreateDoubleByteFont(font, entry.dbFont);
    }
}

void KsDviDrawer::CreateSingleByteFont(KsDvi::ItrnFont const& font, OSFontInfo& entry) {
    ksdvi::FontPainting painting = ksdvi::ChooseFontPainting(*dvi_, font, pixels_.DpiX(), pDC_);
    entry.kind = painting.kind;
    if (painting.kind == ksdvi::FontPainting::Kind::Virtual) return;  // its packets paint
    if (painting.kind == ksdvi::FontPainting::Kind::Bitmap) {
        entry.bitmap = std::move(painting.bitmap);
        return;
    }
    LOGFONTA lf = painting.logFont;
    int height = painting.height != 0 ? painting.height : font.GetScaleSize();
    lf.lfHeight = -Ceiling(height * pixels_.PerDviY());
    lf.lfWidth = Ceiling(painting.width * pixels_.PerDviX());
    lf.lfEscapement = lf.lfOrientation = static_cast<LONG>(font.GetRotate());
    lf.lfWeight = painting.weight;
    lf.lfItalic = static_cast<BYTE>(painting.italic);
    lf.lfUnderline = lf.lfStrikeOut = 0;
    KsDvi::ItrnFont::TTFInfo const& info = font.GetSBCTTFInfo();
    if (info.slantFont != 0 || info.extendFont != 1)
        entry.sbFont.CreateShapedFont(&lf, FontShape{info.slantFont, info.extendFont});
    else
        entry.sbFont.CreateFontIndirectA(&lf);

    // A re-encoded font finds its glyphs by name, once per page and font.
    if (ksdvi::EncodingVector const* names = font.GetGlyphNames()) {
        char const* list[ksdvi::EncodingVector::Size];
        for (int c = 0; c < ksdvi::EncodingVector::Size; ++c) list[c] = names->GetGlyphName(c).c_str();
        entry.glyphs.assign(ksdvi::EncodingVector::Size, 0);
        if (entry.sbFont.GetGlyphIndicesByName(list, ksdvi::EncodingVector::Size, entry.glyphs.data()) == GDI_ERROR)
            entry.glyphs.clear();
    }
}

void KsDviDrawer::CreateDoubleByteFont(KsDvi::ItrnFont const& font, CFont& out) {
    KsDvi::ItrnFont::TTFInfo const& info = font.GetDBCTTFInfo();
    LOGFONTA lf{};
    if (!FindTrueTypeFace(pDC_, info.faceName.c_str(), &lf)) {
        std::strncpy(lf.lfFaceName, info.faceName.c_str(), 31);
        lf.lfFaceName[31] = '\0';
    }
    int height = info.height != 0 ? info.height : font.GetScaleSize();
    lf.lfHeight = -Ceiling(height * pixels_.PerDviY());
    lf.lfWidth = Ceiling(info.averagewidth * pixels_.PerDviX());
    lf.lfEscapement = lf.lfOrientation = static_cast<LONG>(font.GetRotate());
    lf.lfWeight = info.weight;
    lf.lfItalic = static_cast<BYTE>(info.italic);
    out.CreateFontIndirectA(&lf);
}

KsDviDrawer::OSFontInfo* KsDviDrawer::GetpOSFont(KsDvi::ItrnFont const& font) const {
    int id = font.GetID();
    return osFonts_ && id >= 0 && id < nOSFonts_ ? &osFonts_[id] : nullptr;
}

KsDviDrawer::CFont* KsDviDrawer::GetpSBFont(KsDvi::ItrnFont const& font) const {
    OSFontInfo* entry = GetpOSFont(font);
    return entry ? &entry->sbFont : nullptr;
}

KsDviDrawer::CFont* KsDviDrawer::GetpDBFont(KsDvi::ItrnFont const& font) const {
    OSFontInfo* entry = GetpOSFont(font);
    return entry ? &entry->dbFont : nullptr;
}

bool KsDviDrawer::HasDrawingRecords() const { return specials_ && specials_->HasPlayedRecords(); }

int KsDviDrawer::hDot(int h) const { return pixels_.X(h); }
int KsDviDrawer::vDot(int v) const { return pixels_.Y(v); }
int KsDviDrawer::dhDot(int d) const { return pixels_.Width(d); }
int KsDviDrawer::dvDot(int d) const { return pixels_.Height(d); }
int KsDviDrawer::hDvi(int x) const { return pixels_.DviX(x); }
int KsDviDrawer::vDvi(int y) const { return pixels_.DviY(y); }

int KsDviDrawer::grw(int x) const {
    unsigned r = dvi_ ? dvi_->GetRecordResolution() : 0;
    if (r == 0 || !pDC_) return 0;  // no record resolution: record units mean nothing yet
    return ksdvi::RecordUnitsToPixels(x, pDC_->GetDeviceCaps(LOGPIXELSX), zoom_, r);
}

void KsDviDrawer::RenewPen() {
    pen_ = std::make_unique<CPen>();
    pen_->CreatePen(PS_SOLID, Ceiling(lineWidth_ * pixels_.PerDviX()), curColor_);
}

void KsDviDrawer::RenewPenBrush() {
    brush_ = std::make_unique<CBrush>();
    brush_->CreateSolidBrush(curColor_);
    RenewPen();
    if (pDC_) pDC_->SetTextColor(curColor_);
}

void KsDviDrawer::SetPenBrush(unsigned short r, unsigned short g, unsigned short b) {
    curColor_ = RGB(r & 0xFF, g & 0xFF, b & 0xFF);
    brush_ = std::make_unique<CBrush>();
    brush_->CreateSolidBrush(curColor_);
    pen_ = std::make_unique<CPen>();
    pen_->CreatePen(PS_SOLID, 1, curColor_);
    if (pDC_) {
        pDC_->SelectObject(brush_.get());
        pDC_->SelectObject(pen_.get());
    }
}

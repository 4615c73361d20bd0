// Setting a drawer up for a page: the context's modes, scale factors, colour,
// background, and the platform fonts of every document font.

#include "render/KsDviDrawer.h"

#include <climits>

#include "device/CdcDevice.h"
#include "dvi/ItrnFontItr.h"
#include "font/CidCMap.h"
#include "font/ItrnFont.h"
#include "render/FontPainting.h"
#include "render/GdiSpecialInterpreter.h"
#include "render/PdfDrawingPage.h"
#include "specials/SpecialRegistry.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

namespace {

// The drawing records' view of the drawer.
class DrawerCanvas final : public RecordCanvas {
public:
    explicit DrawerCanvas(KsDviDrawer& drawer) : drawer_(drawer) {}
    CDC* Context() const override { return drawer_.GetpDC(); }
    KsDvi* Document() const override { return drawer_.GetDvi(); }
    PixelMapping const& Pixels() const override { return drawer_.GetPixelMapping(); }
    int RecordUnitsToDots(int units) const override { return drawer_.grw(units); }
    DecodeBounds PictureBounds() const override { return drawer_.PictureBounds(); }
    std::uint64_t ChargePicture(std::vector<unsigned char> const& dib) override { return drawer_.ChargePicture(dib); }

private:
    KsDviDrawer& drawer_;
};

}  // namespace

KsDviDrawer::KsDviDrawer() { InitAll(); }

KsDviDrawer::KsDviDrawer(CDC& dc, KsDvi& dvi, int page, fpreal4 const& mag, int hOffset, int vOffset) : KsDviDrawer() {
    Open(dc, dvi, page, mag, hOffset, vOffset, 0, String8());
}

KsDviDrawer::~KsDviDrawer() {
    if (IsWorking()) KsDviDrawer::Close();
}

void KsDviDrawer::InitAll() {
    pDC_ = nullptr;
    device_ = nullptr;
    contextDevice_.reset();
    mask_.reset();
    waterMark_.reset();
    specialHandlers_ = std::make_unique<SpecialRegistry>();
    recordCanvas_ = std::make_unique<DrawerCanvas>(*this);
    specials_ = std::make_unique<GdiSpecialInterpreter>(*recordCanvas_);
}

int KsDviDrawer::Open(CDC& dc, KsDvi& dvi, int page, fpreal4 const& mag, int hOffset, int vOffset,
                      unsigned long linkColour, String8 const& anchorName) {
    if (!KsDviDrawerBase::Open(dvi, page)) return 0;
    dvi_ = &dvi;
    pDC_ = &dc;
    zoom_ = mag.GetRaw();
    pictureAreas_.clear();
    dvi.RegisterDevice(&dc, mag);

    savedDC_ = dc.SaveDC();
    dc.SetMapMode(MM_TEXT);
    dc.SetTextAlign(TA_BASELINE);
    dc.SetBkMode(TRANSPARENT);

    pixels_ = ksdvi::PixelMapping(dvi, dc.GetDeviceCaps(LOGPIXELSX), dc.GetDeviceCaps(LOGPIXELSY),
                                  fpreal4::FromRaw(zoom_), hOffset, vOffset);

    lineWidth_ = DefaultLineWidth;
    if (outsideDevice_) {
        device_ = outsideDevice_;
    } else {
        contextDevice_ = std::make_unique<CdcDevice>(dc);
        device_ = contextDevice_.get();
    }

    specialHandlers_->BeginPage(dvi, page);
    curColor_ = specialColour_ = specialHandlers_->Colours().Current();
    device_->SetGlyphColour(curColor_);

    device_->BeginPage(dvi.GetPageBackgroundColor(page));
    RunPostScript(page);

    int winFont = dvi.GetNItrnFont() == 0 ? 1 : 0;
    dvi.SetWinFont(winFont);
    SetWinFont(winFont);
    if (!winFont) PrepareFonts();

    // A page that begins inside a colour fills in it too.
    fillColour_ = curColor_;
    RenewPen();

    anchorOpen_ = 0;
    markArea_ = MarkArea{};
    pdfArea_ = PdfArea{};
    if (KsDvi::OpenLinkArea const* area = dvi.GetLinkAreaAtStart(page)) {
        // The area runs on from the page before; its first line starts at what is drawn first.
        pdfArea_.open = true;
        pdfArea_.target = area->target;
        pdfArea_.border = area->border;
        pdfArea_.depth = INT_MAX;
    }
    linkColor_ = static_cast<COLORREF>(linkColour);
    searchTag_ = anchorName;
    tagFound_ = 0;
    anchorPoints_.clear();
    pictureBytes_ = picturePeak_ = 0;
    specials_->BeginPage();
    return 1;
}

// A page's PostScript lies beneath its text: it is run and painted before
// anything else is drawn. Pages without PostScript, and passes whose device
// shows nothing, never start Ghostscript.
void KsDviDrawer::RunPostScript(int page) {
    postScript_.reset();
    postScriptProblem_.clear();
    pdfDrawingProblem_.clear();
    postScriptSpecials_ = 0;
    worldTransform_ = ksdvi::Affine{};
    ClipCharacters(std::nullopt);
    BeginPdfState(page);
    pictureClip_.reset();
    savedPictureClips_.clear();
    invisible_ = shownByPostScript_ = pdfDrawsRules_ = false;
    pdfLayers_.clear();
    nextPdfLayer_ = 0;
    if (!dvi_->PageDrawsBeneathText(page) || !device_->Shows()) return;
    ksdvi::PostScriptPage::Geometry geometry;
    geometry.dpiX = pixels_.DpiX();
    geometry.dpiY = pixels_.DpiY();
    geometry.width = pDC_->GetDeviceCaps(HORZRES);
    geometry.height = pDC_->GetDeviceCaps(VERTRES);
    geometry.hOrigin = pixels_.OriginX();
    geometry.vOrigin = pixels_.OriginY();
    geometry.hPixPerDvi = pixels_.PerDviX();
    geometry.vPixPerDvi = pixels_.PerDviY();
    if (dvi_->PageHasPdfDrawing(page)) {
        std::string const pdf = ksdvi::PdfDrawingOfPage(*dvi_, page, geometry, &pdfLayers_);
        if (!pdf.empty()) pdfDrawsRules_ = PaintPdfDrawing(pdf);
        if (!pdf.empty() && !pdfDrawsRules_) pdfDrawingProblem_ = "poppler's renderer is not available";
        if (!pdfDrawsRules_) pdfLayers_.clear();
    }
    if (!dvi_->PageHasPostScript(page)) return;
    auto run = std::make_unique<ksdvi::PostScriptPage>();
    // A vector output keeps the drawing as a PDF page. What it takes not is
    // painted on the page's raster through poppler (soft masks and opacity
    // stay right), its hair lines a pixel wide as Ghostscript's raster and
    // PDF viewers show them (pgf's hatchings), and should there be no PDF,
    // run again for the raster as for any other output.
    bool const asPdf = device_->TakesPdfPages();
    bool ran = run->Run(*dvi_, page, geometry, pDC_, pDC_, asPdf, true);
    ksdvi::Affine const jobToDevice = run->PdfToDevice(geometry);
    bool const refused =
        ran && !run->Pdf().empty() && !device_->DrawPdfPage(run->Pdf(), jobToDevice, true) &&
        !(device_ != contextDevice_.get() && CdcDevice(*pDC_).DrawPdfPage(run->Pdf(), jobToDevice, true));
    if (refused || (!ran && run->AsPdf() && !run->TimedOut())) ran = run->Run(*dvi_, page, geometry, pDC_, pDC_);
    if (ran)
        postScript_ = std::move(run);
    else
        postScriptProblem_ = run->Error();
}

// What an output takes not (an SVG page of tiling patterns or soft masks)
// is painted on the page's raster, as PostScript is.
bool KsDviDrawer::PaintPdfDrawing(std::string const& pdf) {
    ksdvi::Affine const pdfToDevice{pixels_.DpiX() / 72, 0, 0, pixels_.DpiY() / 72, 0, 0};
    return device_->DrawPdfPage(pdf, pdfToDevice, true) ||
           (device_ != contextDevice_.get() && CdcDevice(*pDC_).DrawPdfPage(pdf, pdfToDevice, true));
}

void KsDviDrawer::PaintNextPdfLayer() {
    if (nextPdfLayer_ >= pdfLayers_.size()) return;
    std::string const& layer = pdfLayers_[nextPdfLayer_++];
    if (layer.empty()) return;
    std::optional<std::array<double, 4>> const clip = characterClip_;
    ClipCharacters(std::nullopt);  // the drawing is placed as the page placed it
    PaintPdfDrawing(layer);
    ClipCharacters(clip);
}

void KsDviDrawer::Close() {
    if (!IsWorking()) return;
    ClipCharacters(std::nullopt);
    specials_->EndPage();
    if (pDC_) {
        pDC_->RestoreDC(-1);
        dvi_->UnregisterDevice(pDC_);
    }
    device_ = nullptr;
    contextDevice_.reset();
    ClearPictList();
    linkList_.RemoveAll();
    links_.clear();
    KsDviDrawerBase::Close();
}

void KsDviDrawer::PrepareFonts() {
    for (KsDvi::ItrnFontItr it(*dvi_); !it.IsFinished(); ++it) {
        KsDvi::ItrnFont const& font = *it();
        if (font.GetJapanese()) {
            FontPainting painting = ChooseFontPainting(*dvi_, font, pixels_.DpiX());
            glyphFaces_[font.GetID()] = painting.face;
            // Read once a page, not a character. dvipdfmx takes a CID-keyed
            // face's glyphs through the map's CMap, vertical ones included;
            // other faces take only a vertical CMap's column forms.
            if (!font.GetJapanese()->cids && painting.face)
                if (std::string const ordering = painting.face->CidOrdering(); !ordering.empty())
                    if (auto cmap = ksdvi::FindCidCMap(&FinderOf(*dvi_), font.GetJapanese()->cmap);
                        cmap && cmap->Ordering() == ordering)
                        cidCMaps_[font.GetID()] = std::move(cmap);
            if (font.GetJapanese()->vertical && !font.GetJapanese()->cids && !cidCMaps_.count(font.GetID()))
                verticalCMaps_[font.GetID()] = ksdvi::FindVerticalCMap(&FinderOf(*dvi_), font.GetJapanese()->cmap);
            device_->PrepareFont(font.GetID(), JapaneseDeviceFont(painting, font, pixels_), nullptr);
            continue;
        }
        if (font.GetNative()) {
            FontPainting painting = ChooseFontPainting(*dvi_, font, pixels_.DpiX());
            if (font.GetNative()->vertical && painting.face) glyphFaces_[font.GetID()] = painting.face;
            device_->PrepareFont(font.GetID(), NativeDeviceFont(painting, font, pixels_), nullptr);
            continue;
        }
        DeviceFont single = SingleByteDeviceFont(ChooseFontPainting(*dvi_, font, pixels_.DpiX()), font, pixels_);
        if (font.IsDBCEnabled()) {
            DeviceFont doubleByte = DoubleByteDeviceFont(font, pixels_);
            device_->PrepareFont(font.GetID(), single, &doubleByte);
        } else {
            device_->PrepareFont(font.GetID(), single, nullptr);
        }
    }
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

void KsDviDrawer::RenewPen() { pen_ = DevicePen{Ceiling(lineWidth_ * pixels_.PerDviX()), curColor_}; }

void KsDviDrawer::RenewPenBrush() {
    fillColour_ = curColor_;
    RenewPen();
    if (device_) device_->SetGlyphColour(curColor_);
}

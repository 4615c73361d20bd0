#pragma once
// Paints one page of a document on a device context: scale factors from the
// preamble, the device and the zoom; the faces of every document font;
// glyphs at their baselines, rules as filled rectangles; colour, simple
// graphics, hyperlink areas and pictures from the page's specials. What it
// paints goes through an output device (device/OutputDevice.h), the raster
// one over the context; PostScript, metafiles and drawing records, which
// need the context's own semantics, draw on the context itself.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "device/OutputDevice.h"
#include "interp/KsDviDrawerBase.h"
#include "page/PixelMapping.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/DecodeBounds.h"
#include "platform/gdi/Wnd.h"
#include "render/FontPainting.h"
#include "render/PdfGraphicsState.h"
#include "render/PostScriptPage.h"
#include "specials/LinkBorder.h"
#include "specials/SpecialPage.h"

namespace ksdvi {
class CidCMap;
class GdiSpecialInterpreter;
class RecordCanvas;
class SpecialRegistry;
struct PdfmarkSpecial;
struct PdfSpecial;
}  // namespace ksdvi

class KsDviDrawer : public KsDviDrawerBase, private ksdvi::SpecialPage {
public:
    using CDC = ksdvi::gdi::CDC;
    using CFont = ksdvi::gdi::CFont;
    using CPen = ksdvi::gdi::CPen;
    using CBrush = ksdvi::gdi::CBrush;
    using CBitmap = ksdvi::gdi::CBitmap;
    using COLORREF = ksdvi::gdi::COLORREF;
    using CWnd = ksdvi::gdi::CWnd;

    static constexpr int DefaultLineWidth = 0x6666;  // DVI units, about 0.4pt

    struct LinkRect {
        int x, y, w, h;  // device pixels
    };

    struct HyLinkInfo {
        // 0: html: anchor, grown from what is drawn inside it; 1: hypertext:
        // area; 2: hyperref's pdfmark area or xdvipdfmx's pdf: area, one
        // rectangle per line
        int kind = 0;
        String8 href;
        String8 target;
        DList<LinkRect> rects;
        ksdvi::LinkBorder border;  // kind 2: the frame a PDF draws
        // A box joins the last rectangle (their bounding box), or starts the first.
        void AddBox(int x, int y, int w, int h);
    };

    struct PictInfo {
        int drawn = 0;
        bool tried = false;  // where the page set it: its problems are noted once
        int type = 0;       // 0 WMF, 1 EPS, 2 JPEG, 3 GIF, 4 PNG, 5 BMP, 6 PDF
        int anchorTop = 1;  // 1: (x, y) is the top-left corner, 0: the bottom-left one
        int x = 0, y = 0;
        double xScale = 1.0, yScale = 1.0;  // negative: minus an absolute size
        String8 fileName;
        HyLinkInfo* link = nullptr;
        int llx = -1000000, lly = -1000000, urx = -1000000, ury = -1000000;
        // An EPS file whose own origin, not its box's corner, lies at (x, y),
        // as dvips places a psfile without rwi or rhi.
        bool originHere = false;
        // An EPS box that may count from the corner of the file's own box:
        // graphicx's dvipdfmx and xetex drivers give it so, since dvipdfmx
        // has Ghostscript move that corner to the origin (-dEPSCrop).
        bool boxMayCountFromCorner = false;
        // An EPS file cut at its bounding box; dvips draws it whole otherwise.
        bool clip = false;
        // An EPS file cut at a quadrilateral, its corners (x, y) in the
        // figure's own coordinates (psfile's hsize and vsize).
        std::optional<std::array<double, 8>> figureCut;
        // An EPS file the page's PostScript has drawn: only its place is kept.
        bool inPagePostScript = false;
        // The size shown in DVI units, whatever the file's own (pdf:image); 0: none given.
        double shownWidth = 0, shownHeight = 0;
        // The shown width (or height), also where only the other side is
        // given: it keeps the picture's proportions, `natural` along this
        // side to `across`; 0 when neither side is given.
        double Shown(bool horizontal, double natural, double across) const {
            double const side = horizontal ? shownWidth : shownHeight, other = horizontal ? shownHeight : shownWidth;
            return side > 0 ? side : other > 0 && across > 0 ? other * natural / across : 0;
        }
        // A raster file's own size, when it gives no resolution, at this many
        // pixels to the metre: 72 dpi for pdf:image (xdvipdfmx's), about 96
        // dpi for the rest.
        double naturalPerMetre = 3780;
        int pdfPage = 1;  // which page of a PDF file
        // PDF pages: the part shown (points from the page's lower left), cut
        // there when `clip`; none: the whole page.
        std::optional<std::array<double, 4>> pdfBox;
        // PDF pages: a box of device dots they are cut to (pictureClip_).
        std::optional<std::array<double, 4>> deviceClip;
        // The page's PostScript transformation where it was placed (graphicx's
        // rotations, reflections and scalings), in device dots about the DVI origin.
        ksdvi::Affine transform;
        // Where it is drawn, a box of device dots (left, top, right, bottom).
        std::optional<std::array<double, 4>> area;
    };

    KsDviDrawer();
    KsDviDrawer(CDC& dc, KsDvi& dvi, int page, fpreal4 const& mag, int hOffset, int vOffset);
    ~KsDviDrawer() override;

    using KsDviDrawerBase::Open;
    // Opens `page` for painting on `dc` at zoom `mag`, with the DVI origin at
    // device (hOffset, vOffset); `linkColour` paints link text, `anchorName`
    // (null for none) is an anchor whose position the drawer reports.
    virtual int Open(CDC& dc, KsDvi& dvi, int page, fpreal4 const& mag, int hOffset, int vOffset,
                     unsigned long linkColour, String8 const& anchorName);
    void Close() override;
    // Draws as the base does; at the end of the page a link area of
    // xdvipdfmx's still open becomes a link of what it covers here.
    int Draw(int count) override;

    // The device the pages opened from now on paint their glyphs, rules,
    // shapes and pictures through, in `dc`'s pixels; null: `dc` itself. The
    // device must outlive those pages.
    // What a page paints straight on its context (its PostScript, EPS
    // pictures, metafiles, drawing records) still goes to `dc`.
    void PaintThrough(ksdvi::OutputDevice* device) { outsideDevice_ = device; }

    CDC* GetpDC() const { return pDC_; }

    // DVI positions and lengths in device dots, and back.
    int hDot(int h) const;
    int vDot(int v) const;
    int dhDot(int d) const;
    int dvDot(int d) const;
    int hDvi(int x) const;
    int vDvi(int y) const;
    // Record units (1/R inch) in device dots.
    int grw(int x) const;
    double GethPixPerDvi() const { return pixels_.PerDviX(); }
    double GetvPixPerDvi() const { return pixels_.PerDviY(); }
    ksdvi::PixelMapping const& GetPixelMapping() const { return pixels_; }

    COLORREF GetCurColor() const { return curColor_; }

    DList<HyLinkInfo*> const& GetHyLinkList() const { return linkList_; }
    DList<PictInfo*> const& GetPictList() const { return pictList_; }
    // Where the pictures of the page opened last were drawn, boxes of device
    // dots (left, top, right, bottom); kept after the page is closed.
    std::vector<std::array<double, 4>> const& PictureAreas() const { return pictureAreas_; }
    // The codes of each font (by TeX name) that its face or bitmap font has
    // no glyph for, since the drawer was made; they are drawn as nothing.
    std::map<std::string, std::set<unsigned>> const& GetMissingGlyphs() const { return missingGlyphs_; }
    HyLinkInfo* FindHyLink(int x, int y) const;
    void DrawHyperlinkMark(int which);
    // Whether text inside html: links is drawn in the link colour of Open
    // (off: in the document's own colours, as dvips draws it). Kept across pages.
    void SetLinkTextColoured(bool coloured) { linkTextColoured_ = coloured; }
    int IsTagFound() const { return tagFound_; }
    // Every anchor of the open page, in the order met, where it points.
    struct AnchorPoint {
        String8 name;
        int x = 0, y = 0;  // device pixels
    };
    std::vector<AnchorPoint> const& GetAnchorPoints() const { return anchorPoints_; }
    int GetTaghPos() const { return tagH_; }
    int GetTagvPos() const { return tagV_; }
    PictInfo* GetMask() const { return mask_.get(); }
    PictInfo* GetWaterMark() const { return waterMark_.get(); }
    void ClearPictList();

    // Pictures: 1 when drawn. `rop` is the raster operation of the final
    // transfer of raster pictures. A drawing that shows draws each picture
    // where the page sets it; DrawAllPictures draws those not tried yet and
    // has `w` repaint after each.
    int DrawPicture(PictInfo* p);
    int DrawPictureRop(PictInfo* p, unsigned long rop);
    void DrawAllPictures(CWnd* w);

    // What the raster pictures of a page may take: bytes for those held at
    // once, each counted as its decoded DIB and the 32-bit pixels it is
    // drawn from, and the time one picture's decoding may run. Pictures are
    // decoded no larger than they are shown, so that only pictures shown at
    // great sizes reach the bytes; a picture past either bound is left out,
    // with a picture problem saying which.
    static constexpr std::uint64_t kDefaultPictureBudget = std::uint64_t(256) << 20;
    static constexpr std::chrono::milliseconds kDefaultPictureTimeLimit{10000};
    void SetPictureBudget(std::uint64_t bytes) { pictureBudget_ = bytes; }
    std::uint64_t GetPictureBudget() const { return pictureBudget_; }
    void SetPictureTimeLimit(std::chrono::milliseconds limit) { pictureTimeLimit_ = limit; }
    std::chrono::milliseconds GetPictureTimeLimit() const { return pictureTimeLimit_; }
    // The bytes the open page's pictures hold now: a picture's pixels are
    // freed once it is drawn, a drawing record's bitmap when the page closes.
    std::uint64_t GetPictureBytes() const { return pictureBytes_; }
    // The most they held at once.
    std::uint64_t GetPicturePeakBytes() const { return picturePeak_; }
    // Bounds for decoding a picture of the open page now: the bytes left to
    // its pictures, the time limit from now, and `shownAt`.
    ksdvi::gdi::DecodeBounds PictureBounds(
        std::function<ksdvi::gdi::SIZE(ksdvi::gdi::DeclaredPicture const&)> shownAt = {}) const;
    // Counts a decoded picture against the page: its packed DIB and the
    // 32-bit pixels it is drawn from. The bytes counted; 0, counting nothing,
    // when that is more than what is left or the DIB cannot be read.
    std::uint64_t ChargePicture(std::vector<unsigned char> const& dib);

    // Why pictures were not drawn, since the drawer was made: the file as the
    // document names it and the reason. The library prints nothing itself.
    struct PictureProblem {
        std::string file;
        std::string reason;
    };
    std::vector<PictureProblem> const& GetPictureProblems() const { return pictureProblems_; }
    // Why the PostScript of the open page could not be run; empty when it ran
    // or the page has none.
    std::string const& GetPostScriptProblem() const { return postScriptProblem_; }
    // Why the pdf: drawing of the open page could not be painted; empty when
    // it was or the page has none.
    std::string const& GetPdfDrawingProblem() const { return pdfDrawingProblem_; }
    // Whether the open page drew binary drawing records.
    bool HasDrawingRecords() const;
    // Where a picture named by a document is: beside the document, in the
    // current directory, or where kpathsea finds TeX's graphics; "" when none
    // or when the document may not read it (DocumentFiles.h), `why` saying so.
    std::string FindPictureFile(String8 const& name, std::string* why = nullptr) const;

protected:
    // The bytes of a picture's file: a new stream the caller closes with
    // ClosePictFileStream, or null. `size`, when given, receives the file's
    // size. A subclass may take pictures from elsewhere.
    virtual std::istream* OpenPictFileStream(PictInfo* p, int* size);
    virtual void ClosePictFileStream(PictInfo* p, std::istream* s);
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override;
    void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override;
    void PutRule(int h, int v, int height, int width) override;
    void DoSpecial(unsigned int length, InstPtr text) override;
    void Popped() override;

    // Hyperlink bookkeeping shared by glyphs, rules and pictures.
    HyLinkInfo* LastLink() const;
    void AppendLink(std::unique_ptr<HyLinkInfo> link);
    PictInfo* AppendPicture(std::unique_ptr<PictInfo> picture);
    void RenewPenBrush();

private:
    // What the handlers of the page's specials ask (specials/SpecialPage.h).
    void SetColour(std::uint32_t colour) override;
    void SetPenWidth(int width) override;
    void DrawShape(ksdvi::SpecialShape const& shape) override;
    void Html(ksdvi::HtmlSpecial const& html) override;
    void Hypertext(ksdvi::HypertextSpecial const& area) override;
    void Pdfmark(ksdvi::PdfmarkSpecial const& mark) override;
    void Pdf(ksdvi::PdfSpecial const& special) override;
    void PdfContent(std::string_view keyword, std::string_view operators) override;
    // The graphics state of pdf: specials, from the opacities the document
    // has named up to page `page`; then what TeX sets is drawn in it.
    void BeginPdfState(int page);
    void ShowPdfState();
    // A raster picture of pdf:image, its lower left corner at the current point.
    void PdfImagePicture(ksdvi::PdfSpecial const& image);
    void PdfTransform(ksdvi::PdfSpecial const& special);
    void PdfClip(ksdvi::PdfSpecial const& special);
    void ClipCharacters(std::optional<std::array<double, 4>> const& box);
    ksdvi::Affine PdfMatrixHere(double const (&matrix)[6]) const;
    void GraphicsPicture(ksdvi::GraphicsSpecial const& graphics) override;
    void PlotfilePicture(std::string_view file, ksdvi::PlotFrame const& frame) override;
    void PsfilePicture(ksdvi::PsfileSpecial const& psfile) override;
    void RecordPicture(unsigned char* args, unsigned char* end) override;

    // An anchor met at device (x, y); the searched one is found there.
    void MetAnchor(String8 const& name, int x, int y);
    HyLinkInfo* OpenAnchorLink() const { return anchorOpen_ ? LastLink() : nullptr; }
    void EndMarkArea(ksdvi::PdfmarkSpecial const& mark);
    // The link of xdvipdfmx's open area, when it leads somewhere and covers something.
    void EndPdfArea();
    // A link of kind 2 to `href` over `rects`.
    void AppendAreaLink(std::string const& href, std::vector<LinkRect> const& rects, ksdvi::LinkBorder const& border);
    // TeX's points in DVI units, through the document's units.
    double DviPerPoint() const;
    // What is drawn, in device pixels, for the link areas open around it.
    void GrowLinkAreas(int x, int y, int w, int h);
    // Device position of the current point moved by a DVI offset.
    int hDotFromHere(int offset) const;
    int vDotFromHere(int offset) const;
    // The box of offsets d[0], d[1] from the current point and extents d[2], d[3].
    ksdvi::gdi::RECT BoxFromHere(int const* d) const;
    std::unique_ptr<PictInfo> NewPicture(int type, String8 const& fileName) const;
    // In pTeX's vertical text a picture lies along the line, turned about the
    // current point as dvipdfmx turns it; identity in horizontal text.
    ksdvi::Affine PictureTurnHere() const;

    // The branches of DrawPictureRop (PictureDrawing.cpp, EpsPicture.cpp); each
    // gives the picture's width and height in device pixels, or false.
    bool DrawMetafilePicture(PictInfo* p, int& w, int& h);
    bool DrawRasterPicture(PictInfo* p, unsigned long rop, int& w, int& h);
    bool DrawEpsPicture(PictInfo* p, int& w, int& h);
    bool DrawPdfPicture(PictInfo* p, int& w, int& h);
    // Where a picture is shown, in device dots before the page's transformation.
    struct ShownBox {
        double left, top, width, height;
    };
    // `box` of a PDF page (`page` points wide and high) in `shown`; `run`
    // makes the page as a PDF job of that many dots.
    bool DrawPdfPart(PictInfo* p, std::array<double, 4> const& box, std::pair<double, double> const& page,
                     ShownBox const& shown, ksdvi::Affine const& world, std::function<bool(int, int)> const& run);
    // The device size of a picture of natural size `naturalSp` (scaled points)
    // along one axis, and its top-left corner, by the record's scales and box.
    int PictureExtent(PictInfo const* p, double naturalSp, double acrossSp, bool horizontal) const;
    void PlacePicture(PictInfo const* p, int h, int& x, int& y) const;
    void NotePictureProblem(PictInfo const* p, std::string reason);
    // Why the last OpenPictFileStream gave nothing.
    std::string MissingPictureReason() const { return lastPictureProblem_.empty() ? "not found" : lastPictureProblem_; }

    void RenewPen();
    void InitAll();
    // Hands the device the faces of every document font.
    void PrepareFonts();
    void PutWinFontChar(int h, int v, unsigned short code);
    void NoteMissingGlyph(KsDvi::ItrnFont const& font, unsigned code);
    // A JFM font's character (GetJapaneseCharacter), upright or turned as
    // the text direction and the font's CMap ask.
    void PutJapaneseChar(KsDvi::ItrnFont const& font, int h, int v, int width, int height, int depth);
    // The transformation of glyphs turned across the line (a quarter
    // clockwise, or anticlockwise), the page's after it; the page's alone
    // (null without one) for glyphs not turned.
    ksdvi::Affine const* GlyphTransform(bool turned, bool counterClockwise);
    void GrowCharLinkAreas(int h, int v, int width, int height, int depth);
    // A device point moved by the page's PostScript transformation.
    void Transformed(int& x, int& y) const;
    // A glyph's pen at DVI position (h, v), in whole pixels and exactly.
    void PlaceGlyph(ksdvi::DeviceGlyph& glyph, double h, double v) const;
    void RunPostScript(int page);

    KsDvi* dvi_ = nullptr;
    int zoom_ = 0;
    ksdvi::PixelMapping pixels_;
    CDC* pDC_ = nullptr;
    COLORREF fillColour_ = 0;  // rules'
    COLORREF curColor_ = 0;
    COLORREF specialColour_ = 0;  // the colour specials'; pdf: content's fill colour may stand over it
    int lineWidth_ = DefaultLineWidth;
    ksdvi::DevicePen pen_;
    // Where glyphs and rules go: the page's context, or a device from outside.
    ksdvi::OutputDevice* device_ = nullptr;
    std::unique_ptr<ksdvi::OutputDevice> contextDevice_;
    ksdvi::OutputDevice* outsideDevice_ = nullptr;

    COLORREF linkColor_ = 0;
    COLORREF savedColor_ = 0;
    bool linkTextColoured_ = false;
    String8 searchTag_;
    int tagFound_ = 0, tagH_ = 0, tagV_ = 0;
    std::vector<AnchorPoint> anchorPoints_;
    int anchorOpen_ = 0;
    // hyperref's last area: where it started, the lines drawn since, and once
    // ended its rectangles and the point an anchor there names.
    struct MarkArea {
        bool open = false;
        int h = 0, v = 0;  // DVI units
        std::vector<LinkRect> lines;
        std::vector<LinkRect> rects;
        int viewX = 0, viewY = 0;
        bool ended = false;
    } markArea_;
    double markBorderPoints_ = 1.0;
    // xdvipdfmx's open link area: where it leads and the lines drawn since.
    // A line ends when TeX ends the box the area began in (the stack pops
    // below `depth`), as xdvipdfmx breaks its areas.
    struct PdfArea {
        bool open = false;
        bool paused = false;  // pdf:nolink
        std::string target;
        ksdvi::LinkBorder border;
        int depth = 0;
        bool lineEnded = false;
        std::vector<LinkRect> lines;
    } pdfArea_;
    unsigned long recordDrawMode_ = 0;

    // The lists hand out plain pointers; the vectors own what they point to.
    DList<HyLinkInfo*> linkList_;
    std::vector<std::unique_ptr<HyLinkInfo>> links_;
    DList<PictInfo*> pictList_;
    std::vector<std::unique_ptr<PictInfo>> pictures_;
    std::vector<std::array<double, 4>> pictureAreas_;
    std::unique_ptr<PictInfo> mask_;
    std::unique_ptr<PictInfo> waterMark_;
    std::unique_ptr<ksdvi::SpecialRegistry> specialHandlers_;
    std::unique_ptr<ksdvi::RecordCanvas> recordCanvas_;
    std::unique_ptr<ksdvi::GdiSpecialInterpreter> specials_;
    std::map<std::string, std::set<unsigned>> missingGlyphs_;
    std::vector<PictureProblem> pictureProblems_;
    std::string lastPictureProblem_;
    std::unique_ptr<ksdvi::PostScriptPage> postScript_;
    std::string postScriptProblem_;
    std::string pdfDrawingProblem_;
    int postScriptSpecials_ = 0;
    ksdvi::Affine worldTransform_;
    // A clip of xdvipdfmx's literal (device dots) cutting PDF pictures, and
    // those of the states saved.
    std::optional<std::array<double, 4>> pictureClip_;
    std::vector<std::optional<std::array<double, 4>>> savedPictureClips_;
    std::optional<std::array<double, 4>> characterClip_;  // a clip of the page's PostScript in force
    ksdvi::PdfGraphicsState pdfState_{72, 72};
    ksdvi::Affine glyphTransform_;  // what GlyphTransform hands out
    // The faces whose glyphs the drawer looks up itself, by font id: those of
    // the JFM fonts (glyphs of characters) and of XeTeX's vertical fonts
    // (vertical origins).
    std::map<int, std::shared_ptr<ksdvi::gdi::FontFile const>> glyphFaces_;
    std::map<int, std::shared_ptr<ksdvi::CidCMap const>> verticalCMaps_;  // vertical JFM fonts' CMaps
    // JFM fonts' CMaps, where the face counts CIDs as they do
    std::map<int, std::shared_ptr<ksdvi::CidCMap const>> cidCMaps_;
    // The page's PostScript has made another device current (pgf's invisible
    // parts): what TeX sets meanwhile is not painted.
    bool invisible_ = false;
    // The page's PostScript has its own show: the characters of the fonts it
    // was given are its to draw.
    bool shownByPostScript_ = false;
    // The page's pdf: drawing after each picture it places (PdfDrawingOfPage),
    // painted over the picture, and the next to paint.
    std::vector<std::string> pdfLayers_;
    size_t nextPdfLayer_ = 0;
    // Paints a PDF of the page's drawing; false when no renderer took it.
    bool PaintPdfDrawing(std::string const& pdf);
    void PaintNextPdfLayer();
    double postScriptOpacity_ = 1;  // the fill opacity the page's PostScript left
    // How much TeX's glyphs cover: the opacity of pdf: content and of the
    // page's PostScript.
    double GlyphOpacity() const { return pdfState_.FillOpacity() * postScriptOpacity_; }
    // The page's pdf: drawing has drawn its rules, stacked among its own drawing.
    bool pdfDrawsRules_ = false;
    // EPS pictures are rendered into 24-bit bitmaps, antialiased.
    static constexpr int kGsBitsPerPixel = 24;
    std::uint64_t pictureBudget_ = kDefaultPictureBudget;
    std::uint64_t pictureBytes_ = 0;
    std::uint64_t picturePeak_ = 0;  // taken on the open page
    std::chrono::milliseconds pictureTimeLimit_ = kDefaultPictureTimeLimit;
    int savedDC_ = 0;
};

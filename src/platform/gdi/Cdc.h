// CDC: an MFC-shaped device context over a raster surface. It keeps GDI's
// state (selected objects, colours, modes, mapping, clip, current position,
// path) with SaveDC/RestoreDC, and draws with GDI's rules: copy-mode shapes
// and text anti-aliased, other ROP2 modes and all blits bit-exact.
//
// A context belongs to one thread at a time. Contexts on different devices
// may draw in parallel; they share only fonts, which are safe to share.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Brush.h"
#include "platform/gdi/CString.h"
#include "platform/gdi/Compositor.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Palette.h"
#include "platform/gdi/Path.h"
#include "platform/gdi/Pen.h"
#include "platform/gdi/PrintDevice.h"
#include "platform/gdi/RasterDevice.h"
#include "platform/gdi/RasterOps.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Rgn.h"
#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class Metafile;
using HMETAFILE = Metafile*;

class CDC {
public:
    CDC();
    // A context on a window or printer device. The context keeps the device's
    // pixels alive; it may outlive the RasterDevice object.
    explicit CDC(RasterDevice& device);
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    BOOL CreateDC(RasterDevice& device);
    // A context on a document printer: images and solid rectangles reach its
    // pages, between StartPage and EndPage. It keeps the printer alive.
    explicit CDC(PrintDevice& printer);
    BOOL CreateDC(PrintDevice& printer);
    // Positive on success, as in GDI; only printer contexts have pages.
    int StartPage();
    int EndPage();
    // A memory context holding a 1 x 1 monochrome bitmap until another is
    // selected; its capabilities are those of `reference` (a 96-dpi display when null).
    BOOL CreateCompatibleDC(CDC* reference);
    BOOL DeleteDC();
    HDC GetSafeHdc() { return HasSurface() ? this : nullptr; }
    operator HDC() { return GetSafeHdc(); }

    int GetDeviceCaps(int index) const { return caps_.Get(index); }
    // The pixels drawn on: the device's, or the selected bitmap's.
    Surface* GetSurface() const;

    // State stack: SaveDC returns the new level; RestoreDC takes a level or a
    // negative count back from the top.
    int SaveDC();
    BOOL RestoreDC(int saved);

    COLORREF SetTextColor(COLORREF c);
    COLORREF GetTextColor() const { return s_.textColor; }
    // How much text covers what lies beneath (255: opaque): ksdvi's own,
    // for the fill opacity PDF content gives TeX's glyphs.
    void SetTextOpacity(BYTE opacity) { s_.textOpacity = opacity; }
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const { return s_.bkColor; }
    int SetBkMode(int mode);
    int GetBkMode() const { return s_.bkMode; }
    int SetROP2(int mode);
    int GetROP2() const { return s_.rop2; }
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const { return s_.stretchMode; }
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return s_.fillMode; }
    UINT SetTextAlign(UINT align);
    UINT GetTextAlign() const { return s_.textAlign; }
    int GetArcDirection() const { return s_.arcDirection; }
    POINT SetBrushOrg(int x, int y);
    POINT GetBrushOrg() const { return s_.brushOrg; }

    // Mapping: device = (logical - window origin) * viewport extent / window
    // extent + viewport origin; extents count only in the scalable modes.
    int SetMapMode(int mode);
    int GetMapMode() const { return s_.mapMode; }
    BOOL SetWindowOrgEx(int x, int y, POINT* old);
    BOOL SetViewportOrgEx(int x, int y, POINT* old);
    BOOL SetWindowExtEx(int cx, int cy, SIZE* old);
    BOOL SetViewportExtEx(int cx, int cy, SIZE* old);
    BOOL OffsetWindowOrgEx(int dx, int dy, POINT* old);
    BOOL OffsetViewportOrgEx(int dx, int dy, POINT* old);
    BOOL ScaleWindowExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old);
    BOOL ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old);
    POINT SetWindowOrg(int x, int y);
    POINT SetViewportOrg(int x, int y);
    SIZE SetWindowExt(int cx, int cy);
    SIZE SetViewportExt(int cx, int cy);
    POINT GetWindowOrg() const { return s_.windowOrg; }
    POINT GetViewportOrg() const { return s_.viewportOrg; }
    SIZE GetWindowExt() const;
    SIZE GetViewportExt() const;
    BOOL LPtoDP(POINT* points, int count = 1) const;
    BOOL LPtoDP(RECT* rect) const;
    BOOL DPtoLP(POINT* points, int count = 1) const;
    BOOL DPtoLP(RECT* rect) const;

    // Objects. Selecting returns the previous object; selecting a region
    // copies it as the clip region.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    int SelectObject(CRgn* region);
    CGdiObject* SelectObject(CGdiObject* object);
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const { return s_.pen; }
    CBrush* GetCurrentBrush() const { return s_.brush; }
    CFont* GetCurrentFont() const { return s_.font; }
    CBitmap* GetCurrentBitmap() const { return s_.bitmap; }
    CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
    CPalette* GetCurrentPalette() const { return s_.palette; }
    UINT RealizePalette();
    COLORREF GetNearestColor(COLORREF c) const;

    // Clipping, in device coordinates for regions and logical ones for rectangles.
    int SelectClipRgn(CRgn* region);
    int SelectClipRgn(CRgn* region, int mode);
    int ExtSelectClipRgn(CRgn* region, int mode) { return SelectClipRgn(region, mode); }
    int IntersectClipRect(int l, int t, int r, int b);
    int IntersectClipRect(const RECT* r) { return r ? IntersectClipRect(r->left, r->top, r->right, r->bottom) : ERROR; }
    int ExcludeClipRect(int l, int t, int r, int b);
    int OffsetClipRgn(int dx, int dy);
    int GetClipBox(RECT* box) const;
    // The clip region in device coordinates, none for the whole surface: to
    // be given back after a clip of one's own.
    std::optional<Region> const& GetClipRegion() const { return s_.clip; }
    void SetClipRegion(std::optional<Region> clip) { s_.clip = std::move(clip); }
    BOOL SelectClipPath(int mode);

    // Current position and lines.
    POINT MoveTo(int x, int y);
    POINT GetCurrentPosition() const { return s_.currentPos; }
    BOOL LineTo(int x, int y);

    // Paths: between BeginPath and EndPath the drawing calls record figures.
    BOOL BeginPath();
    BOOL EndPath();
    BOOL AbortPath();
    BOOL CloseFigure();
    BOOL StrokePath();
    BOOL FillPath();
    BOOL StrokeAndFillPath();
    // Points in logical units with their PolyDraw types; returns the count.
    int GetPath(POINT* points, BYTE* types, int count) const;

    // Shapes: outlined with the pen, filled with the brush.
    BOOL Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2);
    BOOL Chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2);
    BOOL Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2);
    BOOL Ellipse(int l, int t, int r, int b);
    BOOL Ellipse(const RECT* r) { return r ? Ellipse(r->left, r->top, r->right, r->bottom) : FALSE; }
    BOOL Rectangle(int l, int t, int r, int b);
    BOOL Rectangle(const RECT* r) { return r ? Rectangle(r->left, r->top, r->right, r->bottom) : FALSE; }
    BOOL RoundRect(int l, int t, int r, int b, int w, int h);
    BOOL Polyline(const POINT* points, int count);
    BOOL Polygon(const POINT* points, int count);
    BOOL PolyPolygon(const POINT* points, const int* counts, int polygons);
    BOOL PolyBezier(const POINT* points, int count);
    BOOL PolyDraw(const POINT* points, const BYTE* types, int count);

    // Rectangles and pixels, exact to the pixel; right and bottom excluded.
    void FillRect(const RECT* r, CBrush* brush);
    void FillSolidRect(const RECT* r, COLORREF c);
    BOOL PatBlt(int x, int y, int w, int h, DWORD rop);
    COLORREF SetPixel(int x, int y, COLORREF c);
    BOOL SetPixelV(int x, int y, COLORREF c) { return SetPixel(x, y, c) != CLR_INVALID; }
    COLORREF GetPixel(int x, int y) const;

    // Text, placed by the text alignment. Single-byte strings are Windows-1252
    // on Unicode faces and raw codes on symbol faces.
    BOOL ExtTextOutW(int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const int* dx);
    BOOL ExtTextOutA(int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx);
    BOOL TextOutW(int x, int y, const WCHAR* text, int count) {
        return ExtTextOutW(x, y, 0, nullptr, text, UINT(count), nullptr);
    }
    BOOL TextOutA(int x, int y, const char* text, int count) {
        return ExtTextOutA(x, y, 0, nullptr, text, UINT(count), nullptr);
    }
    BOOL TextOut(int x, int y, const char* text, int count) { return TextOutA(x, y, text, count); }
    BOOL TextOut(int x, int y, const CString& text) { return TextOutA(x, y, text, text.GetLength()); }
    BOOL GetTextMetricsA(TEXTMETRICA* tm);
    BOOL GetTextMetrics(TEXTMETRICA* tm) { return GetTextMetricsA(tm); }
    // The glyph index of each character in the selected font; with
    // GGI_MARK_NONEXISTING_GLYPHS a character the face lacks gives 0xFFFF.
    DWORD GetGlyphIndicesW(const WCHAR* text, int count, WORD* indices, DWORD flags);
    // A glyph that is a bitmap of its own (TeX's PK fonts), drawn in the text
    // colour with its origin at the logical point (x, y), as ExtTextOut draws
    // an outline glyph with TA_BASELINE.
    BOOL DrawGlyphBitmap(int x, int y, const Glyph& glyph);

    // Raster transfers. Sources are read through their own mapping.
    BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop);
    BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop);
    // `bits` holds the whole DIB; its size is taken from the header.
    int StretchDIBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                      const BITMAPINFO* info, UINT usage, DWORD rop);
    int SetDIBitsToDevice(int x, int y, DWORD w, DWORD h, int sx, int sy, UINT startScan, UINT scanLines,
                          const void* bits, const BITMAPINFO* info, UINT usage);
    // StretchDIBits from a packed DIB (header, colour table, bits) of `size`
    // bytes, checked against that size.
    int StretchPackedDIB(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* packed,
                         std::size_t size, UINT usage, DWORD rop);

    BOOL PlayMetaFile(HMETAFILE metafile);

private:
    struct State {
        CPen* pen = nullptr;
        std::shared_ptr<const PenData> penData;
        CBrush* brush = nullptr;
        std::shared_ptr<const BrushData> brushData;
        CFont* font = nullptr;
        std::shared_ptr<const FontData> fontData;
        CBitmap* bitmap = nullptr;
        std::shared_ptr<Surface> bitmapSurface;
        CPalette* palette = nullptr;
        std::shared_ptr<PaletteData> paletteData;
        COLORREF textColor = RGB(0, 0, 0);
        BYTE textOpacity = 255;
        COLORREF bkColor = RGB(255, 255, 255);
        int bkMode = OPAQUE;
        int rop2 = R2_COPYPEN;
        int stretchMode = BLACKONWHITE;
        int fillMode = ALTERNATE;
        UINT textAlign = TA_TOP | TA_LEFT | TA_NOUPDATECP;
        int arcDirection = AD_COUNTERCLOCKWISE;
        int mapMode = MM_TEXT;
        POINT windowOrg, viewportOrg;
        SIZE windowExt{1, 1}, viewportExt{1, 1};
        std::optional<Region> clip;
        POINT currentPos;
        POINT brushOrg;
        Path path;
        bool pathOpen = false;
        bool pathDone = false;
    };

    bool HasSurface() const { return GetSurface() != nullptr || printer_ != nullptr; }
    // The device's size in pixels, or of the selected bitmap.
    RECT Bounds() const;
    void ResetState();
    // Logical-to-device factors and offsets of the current mapping.
    void Mapping(double& sx, double& sy, double& ox, double& oy) const;
    PointD ToDevice(double x, double y) const;
    RECT ToDeviceRect(int l, int t, int r, int b) const;
    Pixel Resolve(COLORREF c) const;
    BrushPaint PaintOf(const BrushData& brush) const;

    // Painting of device-space figures with the selected pen and brush; while a
    // path is open they are recorded instead.
    bool Record(const Path& figure);
    void FillFigure(const Path& figure, int fillMode);
    void StrokeFigure(const Path& figure);
    BOOL DrawShape(const Path& figure, bool fill);
    bool ArcClockwise() const;
    // Uses up the finished path.
    BOOL PaintPath(bool fill, bool stroke);
    BOOL DrawArc(Path::ArcKind kind, int l, int t, int r, int b, int x1, int y1, int x2, int y2);
    BOOL SetExtent(SIZE& extent, int cx, int cy, SIZE* old);
    BOOL DrawPolyline(const POINT* points, int count, bool fromCurrent);
    RECT Limit() const;
    // Runs `paint` on the current surface inside the clip; monochrome
    // surfaces are brought back to black and white in `touched` afterwards.
    template <typename F>
    void Paint(const RECT& touched, F&& paint);

    // Text goes through codes_ (characters or glyph indices) so that drawing
    // one character at a time allocates nothing once warm.
    BOOL DrawCodes(int x, int y, UINT options, const RECT* rect, const int* dx, bool glyphIndices);
    ScaledFont* CurrentFont();
    void DecodeAnsi(const char* text, UINT count);
    void DecodeWide(const WCHAR* text, UINT count);

    BOOL TransferFrom(const RECT& dest, const Surface* source, const RECT& sourceRect, DWORD rop,
                      const SourceConversion& conversion);

    int StretchDib(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const DibView& dib, UINT usage,
                   DWORD rop);

    DeviceCaps caps_;
    std::shared_ptr<Surface> deviceSurface_;  // window and printer contexts
    std::shared_ptr<PrintDevice> printer_;    // document printers, which have no pixels
    bool memory_ = false;
    bool created_ = false;
    State s_;
    std::vector<State> saved_;

    std::shared_ptr<ScaledFont> realized_;
    std::shared_ptr<const FontData> realizedFor_;  // held so that its address stays unique
    double realizedScaleX_ = 0, realizedScaleY_ = 0;
    std::vector<std::uint32_t> codes_;
    struct PlacedGlyph {
        const Glyph* glyph;
        int x, y;
    };
    std::vector<PlacedGlyph> placed_;
};

}  // namespace ksdvi::gdi

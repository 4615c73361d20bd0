#pragma once
// What ksdvi's painter hands to an output, in device pixels: the page's
// background, its fonts as font programs (a FreeType face, or TeX's bitmap
// font) at their sizes on the device, glyphs on their baselines, rules, lines
// and shapes, raster pictures and marked link areas. The painter decides
// where and what (positions, the PostScript transformation in force, link
// areas, which glyphs a font lacks); a device only draws. The raster device
// paints on a drawing context (CdcDevice.h).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/Affine.h"

namespace ksdvi {

class BitmapFont;
class EncodingVector;
namespace gdi {
class FontFile;
}

// One face of a document font as a device draws it.
struct DeviceFont {
    // The outline face, or TeX's bitmap font; neither for a font that paints
    // nothing of its own (a virtual font's packets paint).
    std::shared_ptr<gdi::FontFile const> face;
    std::shared_ptr<BitmapFont const> bitmap;
    // The height of an em in pixels. Outline faces: the average character width
    // asked (0: the face's own proportions), in pixels; weight 100-900 (0:
    // normal) and italic, drawn synthetically where the face is not; the
    // map's SlantFont and ExtendFont; a rotation in tenths of a degree.
    int em = 0, width = 0;
    // The em before it was rounded to pixels, for devices that scale glyphs
    // finer than a pixel (0: `em`).
    double exactEm = 0;
    int weight = 0;
    bool italic = false;
    double slant = 0, extend = 1;
    int rotation = 0;
    // Drawn row by row, each four rows one pixel further left (Korean
    // documents' slanted faces).
    bool slantedRows = false;
    // Lightly hinted (TeX's fonts, as dvipng draws them), or not (XeTeX's
    // and pTeX's fonts, as PDF readers draw them).
    bool hinted = true;
    // Glyphs filled and also stroked with a pen this part of an em wide, as
    // xdvipdfmx draws XeTeX's FakeBold.
    double stroke = 0;
    // A re-encoded font: its glyphs by PostScript name, code by code.
    EncodingVector const* glyphNames = nullptr;
};

// A glyph to draw, in the colour set by SetGlyphColour.
struct DeviceGlyph {
    int font = 0;             // as prepared
    bool doubleByte = false;  // with the font's double-byte face
    unsigned code = 0;        // the code TeX set: bitmap fonts and re-encoded faces look it up
    unsigned character = 0;   // the character asked of a face (the font's code mapping applied)
    bool glyphIndex = false;  // `character` is the face's glyph index (XeTeX's native fonts)
    int x = 0, y = 0;         // the pen on the baseline
    // The same pen before it was rounded to pixels, for devices that place
    // glyphs finer than a pixel (vector outputs: text laid out as TeX set it).
    double penX = 0, penY = 0;
    // The transformation in force (about the DVI origin), turning the glyph
    // itself; the position above has been moved by it already.
    Affine const* transform = nullptr;
    int widthPercent = 100;  // slanted rows: how wide the glyph is drawn
    // The page instruction that set it (its offset), by which a device finds
    // the glyph's text in the page's Unicode text.
    int instruction = -1;
};

struct DevicePoint {
    int x = 0, y = 0;
};

// A rule: a filled box, its corners top-left, top-right, bottom-right,
// bottom-left, in pixels and parts of one; upright (on whole pixels) unless
// a transformation turned it.
struct DeviceRule {
    struct Corner {
        double x = 0, y = 0;
    };
    std::array<Corner, 4> corners;
    bool upright = true;
    std::uint32_t colour = 0;  // 0x00BBGGRR

    // The box around the corners: left, top, right, bottom.
    std::array<double, 4> Bounds() const {
        auto const [left, right] = std::minmax({corners[0].x, corners[1].x, corners[2].x, corners[3].x});
        auto const [top, bottom] = std::minmax({corners[0].y, corners[1].y, corners[2].y, corners[3].y});
        return {left, top, right, bottom};
    }
};

struct DevicePen {
    int width = 1;
    std::uint32_t colour = 0;  // 0x00BBGGRR
};

// A line or shape of the page's graphics specials, outlined with `pen`.
struct DeviceShape {
    enum class Kind {
        Line,      // from `from` to `to`
        Arc,       // the ellipse in the box, counter-clockwise from the radial
                   // through `from` to the one through `to`
        RoundBox,  // the box with `corner` wide and high round corners
        Ellipse,   // the ellipse in the box
    };
    Kind kind = Kind::Line;
    DevicePoint from, to;
    int left = 0, top = 0, right = 0, bottom = 0;
    DevicePoint corner;
    DevicePen pen;
    std::optional<std::uint32_t> fill;  // the inside's colour; none: not filled
};

// A raster picture: the part of a packed DIB (BITMAPINFOHEADER, colours,
// bottom-up rows) from (srcX, srcY), y counted from its top, stretched onto
// the box at (x, y).
struct DeviceImage {
    unsigned char const* dib = nullptr;
    std::size_t size = 0;
    int srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
    int x = 0, y = 0, width = 0, height = 0;
    // How its pixels combine with the page's: a raster operation (SRCCOPY
    // copies), and the drawing records' mix mode where they set one.
    std::uint32_t rasterOp = 0;
    std::optional<int> mix;
    // The page's transformation in force (xdvipdfmx's pdf:btrans, graphicx's
    // rotations), in device pixels: the box goes through it, turning the
    // picture. Null: upright in its box.
    Affine const* transform = nullptr;
    // A 32-bit DIB whose fourth bytes are the picture's alpha: it is painted
    // over what lies beneath (a PNG file's transparency).
    bool alpha = false;
};

class OutputDevice {
public:
    virtual ~OutputDevice() = default;

    // A page begins: the paper in its colour, 0x00BBGGRR.
    virtual void BeginPage(std::uint32_t background) = 0;
    // The faces of document font `id` for the page, before any of its glyphs;
    // `doubleByte` is null when the font has no double-byte codes.
    virtual void PrepareFont(int id, DeviceFont const& singleByte, DeviceFont const* doubleByte) = 0;
    // The colour of the glyphs drawn from now on, 0x00BBGGRR.
    virtual void SetGlyphColour(std::uint32_t colour) = 0;
    // How much the glyphs drawn from now on cover what lies beneath: 1
    // opaque, 0 not at all (pdf: content's fill opacity, XeTeX's font colours).
    virtual void SetGlyphOpacity(double opacity) { static_cast<void>(opacity); }
    // Draws a glyph. False when its font has none for the code (a face may
    // then draw its box for a missing glyph, a bitmap font draws nothing).
    virtual bool DrawGlyph(DeviceGlyph const& glyph) = 0;
    virtual void DrawRule(DeviceRule const& rule) = 0;
    virtual void DrawShape(DeviceShape const& shape) = 0;
    virtual void DrawImage(DeviceImage const& image) = 0;
    // Marks a box (right and bottom edges excluded) in `colour` over what
    // lies beneath, which stays visible: link areas shown to the user.
    virtual void MarkBox(int left, int top, int right, int bottom, std::uint32_t colour) = 0;
    // Cuts the glyphs and rules drawn from now on to a box of device pixels
    // (left, top, right, bottom; a clip a page's PostScript set), or no
    // longer with none.
    virtual void ClipTo(std::optional<std::array<double, 4>> const& box) { static_cast<void>(box); }
    // Whether anything drawn shows: passes that only place things (links,
    // anchors) skip what a page's PostScript and PDF drawing paint.
    virtual bool Shows() const { return true; }
    // Whether what a page's PostScript draws comes as a PDF page
    // (DrawPdfPage), to stay vectors, rather than painted on a raster.
    virtual bool TakesPdfPages() const { return false; }
    // Draws the first page of a PDF over what has been drawn, `toDevice`
    // taking its points (from its top-left corner, down) to device pixels.
    // A raster shows the hair lines of a PDF `asOnScreen` (ksdvi's own, which
    // holds no annotations) a pixel wide on whole pixels, as PDF viewers and
    // pdftoppm show them. False when the device leaves it to the raster after all.
    virtual bool DrawPdfPage(std::string const& pdf, Affine const& toDevice, bool asOnScreen = false) {
        static_cast<void>(pdf), static_cast<void>(toDevice), static_cast<void>(asOnScreen);
        return false;
    }
};

}  // namespace ksdvi

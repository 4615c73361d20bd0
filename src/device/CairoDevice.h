#pragma once
// The vector output device: paints on a Cairo context whose user space is the
// painter's device pixels (the caller scales it to the surface), so that on a
// PDF or SVG surface glyphs stay glyphs of their font programs (Cairo embeds
// them as subsets through FreeType, with the text each stands for), rules and
// shapes stay paths and pictures images at their own resolution. TeX's
// bitmap fonts become fonts of images (PDF's Type 3), one glyph per code, or
// where the surface cannot keep such fonts (SVG) one image per glyph.
//
// One device serves every page of an output file: a font program becomes one
// Cairo face, whatever its sizes and pages, so that the file embeds it once.

#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "device/OutputDevice.h"

namespace ksdvi {

class EncodingVector;
namespace gdi {
class FontFile;
class ScaledFont;
}  // namespace gdi

class CairoDevice final : public OutputDevice {
public:
    // Pixels of `dpi` dots per inch.
    CairoDevice(int dpi, bool bitmapFontsAsFonts);
    ~CairoDevice() override;
    CairoDevice(CairoDevice const&) = delete;
    CairoDevice& operator=(CairoDevice const&) = delete;

    // The next page: the context it is drawn on (the caller's), its size in
    // pixels, and the text of the glyphs its instructions set (UTF-8, by
    // instruction offset, in the order the glyphs are drawn). With
    // `backgroundLater`, the paper's colour waits for PaintBackground, to go
    // beneath what the page paints on a raster of its own.
    void StartPage(cairo_t* cr, int width, int height, std::multimap<int, std::string> texts, bool backgroundLater);

    void BeginPage(std::uint32_t background) override;
    void PaintBackground(cairo_t* cr) const;
    // The page's instructions have all been drawn: draws what the device
    // still holds (a run of glyphs), before the caller uses the context.
    void EndPage();
    void PrepareFont(int id, DeviceFont const& singleByte, DeviceFont const* doubleByte) override;
    void SetGlyphColour(std::uint32_t colour) override;
    void SetGlyphOpacity(double opacity) override;
    bool DrawGlyph(DeviceGlyph const& glyph) override;
    void DrawRule(DeviceRule const& rule) override;
    void DrawShape(DeviceShape const& shape) override;
    void DrawImage(DeviceImage const& image) override;
    void MarkBox(int left, int top, int right, int bottom, std::uint32_t colour) override;
    void ClipTo(std::optional<std::array<double, 4>> const& box) override;
    bool TakesPdfPages() const override;
    bool DrawPdfPage(std::string const& pdf, Affine const& toDevice, bool asOnScreen = false) override;

private:
    struct Face {
        cairo_font_face_t* cairoFace = nullptr;   // held by the device's cache
        std::shared_ptr<gdi::ScaledFont> scaled;  // codes to glyph indices
        cairo_matrix_t matrix{};                  // an em in pixels, shaped
        std::shared_ptr<BitmapFont const> bitmap;
        std::vector<unsigned> glyphs;  // a re-encoded face's glyph of each code
        int glyphCount = 0;
        bool slantedRows = false;
        double stroke = 0;  // the pen's width in pixels (DeviceFont::stroke)
        // Bitmap fonts: device pixels per pixel of the glyphs, and the faces
        // of the same font shrunk less, for glyphs a page enlarges.
        double pixel = 1;
        std::vector<std::unique_ptr<Face>> lessShrunk;
    };
    struct Slot {
        Face singleByte, doubleByte;
    };

    void MakeFace(DeviceFont const& from, Face& face);
    cairo_font_face_t* CairoFace(std::shared_ptr<gdi::FontFile const> const& file, bool emboldened);
    // Whether the surface embeds font programs (PDF), which then get Type 1
    // fonts as CFF.
    bool EmbedsFontPrograms() const;
    void ShowGlyph(Face const& face, unsigned index, DeviceGlyph const& glyph);
    void StrokeGlyph(Face const& face, cairo_glyph_t const& drawn, DeviceGlyph const& glyph);
    cairo_font_face_t* BitmapFace(std::shared_ptr<BitmapFont const> const& font, double em);
    void PaintBitmapGlyph(Face const& face, DeviceGlyph const& glyph);
    Face const& TurnedBitmapFace(Face& face, DeviceGlyph const& glyph);
    void SetColour(std::uint32_t colour);
    std::optional<std::string> TakeText(int instruction);
    void FlushGlyphs();

    cairo_t* cr_ = nullptr;
    int dpi_;
    bool bitmapFontsAsFonts_;
    int width_ = 0, height_ = 0;
    std::uint32_t glyphColour_ = 0;
    double glyphOpacity_ = 1;
    std::uint32_t background_ = 0xFFFFFF;
    bool backgroundLater_ = false;
    cairo_font_face_t* lastFace_ = nullptr;  // the font set on the context
    bool clipped_ = false;                   // a state saved for ClipTo's clip
    cairo_matrix_t lastMatrix_{};
    // Glyphs not yet handed to Cairo: one font, colour and kind of text.
    std::vector<cairo_glyph_t> run_;
    std::string runText_;
    std::vector<cairo_text_cluster_t> runClusters_;
    std::uint32_t runColour_ = 0;
    double runOpacity_ = 1;
    bool runNamed_ = false;  // each glyph with the text it stands for
    std::vector<std::unique_ptr<Slot>> slots_;
    std::map<std::pair<gdi::FontFile const*, bool>, cairo_font_face_t*> faces_;
    std::multimap<int, std::string> texts_;
    // A re-encoded face's glyph of each code, by file and encoding (which
    // live as long as the document the device draws).
    std::map<std::pair<gdi::FontFile const*, EncodingVector const*>, std::vector<unsigned>> encodedGlyphs_;
    std::map<BitmapFont const*, cairo_font_face_t*> bitmapFaces_;
    // Bitmap glyphs as images, by font, code and colour, made once each,
    // with their fonts kept.
    struct Mask {
        std::shared_ptr<BitmapFont const> font;
        cairo_surface_t* surface = nullptr;
    };
    std::map<std::tuple<BitmapFont const*, unsigned, std::uint32_t>, Mask> masks_;
};

}  // namespace ksdvi

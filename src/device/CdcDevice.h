#pragma once
// The raster output device: paints glyphs, rules and shapes on a drawing context of
// ksdvi's 2-D layer (Cairo, FreeType). A document font becomes the layer's
// fonts made from its face, one per transformation a page's PostScript turns
// it by; slanted Korean faces go through a glyph-sized scratch context.

#include <array>
#include <bitset>
#include <memory>
#include <utility>
#include <vector>

#include "device/OutputDevice.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi {

class CdcDevice final : public OutputDevice {
public:
    explicit CdcDevice(gdi::CDC& dc);
    ~CdcDevice() override;
    CdcDevice(CdcDevice const&) = delete;
    CdcDevice& operator=(CdcDevice const&) = delete;

    void BeginPage(std::uint32_t background) override;
    void PrepareFont(int id, DeviceFont const& singleByte, DeviceFont const* doubleByte) override;
    void SetGlyphColour(std::uint32_t colour) override;
    void SetGlyphOpacity(double opacity) override;
    bool DrawGlyph(DeviceGlyph const& glyph) override;
    void DrawRule(DeviceRule const& rule) override;
    void DrawShape(DeviceShape const& shape) override;
    void DrawImage(DeviceImage const& image) override;
    bool DrawPdfPage(std::string const& pdf, Affine const& toDevice, bool asOnScreen = false) override;
    void MarkBox(int left, int top, int right, int bottom, std::uint32_t colour) override;
    void ClipTo(std::optional<std::array<double, 4>> const& box) override;

private:
    void DrawImageThroughCairo(DeviceImage const& image);
    void DrawTurnedBitmapGlyph(BitmapFont const& font, DeviceGlyph const& glyph);
    struct Face {
        gdi::CFont font;
        std::shared_ptr<BitmapFont const> bitmap;
        bool slantedRows = false;
        // A re-encoded face's glyph of each code (0: none).
        std::vector<gdi::WORD> glyphs;
        // The codes looked for in a face that is not re-encoded, and those it lacks.
        std::bitset<256> checked, missing;
        // The font turned by a page's PostScript, by transformation.
        std::vector<std::pair<std::array<double, 4>, std::unique_ptr<gdi::CFont>>> turned;
    };
    struct Slot {
        Face singleByte, doubleByte;
    };

    static void MakeFont(DeviceFont const& from, Face& face);
    gdi::CFont* TurnedFont(Face& face, Affine const* transform);
    bool HasGlyph(Face& face, DeviceGlyph const& glyph, gdi::WORD& drawn, gdi::UINT& options);
    void Select(gdi::CFont* font, bool slantedRows);
    void CreateRowContext(gdi::CFont* font);
    void DrawThroughRows(DeviceGlyph const& glyph, gdi::WORD drawn, gdi::UINT options);

    gdi::CDC& dc_;
    // The context's clip before ClipTo cut it, while cut.
    std::optional<std::optional<gdi::Region>> beforeClip_;
    std::vector<std::unique_ptr<Slot>> slots_;
    // The scratch context of slanted faces, and the font it was made for.
    gdi::CFont* rowFont_ = nullptr;
    std::unique_ptr<gdi::CDC> rowDC_;
    std::unique_ptr<gdi::CBitmap> rowBitmap_;
    int rowMaxWidth_ = 0, rowAscent_ = 0, rowDescent_ = 0;
};

}  // namespace ksdvi

#pragma once
// A device that draws nothing, for passes over a page that want only where
// its things go (link areas, anchors): glyphs are not rasterised for them,
// Ghostscript and poppler not started.

#include "device/OutputDevice.h"

namespace ksdvi {

class NullDevice final : public OutputDevice {
public:
    void BeginPage(std::uint32_t) override {}
    void PrepareFont(int, DeviceFont const&, DeviceFont const*) override {}
    void SetGlyphColour(std::uint32_t) override {}
    bool DrawGlyph(DeviceGlyph const&) override { return true; }
    void DrawRule(DeviceRule const&) override {}
    void DrawShape(DeviceShape const&) override {}
    void DrawImage(DeviceImage const&) override {}
    void MarkBox(int, int, int, int, std::uint32_t) override {}
    bool Shows() const override { return false; }
};

}  // namespace ksdvi

// Fuzz target: a packed bitmap font (PK), as gftopk writes them for TeX's
// METAFONT fonts. The input is the file: it is parsed, made into glyphs as
// the renderer makes bitmap fonts (shrunk for a screen and whole for a
// printer) and its glyphs are drawn on a small device. Fonts are made from
// the parsed file, not read again from disk into the renderer's cache.

#include <cstdint>
#include <memory>
#include <string>

#include "FuzzEnvironment.h"
#include "font/PkFont.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"
#include "render/BitmapFont.h"

using namespace ksdvi::fuzz;

namespace {

constexpr int kGlyphsDrawn = 32;
// Fonts of more pixels are parsed only: a few bytes of run counts make
// millions of pixels, and making glyphs takes a pass over each of them
// (cmr10 at 300 dpi has 66,000).
constexpr size_t kPixelsShrunk = size_t(1) << 18;

ksdvi::gdi::RasterDevice& Device() {
    static std::unique_ptr<ksdvi::gdi::RasterDevice> device = ksdvi::gdi::RasterDevice::Create({64, 64, 96, 96});
    return *device;
}

// The glyph keeps the character's ink: whole, its pixels as they are;
// shrunk, each cell the share of its pixels that are set, rounded.
void CheckInk(ksdvi::PkFont::Char const& c, ksdvi::gdi::Glyph const& g, int shrink) {
    if (c.width == 0 || c.height == 0) return;
    if (shrink == 1) {
        FUZZ_CHECK(g.width == c.width && g.rows == c.height);
        for (size_t i = 0; i < c.pixels.size(); ++i) FUZZ_CHECK(g.coverage[i] == (c.pixels[i] ? 255 : 0));
        return;
    }
    uint64_t const cell = static_cast<uint64_t>(shrink) * static_cast<uint64_t>(shrink);
    uint64_t ink = 0, covered = 0;
    for (uint8_t pixel : c.pixels) ink += pixel != 0;
    for (uint8_t coverage : g.coverage) covered += coverage;
    uint64_t const exact = 255 * ink, shown = covered * cell, slack = g.coverage.size() * (cell / 2);
    FUZZ_CHECK(shown <= exact + slack && exact <= shown + slack);
}

void CheckShrunk(ksdvi::PkFont const& pk, ksdvi::BitmapFont const& font, int shrink) {
    ksdvi::gdi::CDC dc(Device());
    int drawn = 0;
    for (auto const& [code, c] : pk.GetChars()) {
        ksdvi::gdi::Glyph const* g = font.GetGlyph(code);
        FUZZ_CHECK(g != nullptr);
        FUZZ_CHECK(g->coverage.size() == static_cast<size_t>(g->width) * static_cast<size_t>(g->rows));
        FUZZ_CHECK(g->width <= c.width / shrink + 2 && g->rows <= c.height / shrink + 2);
        CheckInk(c, *g, shrink);
        // Whole, and cut by each edge of the device.
        if (drawn++ < kGlyphsDrawn)
            for (int at : {-8, 30, 60}) dc.DrawGlyphBitmap(at, at, *g);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    Device();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::string error;
    std::unique_ptr<ksdvi::PkFont> pk = ksdvi::PkFont::Parse(data, size, &error);
    FUZZ_CHECK((pk == nullptr) == !error.empty());
    if (!pk) return 0;
    size_t pixels = 0;
    for (auto const& [code, c] : pk->GetChars()) {
        FUZZ_CHECK(c.code == code);
        FUZZ_CHECK(c.width >= 0 && c.height >= 0 && c.width <= ksdvi::PkFont::MaxSide &&
                   c.height <= ksdvi::PkFont::MaxSide);
        FUZZ_CHECK(c.pixels.size() == static_cast<size_t>(c.width) * static_cast<size_t>(c.height));
        pixels += c.pixels.size();
    }
    FUZZ_CHECK(pixels <= static_cast<size_t>(ksdvi::PkFont::MaxPixels));
    if (pixels > kPixelsShrunk) return 0;

    for (int shrink : {4, 1}) {
        std::shared_ptr<ksdvi::BitmapFont const> font = ksdvi::BitmapFont::Make(*pk, shrink);
        FUZZ_CHECK(font != nullptr && font->GetShrink() == shrink);
        CheckShrunk(*pk, *font, shrink);
    }
    return 0;
}

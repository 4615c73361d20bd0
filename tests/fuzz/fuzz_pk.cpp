// Fuzz target: a packed bitmap font (PK), as gftopk writes them for TeX's
// METAFONT fonts. The input is the file: it is parsed, loaded as the
// renderer loads bitmap fonts (shrunk for a screen and whole for a printer)
// and its glyphs are drawn on a small device.

#include <cstdint>
#include <filesystem>
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

ksdvi::gdi::RasterDevice& Device() {
    static std::unique_ptr<ksdvi::gdi::RasterDevice> device = ksdvi::gdi::RasterDevice::Create({64, 64, 96, 96});
    return *device;
}

void CheckShrunk(ksdvi::PkFont const& pk, ksdvi::BitmapFont const& font, int shrink) {
    ksdvi::gdi::CDC dc(Device());
    int drawn = 0;
    for (auto const& [code, c] : pk.GetChars()) {
        ksdvi::gdi::Glyph const* g = font.GetGlyph(code);
        FUZZ_CHECK(g != nullptr);
        FUZZ_CHECK(g->coverage.size() == static_cast<size_t>(g->width) * static_cast<size_t>(g->rows));
        FUZZ_CHECK(g->width <= c.width / shrink + 2 && g->rows <= c.height / shrink + 2);
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
    for (auto const& [code, c] : pk->GetChars()) {
        FUZZ_CHECK(c.code == code);
        FUZZ_CHECK(c.width >= 0 && c.height >= 0 && c.width <= ksdvi::PkFont::MaxSide &&
                   c.height <= ksdvi::PkFont::MaxSide);
        FUZZ_CHECK(c.pixels.size() == static_cast<size_t>(c.width) * static_cast<size_t>(c.height));
    }

    // Bitmap fonts are kept by path: each input gets a path of its own (the
    // cache holds the last few only).
    static unsigned long counter = 0;
    std::string const path = ScratchFile("font-" + std::to_string(counter++) + ".pk");
    WriteFile(path, data, size);
    for (int shrink : {4, 1}) {
        std::shared_ptr<ksdvi::BitmapFont const> font = ksdvi::BitmapFont::Load(path, shrink, &error);
        FUZZ_CHECK(font != nullptr);
        CheckShrunk(*pk, *font, shrink);
    }
    std::filesystem::remove(path);
    return 0;
}

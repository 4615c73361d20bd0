#pragma once
// TeX's bitmap fonts on the device: the glyphs of a PK file, made at a whole
// multiple of the device resolution and shrunk by it into anti-aliased
// coverage, as dvipng does. Each file and shrink factor is read once per
// process; fonts are shared between drawers and threads and never change
// (but for the less shrunk fonts each finds for enlarged glyphs, under a lock).

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/gdi/ScaledFont.h"

namespace ksdvi {

class PkFont;

class BitmapFont {
public:
    // Null when the file cannot be read; the reason goes to `error`.
    static std::shared_ptr<BitmapFont const> Load(std::string const& pkPath, int shrink, std::string* error = nullptr);
    // The glyphs of a font read already, kept by no one else.
    static std::shared_ptr<BitmapFont const> Make(PkFont const& pk, int shrink);

    // The glyph of a code, null when the font has none. Its origin is the
    // character's reference point; `top` counts rows above the baseline.
    gdi::Glyph const* GetGlyph(uint32_t code) const {
        auto it = glyphs_.find(code);
        return it == glyphs_.end() ? nullptr : &it->second;
    }
    int GetShrink() const { return shrink_; }
    // For glyphs that a page's transformation enlarges `scale` times: the
    // same font shrunk less, so that a pixel of it stays about a device
    // pixel. Null when this font serves (a glyph not enlarged, a font not
    // shrunk or not read from a file). Found once per font and shrink.
    std::shared_ptr<BitmapFont const> ForEnlargement(double scale) const;

private:
    int shrink_ = 1;
    std::string path_;  // the PK file it was read from
    mutable std::mutex lessShrunkLock_;
    mutable std::vector<std::pair<int, std::shared_ptr<BitmapFont const>>> lessShrunk_;
    std::unordered_map<uint32_t, gdi::Glyph> glyphs_;
};

// How much finer than the device a bitmap font is made: glyphs at 600 to 1200
// dots per inch shrink into smooth edges on screens, printers take them as
// they are.
int BitmapShrinkFor(double deviceDpi);

}  // namespace ksdvi

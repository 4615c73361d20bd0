// A font face at one device size and shape (height, horizontal scale,
// escapement, synthetic bold and slant), with its rendered glyphs cached.
// Instances are shared between device contexts and threads: glyphs are
// immutable once made and codes below 0x100 and 0xF000-0xF0FF are found
// without locking.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/gdi/FontFile.h"
#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

struct Glyph {
    int left = 0;  // bitmap position relative to the pen, device pixels
    int top = 0;   // rows above the baseline
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;  // width x rows
    double advanceX = 0;                 // device pixels, y down
    double advanceY = 0;
};

// Glyphs are kept whole up to this many pixels to the em (a glyph's bitmap
// of 16 MiB); larger ones are drawn magnified from it, up to the other.
inline constexpr double kLargestKeptEm = 4096;
inline constexpr double kLargestMagnifiedEm = 1 << 20;

struct ScaledFontKey {
    std::shared_ptr<const FontFile> file;
    double em = 0;       // pixels per em, at most kLargestKeptEm
    double magnify = 1;  // glyphs drawn this many times larger: Part
    double xScale = 1;   // horizontal squeeze or stretch
    int escapement = 0;  // tenths of a degree, counter-clockwise
    bool emboldened = false;
    double slant = 0;  // x += slant * y in outline space: synthetic italics, SlantFont
    // Applied last, in device space (y down): x' = t[0] x + t[2] y, y' = t[1] x + t[3] y.
    std::array<double, 4> transform{1, 0, 0, 1};
    bool hinted = true;  // lightly; glyphs turned or leaning never are
    double stroke = 0;   // FontShape::stroke

    bool operator==(const ScaledFontKey& o) const {
        return file == o.file && em == o.em && magnify == o.magnify && xScale == o.xScale &&
               escapement == o.escapement && emboldened == o.emboldened && slant == o.slant &&
               transform == o.transform && hinted == o.hinted && stroke == o.stroke;
    }
};

class ScaledFont {
public:
    // Shared instance for the key; null when the face cannot be opened.
    static std::shared_ptr<ScaledFont> Get(const ScaledFontKey& key);
    ~ScaledFont();
    ScaledFont(const ScaledFont&) = delete;
    ScaledFont& operator=(const ScaledFont&) = delete;

    // Never null: a code the face lacks draws its .notdef glyph. A magnified
    // font's glyphs have their box and advance, not their pixels: Part
    // draws them.
    const Glyph& GlyphForCode(std::uint32_t code);
    const Glyph& GlyphForIndex(std::uint32_t index);
    // What falls into `window` (device pixels) of a magnified font's glyph
    // with its pen at (x, y): made anew for each drawing, so that a glyph
    // larger than the page costs no more than the part that shows.
    std::shared_ptr<const Glyph> PartForCode(std::uint32_t code, int x, int y, const RECT& window);
    std::shared_ptr<const Glyph> PartForIndex(std::uint32_t index, int x, int y, const RECT& window);
    bool IsMagnified() const { return key_.magnify > 1; }
    // The glyph a code reaches, 0 when the face has none for it.
    std::uint32_t GlyphIndexForCode(std::uint32_t code);

    const ScaledFontKey& Key() const { return key_; }
    bool IsSymbol() const { return key_.file->Mapping() != CodeMapping::Unicode; }
    double Em() const { return key_.em * key_.magnify; }
    double Ascent() const { return ascent_; }
    double Descent() const { return descent_; }
    // Measured on first use: it can take decoding every glyph.
    double AverageWidth() const;
    double MaxWidth() const { return maxWidth_; }
    double Cos() const { return cos_; }
    double Sin() const { return sin_; }

private:
    explicit ScaledFont(const ScaledFontKey& key);
    bool Open();
    std::uint32_t GlyphIndexLocked(std::uint32_t code);
    const Glyph& RenderLocked(std::uint32_t glyphIndex);
    // Loads the glyph's outline into the face's slot, as this font draws it;
    // its advance in pixels, or a negative value when it has no outline.
    double LoadOutlineLocked(std::uint32_t glyphIndex, FT_Int32 flags);
    std::shared_ptr<const Glyph> PartLocked(std::uint32_t glyphIndex, int x, int y, const RECT& window);
    Glyph MakePartLocked(std::uint32_t glyphIndex, int x, int y, const RECT& window);

    ScaledFontKey key_;
    FT_Size size_ = nullptr;  // this font's size on the file's shared face
    FT_Matrix matrix_{};      // and its transformation, set before each glyph
    FT_CharMap unicode_ = nullptr;
    FT_CharMap builtIn_ = nullptr;
    FT_CharMap symbol_ = nullptr;
    double ascent_ = 0, descent_ = 0, maxWidth_ = 0;
    double cos_ = 1, sin_ = 0;

    std::mutex lock_;
    // Codes 0x00-0xFF in slots 0-255, 0xF000-0xF0FF in slots 256-511.
    std::array<std::atomic<const Glyph*>, 512> fast_{};
    std::unordered_map<std::uint32_t, const Glyph*> byCode_;
    std::unordered_map<std::uint32_t, const Glyph*> byIndex_;
    std::deque<Glyph> glyphs_;  // stable addresses
    // The parts made last, for a glyph drawn again where it was in the same
    // window (glyphs TeX stacks, a page drawn again): a glyph, its pen from
    // the window's corner and the window's size.
    struct Part {
        std::uint32_t index;
        std::array<LONG, 4> place;
        std::shared_ptr<const Glyph> glyph;
    };
    std::deque<Part> parts_;
};

}  // namespace ksdvi::gdi

#pragma once
// XeTeX's records in XDV files: a native font's definition and the runs of
// glyphs set in native fonts, read from the bytes after their opcode. Their
// layouts differ between identification bytes 5, 6 and 7. Every length is
// checked against the bytes there are: a record that claims more is refused.

#include <cstddef>
#include <cstdint>
#include <string>

#include "dvi/DviOpcodes.h"
#include "stream/BigEndian.h"

namespace ksdvi::dvi {

// What define_native_font's flags say follows its names.
constexpr uint16_t kNativeVertical = 0x0100;
constexpr uint16_t kNativeColoured = 0x0200;    // rgba[4]
constexpr uint16_t kNativeVariations = 0x0800;  // (5 only) n[2], n axes[4], n values[4]
constexpr uint16_t kNativeExtend = 0x1000;      // [4], 16.16
constexpr uint16_t kNativeSlant = 0x2000;       // [4], 16.16
constexpr uint16_t kNativeEmbolden = 0x4000;    // [4], 16.16

// define_native_font k[4] size[4] flags[2], then
//   6, 7: l[1] name[l] index[4]
//   5:    l[1] lf[1] ls[1] name[l] family[lf] style[ls]
// then what the flags say.
struct NativeFontDefinition {
    uint32_t number = 0;
    int32_t size = 0;  // DVI units
    uint16_t flags = 0;
    std::string name;  // 6, 7: the font file; 5: the PostScript name
    std::string family, style;
    uint32_t index = 0;          // the face in a collection
    uint32_t rgba = 0x000000FF;  // opaque black
    int32_t extend = 0x10000;    // horizontal scale, 16.16
    int32_t slant = 0;           // 16.16
    int32_t embolden = 0;        // 16.16
};

// Reads the definition from `bytes` (those after the opcode, `avail` of
// them); the record's length, or -1 when it does not fit.
long ReadNativeFontDefinition(unsigned char const* bytes, size_t avail, unsigned id, NativeFontDefinition& out);

// The bytes of the record's fixed head, and the length its head says the
// whole record has (-1: not a record of `id`); a reader that streams reads
// the head first.
size_t NativeFontHeadBytes(unsigned id);
long NativeFontLengthFromHead(unsigned char const* head, unsigned id);
// The bytes after the names of the optional parts that have fixed lengths.
size_t NativeFontFlagBytes(uint16_t flags);

// set_glyphs (253) w[4] n[2] (x[4] y[4])[n] glyph[2][n]
// set_text_and_glyphs (7: 254) l[2] text[2l] (UTF-16), then as set_glyphs
// glyph_string (5: 254) w[4] n[2] x[4][n] glyph[2][n]
struct GlyphRun {
    int32_t width = 0;  // how far h moves
    unsigned count = 0;
    unsigned textLength = 0;  // UTF-16 units
    unsigned char const* positions = nullptr;
    unsigned char const* glyphs = nullptr;
    unsigned char const* text = nullptr;
    bool vertical = true;  // positions carry y

    int32_t X(unsigned i) const { return BigEndianSigned(positions + i * (vertical ? 8 : 4), 4); }
    int32_t Y(unsigned i) const { return vertical ? BigEndianSigned(positions + i * 8 + 4, 4) : 0; }
    unsigned Glyph(unsigned i) const { return BigEndianUnsigned(glyphs + 2 * i, 2); }
    unsigned TextUnit(unsigned i) const { return BigEndianUnsigned(text + 2 * i, 2); }
};

// Whether `op` is a glyph run in files of `id`.
constexpr bool IsGlyphRun(unsigned op, unsigned id) {
    return (op == kSetGlyphs && IsXdvId(id)) || (op == kSetTextAndGlyphs && (id == kXdvIdNames || id == kXdvId));
}

// Reads the run from `bytes` (those after the opcode); its length, or -1.
long ReadGlyphRun(unsigned op, unsigned id, unsigned char const* bytes, size_t avail, GlyphRun& out);

}  // namespace ksdvi::dvi

#pragma once
// How the renderer paints a TeX font: with an outline face (the font program
// the map names, a face installed under the font's own name, or one of the
// built-in table), with a bitmap font from METAFONT where no outline face
// exists, or with fontconfig's substitute when neither can be had. Virtual
// fonts paint nothing of their own.

#include <memory>
#include <string>

#include "device/OutputDevice.h"
#include "dvi/KsDvi.h"
#include "page/PixelMapping.h"
#include "platform/gdi/FontFile.h"
#include "render/BitmapFont.h"

class KPathSea;

namespace ksdvi {

struct FontPainting {
    enum class Kind { Outline, Bitmap, Substitute, Virtual };
    Kind kind = Kind::Substitute;

    // Outline and Substitute: the face drawn, and the sizes and style asked
    // of it, in DVI units (a height of 0 is the font's size; a width of 0
    // keeps the face's proportions; weight 0 is normal).
    std::shared_ptr<gdi::FontFile const> face;
    int height = 0, width = 0, weight = 0, italic = 0;
    std::string fontFile;  // the font program the map names, where found

    // Bitmap: the PK file and its resolution.
    std::shared_ptr<BitmapFont const> bitmap;
    std::string pkFile;
    unsigned dpi = 0;

    std::string problem;  // why no bitmap font could be had, for Substitute
};

// Chooses for `font` on a device of `deviceDpi` dots per inch (zoom included).
FontPainting ChooseFontPainting(KsDvi const& dvi, KsDvi::ItrnFont const& font, double deviceDpi);

// The face of a double-byte font's map entry, found by its face name
// (substituted when missing).
std::shared_ptr<gdi::FontFile const> DoubleByteFace(KsDvi::ItrnFont const& font);

// The faces of `font` as a device draws them at a page's scale: the one
// `painting` chose for its single-byte codes, and its double-byte face.
DeviceFont SingleByteDeviceFont(FontPainting const& painting, KsDvi::ItrnFont const& font, PixelMapping const& pixels);
DeviceFont DoubleByteDeviceFont(KsDvi::ItrnFont const& font, PixelMapping const& pixels);
// A native font's face at its size, extended, slanted and emboldened as its
// definition asks.
DeviceFont NativeDeviceFont(FontPainting const& painting, KsDvi::ItrnFont const& font, PixelMapping const& pixels);

// A JFM font's face at its size: its glyphs are drawn by index, from the
// Unicode character of each code.
DeviceFont JapaneseDeviceFont(FontPainting const& painting, KsDvi::ItrnFont const& font, PixelMapping const& pixels);

char const* FontPaintingKindName(FontPainting::Kind kind);

// The finder a document uses for TeX's files: its own, or the process's.
KPathSea& FinderOf(KsDvi const& dvi);

// Where a font program the map names is (type1, TrueType or OpenType, found
// through kpathsea, or a path), looked for once per process; "" when nowhere.
std::string FindFontProgram(KPathSea& finder, std::string const& file);

}  // namespace ksdvi

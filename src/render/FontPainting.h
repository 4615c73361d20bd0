#pragma once
// How the renderer paints a TeX font: with an outline face (named by the map,
// installed under the font's own name, or from the built-in table), with a
// bitmap font from METAFONT where no outline face exists, or with whatever the
// system's font mapper substitutes when neither can be had. Virtual fonts
// paint nothing of their own.

#include <memory>
#include <string>

#include "dvi/KsDvi.h"
#include "platform/gdi/Types.h"
#include "render/BitmapFont.h"

class KPathSea;

namespace ksdvi {

struct FontPainting {
    enum class Kind { Outline, Bitmap, Substitute, Virtual };
    Kind kind = Kind::Substitute;

    // Outline and Substitute: the face's description as the enumeration gives
    // it (no face name: the mapper chooses), and the sizes and style chosen
    // for it, in DVI units (a height of 0 is the font's size).
    gdi::LOGFONTA logFont{};
    int height = 0, width = 0, weight = 0, italic = 0;
    std::string fontFile;  // the font program registered for it, if any

    // Bitmap: the PK file and its resolution.
    std::shared_ptr<BitmapFont const> bitmap;
    std::string pkFile;
    unsigned dpi = 0;

    std::string problem;  // why no bitmap font could be had, for Substitute
};

// Chooses for `font` on a device of `deviceDpi` dots per inch (zoom included),
// registering the font program its map entry names. `dc` is the device whose
// faces count (null: the process's).
FontPainting ChooseFontPainting(KsDvi const& dvi, KsDvi::ItrnFont const& font, double deviceDpi, gdi::CDC* dc);

char const* FontPaintingKindName(FontPainting::Kind kind);

// The finder a document uses for TeX's files: its own, or the process's.
KPathSea& FinderOf(KsDvi const& dvi);

// Makes a font program of the TeX installation (type1, TrueType or OpenType,
// found through kpathsea, or a path) available to the platform's font catalog,
// once per process. Its path, or "" when it cannot be found or read.
std::string RegisterFontProgram(KPathSea& finder, std::string const& file);

}  // namespace ksdvi

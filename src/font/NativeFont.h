#pragma once
// A font XeTeX sets by glyph index (an OpenType or TrueType face, found by
// file or by name), with the look its definition asks for.

#include <cstdint>
#include <string>

namespace ksdvi {

struct NativeFont {
    std::string file;  // a font file's path or name, or a face name
    // Where no file is named (the oldest files): the face's names.
    std::string postScriptName, family, style;
    unsigned index = 0;  // the face in a collection
    bool coloured = false;
    uint32_t rgba = 0x000000FF;
    double extend = 1, slant = 0, embolden = 0;
    bool vertical = false;
};

}  // namespace ksdvi

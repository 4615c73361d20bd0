#pragma once
// Which face paints a native font of XeTeX. The file its definition names is
// read where a document may make ksdvi read (its own tree, directories the
// user allows), or found by its name through kpathsea (the TeX installation,
// and the system's font directories kpathsea searches), or is a font file
// fontconfig lists; a name without a file is a face fontconfig finds.

#include <memory>
#include <string>

#include "dvi/KsDvi.h"
#include "font/NativeFont.h"
#include "platform/gdi/FontFile.h"

namespace ksdvi {

struct NativeFace {
    std::shared_ptr<gdi::FontFile const> face;  // null: none could be had
    std::string file;                           // the file read
    std::string problem;                        // why there is none
};

NativeFace FindNativeFace(KsDvi const& dvi, NativeFont const& font);

}  // namespace ksdvi

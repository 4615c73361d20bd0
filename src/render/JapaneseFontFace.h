#pragma once
// Which face paints a JFM font of pTeX or upTeX: the first entry of
// dvipdfmx's maps whose font is a file kpathsea finds (or one fontconfig
// lists), or a face fontconfig knows by that name.

#include "dvi/KsDvi.h"
#include "font/JapaneseFont.h"
#include "render/NativeFontFace.h"

namespace ksdvi {

NativeFace FindJapaneseFace(KsDvi const& dvi, JapaneseFont const& font);

}  // namespace ksdvi

#include "font/TeXFonts.h"

namespace ksdvi {

TeXFonts::TeXFonts() : map_(std::make_unique<KsDviTTFMap>()) {
    installedMap_ = finder_.Find("pdftex.map", KPathSea::Format::FontMap);
    if (!installedMap_.empty() && !map_->AppendPdftexMapFile(installedMap_.c_str())) installedMap_.clear();
}

TeXFonts& TeXFonts::Default() {
    static TeXFonts fonts;
    return fonts;
}

}  // namespace ksdvi

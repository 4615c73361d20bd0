#include "render/PageColourCollector.h"

#include <algorithm>
#include <string>

#include "specials/DvipsColour.h"
#include "specials/PdfDrawingSpecials.h"
#include "specials/PdfSpecials.h"

namespace ksdvi {

bool PageColourCollector::Collect(KsDvi& dvi, int page) {
    spots_ = &dvi.GetSpotColours();
    int const depth = std::min(dvi.GetPageColorStackSize(page), kColourStack - 1);
    unsigned int const* stack = dvi.GetPageColorStack(page);
    for (int i = 0; i < depth; ++i) colours_[i] = stack[i];
    depth_ = std::max(depth, 1);
    if (depth == 0) colours_[0] = 0;
    startColour_ = colours_[depth_ - 1];
    if (!Open(dvi, page)) return false;
    try {
        Draw(-1);
    } catch (MalformedDviError const&) {
        // what came before the damage is collected
    }
    Close();
    return true;
}

std::optional<unsigned int> PageColourCollector::ColourAfter(std::string_view special) {
    std::optional<DvipsColorChange> change;
    if (special.starts_with(kDvipsColorKeyword)) {
        std::string words(special.substr(kDvipsColorKeyword.size()));
        change = ParseDvipsColorWords(reinterpret_cast<unsigned char*>(words.data()), spots_);
    } else if (special.starts_with("pdf:")) {
        std::string_view const text = special.substr(4);
        std::string_view const keyword = PdfKeywordOf(text);
        change = PdfColourChange(keyword, AfterPdfKeyword(text, keyword), spots_);
    }
    if (!change) return std::nullopt;
    ApplyDvipsColorChange(*change, colours_, depth_, kColourStack);
    return colours_[depth_ - 1];
}

}  // namespace ksdvi

#pragma once
// How a JFM font of pTeX or upTeX is painted, as dvipdfmx's map files say:
// the CMap that says what its codes are, and the faces the entries name.

#include <memory>
#include <string>
#include <vector>

namespace ksdvi {

class CidCharacters;

struct JapaneseFont {
    struct Face {
        std::string map;     // the map file of the entry; "" for a line of the document
        std::string font;    // a font file (found through kpathsea) or a face name
        unsigned index = 0;  // the face in a collection (":n:" of the entry)
    };
    // The entries for the font, the active map's first; the painter takes the
    // first face it can open. Empty when no map has one.
    std::vector<Face> faces;
    bool unicode = false;   // codes are Unicode (upTeX, UniJIS-UTF*), else JIS X 0208
    bool vertical = false;  // a vertical CMap (V, -V): glyphs stand upright down the page
    bool cids = false;      // codes are CIDs (Identity-H, -V) of Adobe-Japan1
    // Their characters, when codes are CIDs and the installation has them.
    std::shared_ptr<CidCharacters const> cidCharacters;
    std::string cmap;       // the CMap's name, as the first entry gives it
};

}  // namespace ksdvi

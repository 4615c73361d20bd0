#pragma once
// The colours a document defines, and how its CMYK shows (below).
// Spot colours as xdvipdfmx shows them (xespotcolor writes them). A colour
// special "spot NAME TINT" names a Separation colour space that the document
// put in the page's resources (pdf:bcolor may name such an object itself):
//   pdf:put @resources << /ColorSpace << /NAME [/Separation /Ink ALT FN] >> >>
// with FN a function dictionary, inline or a named object (pdf:obj @fn <<…>>).
// The spot shows in its alternate space ALT (DeviceCMYK, DeviceRGB or
// DeviceGray): the tint through FN. Exponential functions (type 2), the kind
// spot colour packages write, are evaluated; a spot with any other stays
// unknown, as does one whose space was never put.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "specials/PdfObjects.h"

namespace ksdvi {

class SpotColours {
public:
    // Bounds on what a hostile document can make ksdvi keep.
    static constexpr size_t kMostEntries = 4096;
    // xespotcolor's Pantone table is a put of 90 KB, on every page.
    static constexpr size_t kLongestDefinition = size_t(1) << 20;
    // All the definitions read, together: what the table can hold.
    static constexpr size_t kMostDefinitionBytes = size_t(16) << 20;

    // A pdf: special's text after "pdf:" that may define a colour space or
    // a function; any other is passed over at the cost of a keyword check.
    void Define(std::string_view special);

    // The colour (0x00BBGGRR) of `name` at `tint` (held to 0..1); nullopt
    // when the document defined no such spot, or not one ksdvi can evaluate.
    std::optional<unsigned int> Colour(std::string_view name, double tint) const;
    // The same of the Separation space that the named object `object` (a
    // pdf:obj without its "@") is, as LaTeX's l3color writes it for
    // pdf:bcolor: "@object [TINT]".
    std::optional<unsigned int> ObjectColour(std::string_view object, double tint) const;

    // A literal PostScript header (`!` special) that may define a
    // separation as LaTeX's l3color does for dvips, a procedure that sets
    // the space:
    //   TeXDict begin /NAME{[ /Separation (INK) [ /ALT ] {TRANSFORM}]
    //   setcolorspace} def end
    // with ALT a device space and TRANSFORM of numbers and stack and
    // arithmetic words (l3color's scales the alternate's values by the
    // tint). Any other procedure is passed over.
    void DefinePostScript(std::string_view header);
    // The colour of such a separation at `tint` (held to 0..1), as the
    // colour special "separation NAME TINT" asks; nullopt for an unknown NAME.
    std::optional<unsigned int> PostScriptColour(std::string_view name, double tint) const;

    // How the document's CMYK colours show, spots' alternates and colour
    // specials alike: as Ghostscript shows dvips' pages (the default), or,
    // in a document made for (x)dvipdfmx, as poppler shows the PDF it makes.
    void ShowCmykAsPoppler(bool asPoppler) { cmykAsPoppler_ = asPoppler; }
    bool ShowsCmykAsPoppler() const { return cmykAsPoppler_; }

private:
    std::optional<unsigned int> SeparationColour(PdfObject const* space, double tint) const;
    PdfObject const* Resolved(PdfObject const& object) const;
    void Keep(std::map<std::string, PdfObject, std::less<>>& into, std::string name, PdfObject value);

    std::map<std::string, PdfObject, std::less<>> spaces_;   // NAME: its Separation array
    std::map<std::string, PdfObject, std::less<>> objects_;  // @name without "@": its value
    struct PostScriptSeparation {
        std::string alternate;               // DeviceCMYK, DeviceRGB or DeviceGray
        std::vector<std::string> transform;  // the tint transform's words
    };
    std::map<std::string, PostScriptSeparation, std::less<>> separations_;  // by the procedure's name
    size_t bytesLeft_ = kMostDefinitionBytes;
    size_t lastPut_ = 0;  // the hash of the last put read: the same put again is passed over
    bool cmykAsPoppler_ = false;
};

}  // namespace ksdvi

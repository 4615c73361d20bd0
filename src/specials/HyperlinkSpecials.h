#pragma once
// The hyperlink specials, read once for the document's anchors and for the
// renderer's link areas:
//   html:<a href="DEST" target="FRAME">   a link whose area grows from what is
//                                         drawn until html:</a>
//   html:<a name="NAME">                  an anchor at the current point
//   hypertext: X Y W H ref=DEST [target=FRAME]   a link area in DVI units
//   hypertext: X Y W H name=NAME                 an anchor at (X, Y)
// The document accepts hypertext anchors more loosely than the renderer
// accepts areas: the integers may be missing, and bytes 0x80 to 0xFF separate.

#include <optional>

#include "stream/String8.h"

namespace ksdvi {

struct HtmlSpecial {
    enum class Kind {
        Ignored,    // malformed, or an element neither side uses
        NotAnchor,  // '<' and a first letter other than a: the document tries its other keywords
        Link,       // <a href= ...>: href, target ("_self" when none)
        Name,       // <a name= ...>: name
        End,        // </a>
    };
    Kind kind = Kind::Ignored;
    String8 href, target, name;
};
// `args` follows "html:" and is NUL-terminated.
HtmlSpecial ParseHtmlSpecial(unsigned char* args);

// The anchor name of a hypertext special as the document reads it.
std::optional<String8> ParseHypertextAnchor(unsigned char* args);

struct HypertextSpecial {
    int x = 0, y = 0, width = 0, height = 0;  // DVI units
    bool anchor = false;                      // name=: `value` is the anchor; else ref=: `value` is the destination
    String8 value;
    String8 target;  // "_self" when none
};
// As the renderer reads it: four integers, then name= or a non-empty ref=
// with an optional non-empty target=.
std::optional<HypertextSpecial> ParseHypertextSpecial(unsigned char* args);

}  // namespace ksdvi

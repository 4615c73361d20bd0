#pragma once
// Hyperlinks and named anchors:
//   html:<a href="DEST" target="FRAME">  opens a link whose area grows from
//                                        what is drawn until html:</a>
//   html:<a name="NAME">                 an anchor at the current point
//   hypertext: X Y W H ref=DEST [target=FRAME]   a link area, DVI units,
//                                                absolute on the page
//   hypertext: X Y W H name=NAME                 an anchor at (X, Y)
// The document keeps the anchors' names; the painter places links and anchors.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class LinkHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Html, SpecialFamily::Hypertext};

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;
};

}  // namespace ksdvi

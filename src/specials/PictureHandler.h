#pragma once
// Pictures named by text specials, which the painter queues for drawing
// after the page:
//   graphics: DX DY NW NH TW TH TYPE FILE   at the current point + (DX, DY),
//                                           scaled TW/NW by TH/NH
//   psfile=FILE hoffset=.. voffset=.. hscale=.. vscale=.. llx=.. lly=.. urx=..
//     ury=.. rwi=.. rhi=..                  an EPS file placed as dvips places
//                                           it; what no keyword takes is read so
// The document keeps the pictures each page names.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class PictureHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Graphics};

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    // A special no keyword took, or whose handler passed it on: the
    // blank-separated key=value pairs of which only psfile is used.
    void ScanPsfile(SpecialScan& scan, unsigned char* text);
    void PaintPsfile(SpecialPage& page, unsigned char* text);
};

}  // namespace ksdvi

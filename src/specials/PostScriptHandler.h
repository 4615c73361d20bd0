#pragma once
// The PostScript specials the painter reads itself:
//   ps::[begin] W H LLX LLY URX URY   the frame of the next plotfile (psfig)
//   ps: plotfile FILE                 an EPS file scaled to that frame
//   ps: SDict begin ... pdfmark       hyperref's areas, anchors and borders
// The page's own PostScript is run as a whole (PostScriptPage) before the
// page is painted.

#include "specials/SpecialHandler.h"
#include "specials/SpecialPage.h"

namespace ksdvi {

class PostScriptHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::PsBegin, SpecialFamily::Ps};

    void BeginPage(KsDvi const& document, int page) override;
    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;

private:
    PlotFrame frame_;
};

}  // namespace ksdvi

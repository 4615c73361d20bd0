#pragma once
// Runs pages through a painting drawer whose glyphs, rules and shapes go to a
// device that draws nothing (a page's PostScript is not run). What
// the drawer records while it draws, link areas and anchor positions, depends
// on the resolution and the DVI origin only, so nothing needs a page's pixels. The
// origin lies one inch from the top and left edges, as pages are drawn.

#include <functional>
#include <memory>
#include <string>

#include "dvi/KsDvi.h"
#include "platform/gdi/RasterDevice.h"

class KsDviDrawer;

class OffscreenPage {
public:
    explicit OffscreenPage(int dpi);
    ~OffscreenPage();

    // Draws `page`, looking for the anchor `anchor` (null for none), and hands
    // the drawer, still open, to `inspect`. False with Error() set when the
    // page cannot be opened, or is malformed (`inspect` then sees what was
    // drawn up to the fault).
    bool Run(KsDvi& dvi, int page, String8 const& anchor, std::function<void(KsDviDrawer const&)> const& inspect);
    std::string const& Error() const { return error_; }

private:
    int dpi_;
    std::unique_ptr<ksdvi::gdi::RasterDevice> device_;
    std::string error_;
};

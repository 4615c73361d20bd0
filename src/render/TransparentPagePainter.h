#pragma once
// Paints a page that Ghostscript delivers onto a device context with white as
// transparent, as an EPS picture or a page's PostScript lies on the page: a
// 1-bit mask whitens what the page covers (MERGEPAINT), then the colours are
// ANDed over it (SRCAND). Both go in bands of at most 32,000 bytes, so no
// bitmap of the whole page is made on the device side. Only the first page of
// a job is painted.

#include "platform/gdi/Cdc.h"
#include "platform/gs/GS.h"

namespace ksdvi {

class TransparentPagePainter : public GS::PageOutputter {
public:
    // The page's lower left corner goes to (left, bottom) of `out`. Jobs
    // render 24 bits a pixel.
    TransparentPagePainter(gdi::CDC* out, gdi::CDC* reference, int left, int bottom)
        : out_(out), reference_(reference), left_(left), bottom_(bottom) {}

    void OutputPage(int w, int h) override;

    int done = 0;  // the page has been painted

private:
    void Transfer(GS& gs, gdi::CDC& memory, gdi::BITMAPINFO& info, int w, int h, int band, gdi::DWORD rop);

    gdi::CDC* out_;
    gdi::CDC* reference_;
    int left_, bottom_;
};

}  // namespace ksdvi

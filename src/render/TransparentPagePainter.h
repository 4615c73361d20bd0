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
    // The page's lower left corner goes to (left, bottom) of `out`; `bits`
    // per pixel as the job renders them; a palette device's palette, or null.
    TransparentPagePainter(gdi::CDC* out, gdi::CDC* reference, gdi::CPalette* palette, int left, int bottom, int bits)
        : out_(out), reference_(reference), palette_(palette), left_(left), bottom_(bottom), bits_(bits) {}

    void OutputPage(int w, int h) override;

    int done = 0;  // the page has been painted

private:
    void Transfer(GS& gs, gdi::CDC& memory, gdi::BITMAPINFO& info, int w, int h, int band, gdi::DWORD rop);
    void MergePalette(GS& gs, gdi::CDC& memory);

    gdi::CDC* out_;
    gdi::CDC* reference_;
    gdi::CPalette* palette_;
    int left_, bottom_, bits_;
};

}  // namespace ksdvi

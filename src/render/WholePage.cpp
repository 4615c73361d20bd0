#include "render/WholePage.h"

#include <cmath>

#include "page/DocumentState.h"
#include "render/KsDviDrawer.h"

namespace gdi = ksdvi::gdi;

std::string DrawWholePage(KsDviDrawer& drawer, gdi::CDC& dc, KsDvi& dvi, int page, int dpi, double zoom,
                          String8 const& anchor, int rowsAbove) {
    int origin = static_cast<int>(std::lround(dpi * zoom));  // one inch
    return DrawPageAt(drawer, dc, dvi, page, zoom, origin, origin - rowsAbove, anchor);
}

std::string DrawPageAt(KsDviDrawer& drawer, gdi::CDC& dc, KsDvi& dvi, int page, double zoom, int originX, int originY,
                       String8 const& anchor) {
    if (!drawer.Open(dc, dvi, page, fpreal4::FromDouble(zoom), originX, originY, gdi::RGB(0, 0, 255), anchor))
        return ksdvi::PageUnreadable(page);
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        return ksdvi::MalformedOnPage(page, drawer.GetInstOffset());
    }
    return {};
}

#pragma once
// A whole page drawn the way ksdvi draws pages by default: the DVI origin one
// inch from the top and left edges of the paper, link text in blue.

#include <string>

#include "dvi/KsDvi.h"
#include "platform/gdi/Cdc.h"

class KsDviDrawer;

// Opens `page` on `dc` at `dpi` and `zoom` with the DVI origin one inch from
// the top and left edges and link text in blue, looking for `anchor` (null
// for none), and draws it whole. Empty when all went well, else what went
// wrong; the drawer stays open unless the page could not be opened. With
// `rowsAbove`, the device shows the page from that row down.
std::string DrawWholePage(KsDviDrawer& drawer, ksdvi::gdi::CDC& dc, KsDvi& dvi, int page, int dpi, double zoom,
                          String8 const& anchor, int rowsAbove = 0);
// The same with the DVI origin at device pixel (originX, originY).
std::string DrawPageAt(KsDviDrawer& drawer, ksdvi::gdi::CDC& dc, KsDvi& dvi, int page, double zoom, int originX,
                       int originY, String8 const& anchor);

namespace ksdvi {

// Runs up to `instructions` more of the page open in `drawer`, then the
// pictures it queued. True once the page has ended and is closed; `problem`
// then says why it was not drawn whole, and stays empty when it was;
// `broken`, when given, whether its instructions could not be read to the end.
bool ContinuePage(KsDviDrawer& drawer, int page, int instructions, std::string& problem, bool* broken = nullptr);

}  // namespace ksdvi

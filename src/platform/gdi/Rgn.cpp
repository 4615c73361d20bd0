#include "platform/gdi/Rgn.h"

namespace ksdvi::gdi {

BOOL CRgn::DeleteObject() {
    if (!created_) return FALSE;
    created_ = false;
    region_ = Region();
    return TRUE;
}

void CRgn::Assign(Region region) {
    region_ = std::move(region);
    created_ = true;
}

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) {
    if (created_) return FALSE;
    Assign(Region(RECT{l, t, r, b}));
    return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(const RECT* r) {
    return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : FALSE;
}

}  // namespace ksdvi::gdi

// Drawing pictures on the page. No format is decoded yet: every picture is
// left undrawn (and stays queued as not drawn).

#include "render/KsDviDrawer.h"

int KsDviDrawer::DrawPicture(PictInfo* p) { return DrawPictureRop(p, ksdvi::gdi::SRCCOPY); }

int KsDviDrawer::DrawPictureRop(PictInfo* /*p*/, unsigned long /*rop*/) { return 0; }

void KsDviDrawer::DrawAllPictures(CWnd* w) {
    if (!IsWorking()) return;
    for (PictInfo* p : pictList_) {
        DrawPicture(p);
        if (w) {
            w->InvalidateRect(nullptr, ksdvi::gdi::FALSE);
            w->UpdateWindow();
        }
    }
}

// The painting drawer's specials. Every special is first offered to the
// drawing-record interpreter; the drawer's own keywords follow.

#include "render/GdiSpecialInterpreter.h"
#include "render/KsDviDrawer.h"
#include "stream/DeviceRounding.h"

void KsDviDrawer::DoSpecial(unsigned int length, InstPtr text) {
    int x = RoundHalfAway(GetH() * hPixPerDvi_) + hOrigin_;
    int y = RoundHalfAway(GetV() * vPixPerDvi_) + vOrigin_;
    if (specials_->PlaySpecial(text.Get(), length, x, y)) return;
    // The document's binary records keep the Windows-font text state current.
    KsDviDrawerBase::DoSpecial(length, text);
}

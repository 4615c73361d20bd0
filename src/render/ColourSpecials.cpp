// Colour: the drawing colour of text, pens and brushes, and the page's colour
// stack, in ksdvi's keywords (components r g b in 0..1)
//   colorpush: R G B   colorpop:   color: R G B
// and in dvips' (DvipsColour.h), which TeX's colour packages write.

#include "dvi/DvipsColour.h"
#include "dvi/SpecialParsing.h"
#include "render/KsDviDrawer.h"

using namespace ksdvi;

void KsDviDrawer::SetCurColor(COLORREF color) {
    curColor_ = color;
    RenewPenBrush();
}

// Nothing is checked after the components.
void KsDviDrawer::ColorPushSpecial(unsigned char* p, unsigned char*) {
    unsigned int color = 0;
    if (!ReadRgbColor(p, &color)) return;
    SetCurColor(color);
    // A full stack drops the entry but keeps the change.
    if (colorStackSize_ < ColorStackSize) colorStack_[colorStackSize_++] = color;
}

void KsDviDrawer::ColorPopSpecial(unsigned char*, unsigned char*) {
    if (colorStackSize_ < 2) return;  // the page's bottom entry stays
    --colorStackSize_;
    SetCurColor(colorStack_[colorStackSize_ - 1]);
}

// Changes the colour, not the stack.
void KsDviDrawer::ColorSpecial(unsigned char* p, unsigned char*) {
    unsigned int color = 0;
    p = ReadRgbColor(p, &color);
    if (p && OnlyBlanksLeft(p)) SetCurColor(color);
}

void KsDviDrawer::DvipsColorSpecial(unsigned char* words, unsigned char*) {
    std::optional<DvipsColorChange> change = ParseDvipsColorWords(words);
    if (!change || (change->action == DvipsColorChange::Action::Pop && colorStackSize_ < 2)) return;
    ApplyDvipsColorChange(*change, colorStack_, colorStackSize_, ColorStackSize);
    SetCurColor(colorStack_[colorStackSize_ - 1]);
}

// The document keeps the background each page ends with, and Open paints the
// page with it: nothing is left to do while drawing.
void KsDviDrawer::DvipsBackgroundSpecial(unsigned char*, unsigned char*) {}

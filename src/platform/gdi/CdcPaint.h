// Internal to the CDC sources: the one place where drawing reaches pixels.
#pragma once

#include "platform/gdi/Cdc.h"
#include "platform/gdi/Compositor.h"

namespace ksdvi::gdi {

// Runs `paint` on the current surface inside the clip; a monochrome surface
// is brought back to black and white in `touched` afterwards.
template <typename F>
void CDC::Paint(const RECT& touched, F&& paint) {
    Surface* surface = GetSurface();
    if (!surface) return;
    const PaintTarget target{*surface, s_.clip ? &*s_.clip : nullptr};
    paint(target);
    if (surface->IsMonochrome()) surface->QuantizeToMonochrome(touched);
}

}  // namespace ksdvi::gdi

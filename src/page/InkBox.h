#pragma once
// The ink of a drawn page: the box of the pixels that are not its background.

#include <cstddef>
#include <cstdint>

#include "page/ImageFrame.h"

namespace ksdvi {

// Pixels are 32-bit 0x??RRGGBB words, `stride` words from one row to the
// next; the top byte is not looked at. The box is in the buffer's pixels,
// empty when every pixel is `background`.
PixelBox InkBox(std::uint32_t const* pixels, int width, int height, std::ptrdiff_t stride, std::uint32_t background);

}  // namespace ksdvi

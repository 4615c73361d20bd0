#include "page/InkBox.h"

#include <algorithm>

namespace ksdvi {

PixelBox InkBox(std::uint32_t const* pixels, int width, int height, std::ptrdiff_t stride, std::uint32_t background) {
    constexpr std::uint32_t kColour = 0x00FFFFFF;
    background &= kColour;
    PixelBox box{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        std::uint32_t const* row = pixels + y * stride;
        int x = 0;
        while (x < width && (row[x] & kColour) == background) ++x;
        if (x == width) continue;
        int right = width;
        while ((row[right - 1] & kColour) == background) --right;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, right), y + 1};
    }
    return box.IsEmpty() ? PixelBox{} : box;
}

}  // namespace ksdvi

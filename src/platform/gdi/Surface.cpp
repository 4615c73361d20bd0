#include "platform/gdi/Surface.h"

#include <algorithm>
#include <new>

namespace ksdvi::gdi {

Surface::Surface(int width, int height, bool monochrome)
    : width_(width), height_(height), monochrome_(monochrome),
      pixels_(std::size_t(width) * std::size_t(height)) {}

std::shared_ptr<Surface> Surface::Create(int width, int height, bool monochrome, Pixel fill) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  if (std::int64_t(width) * height > kMaxPixels) return nullptr;
  try {
    std::shared_ptr<Surface> s(new Surface(width, height, monochrome));
    s->Fill(monochrome ? NearestMonochrome(fill) : fill & kPixelMask);
    return s;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void Surface::Fill(Pixel p) {
  std::fill(pixels_.begin(), pixels_.end(), p);
  mayHaveColour_ = !IsGrey(p);
}

bool Surface::HasColour() const {
  return mayHaveColour_ && std::any_of(pixels_.begin(), pixels_.end(), [](Pixel p) { return !IsGrey(p); });
}

void Surface::QuantizeToMonochrome(const RECT& area) {
  const int l = std::max<int>(0, area.left), r = std::min<int>(width_, area.right);
  const int t = std::max<int>(0, area.top), b = std::min<int>(height_, area.bottom);
  for (int y = t; y < b; ++y) {
    Pixel* row = Row(y);
    for (int x = l; x < r; ++x) row[x] = NearestMonochrome(row[x]);
  }
}

std::shared_ptr<Surface> Surface::Clone() const {
  try {
    return std::make_shared<Surface>(*this);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace ksdvi::gdi

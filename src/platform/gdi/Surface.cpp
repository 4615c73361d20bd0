#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace ksdvi::gdi {

void Surface::Release::operator()(Pixel* p) const { std::free(p); }

Surface::Surface(int width, int height, bool monochrome)
    : width_(width),
      height_(height),
      monochrome_(monochrome),
      touched_(std::size_t(height), Span{0, width}),  // nothing is known until the first fill
      pixels_(static_cast<Pixel*>(std::malloc(std::size_t(width) * std::size_t(height) * sizeof(Pixel)))) {
    if (!pixels_) throw std::bad_alloc();
}

std::shared_ptr<Surface> Surface::Create(int width, int height, bool monochrome, Pixel fill, Filling filling) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    if (std::int64_t(width) * height > kMaxPixels) return nullptr;
    try {
        std::shared_ptr<Surface> s(new Surface(width, height, monochrome));
        s->rowByRow_ = filling == Filling::RowByRow;
        s->fill_ = ~Pixel(0);  // no fill yet: the first is a whole one
        s->Fill(monochrome ? NearestMonochrome(fill) : fill & kPixelMask);
        return s;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Surface::FillRow(int y) const {
    if (!unfilled_[std::size_t(y)]) return;
    unfilled_[std::size_t(y)] = false;
    --unfilledRows_;
    std::fill_n(pixels_.get() + std::size_t(y) * std::size_t(width_), width_, fill_);
}

void Surface::FillAllRows() const {
    for (int y = 0; unfilledRows_ && y < height_; ++y) FillRow(y);
}

void Surface::Fill(Pixel p) {
    if (p == fill_) {
        for (int y = 0; y < height_; ++y) {
            const Span t = touched_[std::size_t(y)];
            Pixel* row = pixels_.get() + std::size_t(y) * std::size_t(width_);
            if (!t.IsEmpty()) std::fill(row + t.left, row + t.right, p);
        }
    } else if (rowByRow_) {
        unfilled_.assign(std::size_t(height_), true);
        unfilledRows_ = height_;
    } else {
        std::fill_n(pixels_.get(), Count(), p);
    }
    std::fill(touched_.begin(), touched_.end(), Span{});
    fill_ = p;
    mayHaveColour_ = !IsGrey(p);
}

bool Surface::HasColour() const {
    if (!mayHaveColour_) return false;
    for (int y = 0; y < height_; ++y) {
        const Span t = touched_[std::size_t(y)];
        if ((t.left > 0 || t.right < width_) && !IsGrey(fill_)) return true;
        if (!t.IsEmpty() &&
            std::any_of(Row(y) + t.left, Row(y) + std::max(t.left, t.right), [](Pixel p) { return !IsGrey(p); }))
            return true;
    }
    return false;
}

void Surface::QuantizeToMonochrome(const RECT& area) {
    const int l = std::max<int>(0, area.left), r = std::min<int>(width_, area.right);
    const int t = std::max<int>(0, area.top), b = std::min<int>(height_, area.bottom);
    for (int y = t; y < b; ++y) {
        Pixel* row = RowToWrite(y, l, r);
        for (int x = l; x < r; ++x) row[x] = NearestMonochrome(row[x]);
    }
}

std::shared_ptr<Surface> Surface::Clone() const {
    try {
        std::shared_ptr<Surface> copy(new Surface(width_, height_, monochrome_));
        FillAllRows();
        std::copy_n(pixels_.get(), Count(), copy->pixels_.get());
        copy->mayHaveColour_ = mayHaveColour_;
        copy->fill_ = fill_;
        copy->touched_ = touched_;
        return copy;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::shared_ptr<Surface> Surface::Turned(int degrees) const {
    if (degrees != 90 && degrees != 180 && degrees != 270) return Clone();
    bool const sideways = degrees != 180;
    try {
        std::shared_ptr<Surface> turned(
            new Surface(sideways ? height_ : width_, sideways ? width_ : height_, monochrome_));
        turned->mayHaveColour_ = mayHaveColour_;
        turned->fill_ = fill_;
        int const w = turned->width_, h = turned->height_;
        for (int y = 0; y < h; ++y) {
            Pixel* out = turned->Row(y);
            for (int x = 0; x < w; ++x)
                out[x] = degrees == 90    ? At(y, height_ - 1 - x)
                         : degrees == 180 ? At(width_ - 1 - x, height_ - 1 - y)
                                          : At(width_ - 1 - y, x);
        }
        return turned;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace ksdvi::gdi

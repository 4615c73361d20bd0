// A pixel buffer that devices and bitmaps draw into: 32-bit BGRX pixels
// (0x00RRGGBB in a native word), rows top-down. A monochrome surface holds the
// same layout but only black and white pixels, as 1-bit bitmaps do in GDI.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

using Pixel = std::uint32_t;

constexpr Pixel kPixelMask = 0x00FFFFFF;
constexpr Pixel kWhitePixel = 0x00FFFFFF;
constexpr Pixel kBlackPixel = 0;

constexpr Pixel PixelFromColor(COLORREF c) {
    return Pixel(GetRValue(c)) << 16 | Pixel(GetGValue(c)) << 8 | GetBValue(c);
}
constexpr COLORREF ColorFromPixel(Pixel p) { return RGB(p >> 16, p >> 8, p); }
constexpr bool IsGrey(Pixel p) { return (p >> 16 & 0xFF) == (p >> 8 & 0xFF) && (p >> 8 & 0xFF) == (p & 0xFF); }

class Surface {
public:
    // Larger surfaces are refused rather than attempted.
    static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 29;
    static constexpr int kMaxSide = 1 << 17;

    // How a new surface takes its fill: all at once, or each row when first
    // written or read, for a large surface of which a page draws on a little
    // (touching fresh memory costs a page fault every 4 KiB). Reads fill rows
    // too, so a surface filled row by row must stay with one thread.
    enum class Filling { Now, RowByRow };
    // Null when the size is not positive or too large, or memory runs out.
    static std::shared_ptr<Surface> Create(int width, int height, bool monochrome, Pixel fill = kWhitePixel,
                                           Filling filling = Filling::Now);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsMonochrome() const { return monochrome_; }

    // Writers that may put colour here say so with NoteColour, which lets a
    // grey page be written without a scan for colour. Every pixel outside the
    // rows' touched spans still has the last fill's value: Row counts the whole
    // row as touched, RowToWrite only the pixels from `left` to `right`.
    Pixel* Row(int y) { return RowToWrite(y, 0, width_); }
    Pixel* RowToWrite(int y, int left, int right) {
        if (unfilledRows_) FillRow(y);
        Span& t = touched_[std::size_t(y)];
        if (left < right) t = t.IsEmpty() ? Span{left, right} : Span{std::min(t.left, left), std::max(t.right, right)};
        return pixels_.get() + std::size_t(y) * std::size_t(width_);
    }
    const Pixel* Row(int y) const {
        if (unfilledRows_) FillRow(y);
        return pixels_.get() + std::size_t(y) * std::size_t(width_);
    }
    Pixel At(int x, int y) const { return Row(y)[x]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // The pixels of row y that may differ from FillPixel: pages are mostly
    // blank, and clearing or encoding them can skip what was never drawn on.
    struct Span {
        int left = 0, right = 0;
        bool IsEmpty() const { return left >= right; }
    };
    Span Touched(int y) const { return touched_[std::size_t(y)]; }
    Pixel FillPixel() const { return fill_; }

    // Sets every pixel; after a fill with the same pixel, only the touched ones.
    void Fill(Pixel p);
    void NoteColour(Pixel p) {
        if (!IsGrey(p)) mayHaveColour_ = true;
    }
    void NoteColour() { mayHaveColour_ = true; }
    bool MayHaveColour() const { return mayHaveColour_; }
    // True when some pixel's red, green and blue differ.
    bool HasColour() const;
    // Maps every pixel of the rectangle to black or white by its brightness.
    void QuantizeToMonochrome(const RECT& area);
    // A copy of the pixels, for GetDIBits-like readers.
    std::shared_ptr<Surface> Clone() const;
    // A copy turned `degrees` clockwise (90, 180 or 270; else a plain copy),
    // every pixel touched; null when memory runs out.
    std::shared_ptr<Surface> Turned(int degrees) const;

private:
    Surface(int width, int height, bool monochrome);
    std::size_t Count() const { return std::size_t(width_) * std::size_t(height_); }
    // Gives row y the fill if it has not had it yet.
    void FillRow(int y) const;
    void FillAllRows() const;

    int width_;
    int height_;
    bool monochrome_;
    bool mayHaveColour_ = false;
    Pixel fill_ = kWhitePixel;
    std::vector<Span> touched_;
    // Rows filled row by row that have not had the fill yet.
    bool rowByRow_ = false;
    mutable std::vector<bool> unfilled_;
    mutable int unfilledRows_ = 0;
    struct Release {
        void operator()(Pixel* p) const;
    };
    // Left uninitialised until filled: pages are large.
    std::unique_ptr<Pixel[], Release> pixels_;
};

// Black or white, whichever the colour is nearer to.
constexpr Pixel NearestMonochrome(Pixel p) {
    const unsigned r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
    return (r * 299 + g * 587 + b * 114) >= 128000 ? kWhitePixel : kBlackPixel;
}

}  // namespace ksdvi::gdi

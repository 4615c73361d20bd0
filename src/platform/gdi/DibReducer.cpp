#include "platform/gdi/DibReducer.h"

#include <algorithm>
#include <cstring>

namespace ksdvi::gdi {

namespace {

std::uint64_t Blocks(int source, int factor) { return (std::uint64_t(source) + std::uint64_t(factor) - 1) / factor; }

std::uint64_t Stride(std::uint64_t width) { return (3 * width + 3) / 4 * 4; }

}  // namespace

int DibReducer::Factor(int source, int shown) {
    if (source <= 0) return 1;
    return std::clamp(source / std::max(shown, 1), 1, kMaxFactor);
}

std::uint64_t DibReducer::BytesFor(int width, int height, int factorX, int factorY) {
    if (width <= 0 || height <= 0 || factorX <= 0 || factorY <= 0) return 0;
    const std::uint64_t w = Blocks(width, factorX), h = Blocks(height, factorY);
    return 3 * sizeof(std::uint32_t) * w * h + sizeof(BITMAPINFOHEADER) + Stride(w) * h;
}

bool DibReducer::Start(int width, int height, int factorX, int factorY, int channels) {
    if (width <= 0 || height <= 0 || factorX < 1 || factorY < 1 || factorX > kMaxFactor || factorY > kMaxFactor ||
        (channels != 1 && channels != 3))
        return false;
    width_ = width, height_ = height, factorX_ = factorX, factorY_ = factorY, channels_ = channels;
    outWidth_ = int(Blocks(width, factorX));
    outHeight_ = int(Blocks(height, factorY));
    sums_.assign(std::size_t(channels) * std::size_t(outWidth_) * std::size_t(outHeight_), 0);
    return true;
}

namespace {

// The pixels of one row into the sums of its blocks; C channels a pixel.
template <int C>
void AddRow(std::uint32_t* row, int factor, int x0, int step, const unsigned char* pixels, int count) {
    if (step == 1) {
        // Runs of pixels of one block are summed before they are added.
        std::uint32_t* sum = row + C * std::size_t(x0 / factor);
        for (int x = x0, end = x0 + count, blockEnd = std::min(end, (x0 / factor + 1) * factor); x < end;
             blockEnd = std::min(end, blockEnd + factor), sum += C) {
            std::uint32_t run[C] = {};
            for (; x < blockEnd; ++x, pixels += C)
                for (int c = 0; c < C; ++c) run[c] += pixels[c];
            for (int c = 0; c < C; ++c) sum[c] += run[c];
        }
        return;
    }
    for (int i = 0, x = x0; i < count; ++i, x += step, pixels += C) {
        std::uint32_t* sum = row + C * std::size_t(x / factor);
        for (int c = 0; c < C; ++c) sum[c] += pixels[c];
    }
}

}  // namespace

void DibReducer::Add(int y, int x0, int step, const unsigned char* pixels, int count) {
    if (y < 0 || y >= height_ || x0 < 0 || step < 1 || count <= 0 || sums_.empty()) return;
    count = int(std::min<std::int64_t>(count, (std::int64_t(width_) - 1 - x0) / step + 1));
    std::uint32_t* row = sums_.data() + std::size_t(channels_) * std::size_t(y / factorY_) * std::size_t(outWidth_);
    if (channels_ == 1) {
        AddRow<1>(row, factorX_, x0, step, pixels, count);
    } else {
        AddRow<3>(row, factorX_, x0, step, pixels, count);
    }
}

std::vector<unsigned char> DibReducer::Finish(LONG xPelsPerMeter, LONG yPelsPerMeter) {
    if (sums_.empty()) return {};
    const std::size_t stride = std::size_t(Stride(std::uint64_t(outWidth_)));
    std::vector<unsigned char> dib(sizeof(BITMAPINFOHEADER) + stride * std::size_t(outHeight_), 0);
    BITMAPINFOHEADER h;
    h.biWidth = outWidth_;
    h.biHeight = outHeight_;
    h.biBitCount = 24;
    h.biSizeImage = DWORD(stride * std::size_t(outHeight_));
    h.biXPelsPerMeter = xPelsPerMeter;
    h.biYPelsPerMeter = yPelsPerMeter;
    std::memcpy(dib.data(), &h, sizeof h);
    unsigned char* bits = dib.data() + sizeof h;
    for (int oy = 0; oy < outHeight_; ++oy) {
        // Blocks at the right and bottom edges may hold fewer pixels.
        const std::uint32_t rows = std::uint32_t(std::min(factorY_, height_ - oy * factorY_));
        const std::uint32_t* sum = sums_.data() + std::size_t(channels_) * std::size_t(oy) * std::size_t(outWidth_);
        unsigned char* out = bits + std::size_t(outHeight_ - 1 - oy) * stride;
        for (int ox = 0; ox < outWidth_; ++ox, sum += channels_, out += 3) {
            const std::uint32_t n = rows * std::uint32_t(std::min(factorX_, width_ - ox * factorX_));
            // A grey sum gives all three.
            for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>((sum[channels_ == 1 ? 0 : c] + n / 2) / n);
        }
    }
    sums_.clear();
    sums_.shrink_to_fit();
    return dib;
}

}  // namespace ksdvi::gdi

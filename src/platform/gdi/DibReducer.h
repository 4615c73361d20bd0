#pragma once
// A picture far larger than it is shown, averaged over blocks of source
// pixels while it is decoded into a packed 24-bit DIB (a BITMAPINFOHEADER and
// BGR rows bottom-up, each padded to four bytes): memory follows what is
// shown, not what the file declares. Pixels may come in any order, as
// interlaced files send them.

#include <cstdint>
#include <vector>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class DibReducer {
public:
    // The sums of a block stay within 32 bits.
    static constexpr int kMaxFactor = 4096;

    // The largest factor that still leaves `shown` of `source` pixels (1:
    // none), at most kMaxFactor.
    static int Factor(int source, int shown);
    // What a reduction holds at its peak, at most: its sums and its DIB.
    static std::uint64_t BytesFor(int width, int height, int factorX, int factorY);

    // Starts on a picture of width x height source pixels of `channels`
    // bytes, blue, green, red or one grey; false for an empty picture or
    // factors out of range.
    bool Start(int width, int height, int factorX, int factorY, int channels = 3);
    int Width() const { return outWidth_; }
    int Height() const { return outHeight_; }

    // Adds `count` pixels of source row `y` (from the top) at columns x0,
    // x0 + step, ...; pixels outside the picture are left out.
    void Add(int y, int x0, int step, const unsigned char* pixels, int count);

    // The DIB of the blocks' averages, its header giving these densities.
    // The reducer is empty afterwards.
    std::vector<unsigned char> Finish(LONG xPelsPerMeter, LONG yPelsPerMeter);

private:
    int width_ = 0, height_ = 0, factorX_ = 1, factorY_ = 1, channels_ = 3;
    int outWidth_ = 0, outHeight_ = 0;
    std::vector<std::uint32_t> sums_;  // each block's channels, rows from the top
};

}  // namespace ksdvi::gdi

#pragma once
// What decoding one raster picture into a DIB may take. A decoder reads the
// file's header, asks for the size the picture is shown at and decodes no
// larger than it needs for that; it refuses before allocating when its DIB
// and working memory would pass `bytes`, and gives up at `deadline`, which it
// looks at between rows and scans.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

// What a picture file's header declares: its pixels, and its pixels per
// metre when the file gives them (0 when not).
struct DeclaredPicture {
    int width = 0;
    int height = 0;
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
};

struct DecodeBounds {
    using Clock = std::chrono::steady_clock;

    // The device pixels the whole picture is shown in (a side of 0 or less
    // shows nothing: one pixel will do); without it, the picture's own size.
    std::function<SIZE(DeclaredPicture const&)> shownAt;
    std::uint64_t bytes = std::uint64_t(1) << 30;
    Clock::time_point deadline = Clock::time_point::max();

    SIZE ShownAt(DeclaredPicture const& declared) const {
        SIZE shown = shownAt ? shownAt(declared) : SIZE{declared.width, declared.height};
        shown.cx = std::clamp<LONG>(shown.cx, 1, std::max(declared.width, 1));
        shown.cy = std::clamp<LONG>(shown.cy, 1, std::max(declared.height, 1));
        return shown;
    }
    bool Expired() const { return deadline != Clock::time_point::max() && Clock::now() >= deadline; }
};

enum class DecodeResult {
    Decoded,
    Damaged,        // not a file of the format, or damaged
    TooLarge,       // it would need more than `bytes`
    TooManyPixels,  // its header declares more than decoders read at all
    TooSlow,        // the deadline passed
};

}  // namespace ksdvi::gdi

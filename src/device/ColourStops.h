#pragma once
// The stops a gradient needs. poppler hands a PDF shading's colour function to
// Cairo as a stop wherever the colour moves by a few 256ths: a two-colour
// TikZ shading becomes 256 stops, which Cairo writes out one by one (an SVG
// element, or a PDF function object, each). Stops that lie on the straight
// line between their neighbours within half a 255th add nothing.

#include <cstddef>
#include <span>
#include <vector>

namespace ksdvi {

struct ColourStop {
    double offset = 0;
    double channel[4] = {};  // each from 0 to 1
};

// Half an 8-bit step.
constexpr double kStopTolerance = 0.5 / 255;

// The indices, ascending, of the stops of `stops` (in offset order, of
// `channels` channels each) that keep every channel of the gradient within
// `tolerance` of what all of them draw: always the first and the last.
std::vector<std::size_t> StopsToKeep(std::span<ColourStop const> stops, int channels,
                                     double tolerance = kStopTolerance);

}  // namespace ksdvi

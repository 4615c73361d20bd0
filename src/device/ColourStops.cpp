#include "device/ColourStops.h"

#include <cmath>

namespace ksdvi {

namespace {

// Longer gradients are left whole: the search below is quadratic.
constexpr std::size_t kMostStops = 1024;

// Whether the stops strictly between `from` and `to` lie on the line from one
// to the other.
bool OnLine(std::span<ColourStop const> stops, std::size_t from, std::size_t to, int channels, double tolerance) {
    ColourStop const& a = stops[from];
    ColourStop const& b = stops[to];
    double const span = b.offset - a.offset;
    if (!(span > 0)) return false;
    for (std::size_t k = from + 1; k < to; ++k) {
        double const t = (stops[k].offset - a.offset) / span;
        for (int c = 0; c < channels; ++c)
            if (!(std::fabs(a.channel[c] + t * (b.channel[c] - a.channel[c]) - stops[k].channel[c]) <= tolerance))
                return false;
    }
    return true;
}

}  // namespace

std::vector<std::size_t> StopsToKeep(std::span<ColourStop const> stops, int channels, double tolerance) {
    std::vector<std::size_t> kept;
    if (stops.empty()) return kept;
    kept.push_back(0);
    if (stops.size() > kMostStops) {
        for (std::size_t i = 1; i < stops.size(); ++i) kept.push_back(i);
        return kept;
    }
    // From each kept stop, the farthest one the line reaches.
    for (std::size_t from = 0; from + 1 < stops.size();) {
        std::size_t to = from + 1;
        while (to + 1 < stops.size() && OnLine(stops, from, to + 1, channels, tolerance)) ++to;
        kept.push_back(to);
        from = to;
    }
    return kept;
}

}  // namespace ksdvi

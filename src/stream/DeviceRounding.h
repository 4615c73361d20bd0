#pragma once
// Device rounding: positions round half away from zero; lengths round up, so
// that nothing drawn is narrower than one dot. Results are held within
// DeviceLimit dots either way, far outside any device: a document's units
// and positions can ask for any number, and a few results must still add up
// inside an int. NaN gives 0.

namespace ksdvi {

inline constexpr double DeviceLimit = 1 << 28;

inline double HeldOnDevice(double p) {
    if (!(p == p)) return 0.0;
    return p < -DeviceLimit ? -DeviceLimit : p > DeviceLimit ? DeviceLimit : p;
}

inline int RoundHalfAway(double p) {
    p = HeldOnDevice(p);
    return p >= 0 ? static_cast<int>(p + 0.5) : static_cast<int>(p - 0.5);
}

inline int Ceiling(double p) {
    p = HeldOnDevice(p);
    int t = static_cast<int>(p);
    return t < p ? t + 1 : t;
}

// Truncation toward zero, for dots that are counted rather than rounded.
inline int Truncate(double p) { return static_cast<int>(HeldOnDevice(p)); }

}  // namespace ksdvi

#pragma once
// Device rounding: positions round half away from zero; lengths round up, so
// that nothing drawn is narrower than one dot.

inline int RoundHalfAway(double p) { return p >= 0 ? static_cast<int>(p + 0.5) : static_cast<int>(p - 0.5); }

inline int Ceiling(double p) {
    int t = static_cast<int>(p);
    return t < p ? t + 1 : t;
}

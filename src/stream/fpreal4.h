#pragma once
// A real with four decimal places, held as value x 10000 in one signed 32-bit integer.
// Resolutions, zoom and magnification travel in this form; library code reads the raw value.

#include <cmath>
#include <cstdint>

class fpreal4 {
public:
    constexpr fpreal4() = default;
    static constexpr fpreal4 FromRaw(int32_t raw) {
        fpreal4 f;
        f.raw_ = raw;
        return f;
    }
    static fpreal4 FromDouble(double value) { return FromRaw(static_cast<int32_t>(std::lround(value * 10000.0))); }
    constexpr int32_t GetRaw() const { return raw_; }
    constexpr void SetRaw(int32_t raw) { raw_ = raw; }
    constexpr double ToDouble() const { return raw_ / 10000.0; }
    constexpr bool operator==(fpreal4 const&) const = default;

private:
    int32_t raw_ = 0;
};

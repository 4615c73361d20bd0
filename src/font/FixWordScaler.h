#pragma once
// Turns TFM fix-words (2^-20 of the design size) into DVI units for a font used
// at size z, with TeX's own integer arithmetic, so results match TeX exactly.

#include <cstdint>

namespace ksdvi {

class FixWordScaler {
public:
    explicit FixWordScaler(uint32_t z) {
        alpha_ = 16;
        while (z >= 0x800000) {
            z >>= 1;
            alpha_ += alpha_;
        }
        beta_ = 256 / alpha_;
        alpha_ *= z;
        z_ = z;
    }

    int32_t Scale(uint32_t fix) const {
        uint32_t b0 = fix >> 24, b1 = (fix >> 16) & 0xFF, b2 = (fix >> 8) & 0xFF, b3 = fix & 0xFF;
        // Sizes of 2^27 and more leave beta at 0; such fonts have no meaningful metrics.
        if (beta_ == 0) return 0;
        uint32_t r = (((((b3 * z_) >> 8) + (b2 * z_)) >> 8) + (b1 * z_)) / beta_;
        return b0 ? static_cast<int32_t>(r - alpha_) : static_cast<int32_t>(r);
    }

    uint32_t GetAlpha() const { return alpha_; }
    uint32_t GetBeta() const { return beta_; }
    uint32_t GetZ() const { return z_; }

private:
    uint32_t alpha_;
    uint32_t beta_;
    uint32_t z_;
};

}  // namespace ksdvi

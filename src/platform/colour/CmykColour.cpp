#include "platform/colour/CmykColour.h"

#include <lcms2.h>

#include <algorithm>

namespace ksdvi {

namespace {

// Where Debian's and upstream Ghostscript install the profile.
constexpr char const* kProfiles[] = {
    "/usr/share/color/icc/ghostscript/default_cmyk.icc",
    "/usr/share/ghostscript/iccprofiles/default_cmyk.icc",
};

// A conversion from the profile to sRGB, made when first asked for: the
// 8-bit ones precompute a table (30-60 ms), the one for single colours does
// not (2 ms).
class Conversion {
public:
    Conversion(cmsUInt32Number from, cmsUInt32Number to, cmsUInt32Number flags) {
        cmsHPROFILE cmyk = nullptr;
        for (char const* path : kProfiles)
            if ((cmyk = cmsOpenProfileFromFile(path, "r"))) break;
        if (!cmyk) return;
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        // No cache: the one-pixel cache would make a shared transform unsafe
        // across threads.
        transform_ = cmsCreateTransform(cmyk, from, srgb, to, INTENT_RELATIVE_COLORIMETRIC,
                                        flags | cmsFLAGS_NOCACHE | cmsFLAGS_BLACKPOINTCOMPENSATION);
        cmsCloseProfile(srgb);
        cmsCloseProfile(cmyk);
    }
    ~Conversion() {
        if (transform_) cmsDeleteTransform(transform_);
    }
    Conversion(Conversion const&) = delete;
    Conversion& operator=(Conversion const&) = delete;

    // Null without the profile.
    cmsHTRANSFORM Get() const { return transform_; }

private:
    cmsHTRANSFORM transform_ = nullptr;
};

}  // namespace

RgbColour CmykToRgb(double c, double m, double y, double k) {
    double ink[4] = {c, m, y, k};
    for (double& v : ink) v = std::clamp(v, 0.0, 1.0);
    static Conversion const colours(TYPE_CMYK_DBL, TYPE_RGB_DBL, cmsFLAGS_NOOPTIMIZE);
    if (cmsHTRANSFORM transform = colours.Get()) {
        double percent[4], rgb[3];
        for (int i = 0; i < 4; ++i) percent[i] = ink[i] * 100;
        cmsDoTransform(transform, percent, rgb, 1);
        return {std::clamp(rgb[0], 0.0, 1.0), std::clamp(rgb[1], 0.0, 1.0), std::clamp(rgb[2], 0.0, 1.0)};
    }
    return {1 - std::min(1.0, ink[0] + ink[3]), 1 - std::min(1.0, ink[1] + ink[3]), 1 - std::min(1.0, ink[2] + ink[3])};
}

void CmykToBgr(unsigned char const* cmyk, unsigned char* bgr, std::size_t count, bool inverted) {
    static Conversion const pixels(TYPE_CMYK_8, TYPE_BGR_8, 0), invertedPixels(TYPE_CMYK_8_REV, TYPE_BGR_8, 0);
    if (cmsHTRANSFORM transform = (inverted ? invertedPixels : pixels).Get()) {
        cmsDoTransform(transform, cmyk, bgr, static_cast<cmsUInt32Number>(count));
        return;
    }
    // White less each ink, and less black.
    auto scale = [](unsigned a, unsigned b) { return static_cast<unsigned char>((a * b + 127) / 255); };
    for (std::size_t x = 0; x < count; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgr[0] = scale(y, k);
        bgr[1] = scale(m, k);
        bgr[2] = scale(c, k);
    }
}

}  // namespace ksdvi

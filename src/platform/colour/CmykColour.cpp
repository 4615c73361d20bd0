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

RgbColour CmykToRgbAsPoppler(double c, double m, double y, double k) {
    // poppler's colours of the corners, in the order of their inks' bits
    // c m y k (0000 is no ink, white).
    static constexpr double kCorners[16][3] = {{1, 1, 1},
                                               {0.1373, 0.1216, 0.1255},
                                               {1, 0.9490, 0},
                                               {0.1098, 0.1020, 0},
                                               {0.9255, 0, 0.5490},
                                               {0.1412, 0, 0},
                                               {0.9294, 0.1098, 0.1412},
                                               {0.1333, 0, 0},
                                               {0, 0.6784, 0.9373},
                                               {0, 0.0588, 0.1412},
                                               {0, 0.6510, 0.3137},
                                               {0, 0.0745, 0},
                                               {0.1804, 0.1922, 0.5725},
                                               {0, 0, 0.0078},
                                               {0.2118, 0.2119, 0.2235},
                                               {0, 0, 0}};
    double const ink[4] = {std::clamp(c, 0.0, 1.0), std::clamp(m, 0.0, 1.0), std::clamp(y, 0.0, 1.0),
                           std::clamp(k, 0.0, 1.0)};
    double rgb[3] = {0, 0, 0};
    for (int corner = 0; corner < 16; ++corner) {
        double weight = 1;
        for (int i = 0; i < 4; ++i) weight *= (corner >> (3 - i) & 1) ? ink[i] : 1 - ink[i];
        for (int j = 0; j < 3; ++j) rgb[j] += weight * kCorners[corner][j];
    }
    // poppler keeps a component in 16.16 fixed point, cut, and rounds it to a byte.
    auto byte = [](double v) {
        long const fixed = static_cast<long>(std::clamp(v, 0.0, 1.0) * 65536);
        return static_cast<double>(((fixed << 8) - fixed + 0x8000) >> 16) / 255;
    };
    return {byte(rgb[0]), byte(rgb[1]), byte(rgb[2])};
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

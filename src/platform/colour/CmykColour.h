#pragma once
// CMYK colours on an RGB screen as Ghostscript shows them (dvips' colours and
// PostScript's setcmykcolor, and as poppler nearly does): through
// Ghostscript's default CMYK profile to sRGB, relative colorimetric with
// black point compensation. Pure cyan is (0, 174, 239), not (0, 255, 255);
// dvipsnames' ForestGreen (0, 154, 85), not (0, 224, 0). Without the profile,
// ink subtracted from white, as dvipng and xdvi show them.
//
// Thread-safe: the conversion is made once and only read.

#include <cstddef>

namespace ksdvi {

struct RgbColour {
    double r = 0, g = 0, b = 0;  // each 0 to 1
};

// Components 0 to 1, clamped.
RgbColour CmykToRgb(double c, double m, double y, double k);

// The same as poppler shows PDF's DeviceCMYK (pdftoppm, evince: the PDF of
// (x)dvipdfmx): between fixed colours of the sixteen corners of the ink
// cube, weighted by how near each is; rounded to 8 bits as poppler rounds.
// dvipsnames' NavyBlue is (38, 107, 189) here, (0, 110, 184) above.
RgbColour CmykToRgbAsPoppler(double c, double m, double y, double k);

// `count` pixels of 8-bit CMYK (ink 255, or 0 where `inverted`, as Adobe's
// JPEG files hold it) to 8-bit blue, green, red.
void CmykToBgr(unsigned char const* cmyk, unsigned char* bgr, std::size_t count, bool inverted);

}  // namespace ksdvi

#pragma once
// Picture files made at test time by the real encoders (libjpeg, libpng,
// giflib; BMP by hand), for the cases the files of tests/data cannot show:
// pictures declaring far more pixels than anything shows. A picture is given
// by a function that fills row y (from the top), `width` pixels of red,
// green, blue.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ksdvi::test {

using Bytes = std::vector<unsigned char>;
using RowFiller = std::function<void(int y, int width, unsigned char* rgb)>;

// Every pixel this colour.
RowFiller OneColour(unsigned char r, unsigned char g, unsigned char b);

// Baseline (or progressive) JPEG at quality 95, chroma at full resolution.
Bytes MakeJpeg(int width, int height, RowFiller const& fill, bool progressive = false);
// 8-bit RGB PNG (or grey, from the fill's red), Adam7-interlaced if asked.
// Rows of one colour compress to almost nothing.
Bytes MakePng(int width, int height, RowFiller const& fill, bool grey = false, bool interlaced = false);
// GIF with a 256-colour palette whose entry i is (i, 255 - i, i / 2); the
// fill's red picks the entry.
Bytes MakeGif(int width, int height, RowFiller const& fill, bool interlaced = false);
// 24-bit bottom-up BMP.
Bytes MakeBmp(int width, int height, RowFiller const& fill);

// A JPEG made by MakeJpeg with the resolution of its JFIF header set (unit
// 0: an aspect ratio, 1: dots per inch, 2: per centimetre), or with an Exif
// marker before its JFIF header declaring `resolution` dots per inch (unit 2)
// or centimetre (3) in either byte order; without the JFIF header if asked.
Bytes WithJfifDensity(Bytes jpeg, int unit, int x, int y);
Bytes WithExifResolution(Bytes const& jpeg, unsigned resolution, int unit, bool bigEndian, bool keepJfif);

// A JPEG or PNG made small and then given a frame or header declaring
// width x height: what a hostile document holds. The JPEG's data ends after
// its first blocks (libjpeg decodes the rest as mid-grey); the PNG's does too,
// so that it is refused once read past its first rows.
Bytes DeclaringJpeg(int width, int height, bool progressive = false);
Bytes DeclaringPng(int width, int height);

}  // namespace ksdvi::test

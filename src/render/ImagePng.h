#pragma once
// Writes a small image with straight alpha as PNG: a palette (with its
// transparency) when it has 256 colours at most, else RGBA when the image has
// transparency, RGB otherwise, at a deflate compression level.

#include <string>
#include <vector>

#include "page/ImageColours.h"

namespace ksdvi {

struct ImagePngSettings {
    bool alpha = false;
    int compression = -1;  // 0 to 9 as zlib counts them; -1 for the default
};

// `pixels` holds `width` x `height` pixels, rows top down. False with errno
// set when the file cannot be written.
bool WriteImagePng(std::string const& path, std::vector<ImagePixel> const& pixels, int width, int height,
                   ImagePngSettings const& settings);

}  // namespace ksdvi

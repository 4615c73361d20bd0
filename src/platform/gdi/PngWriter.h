// Writes surfaces as PNG through libpng: 8-bit grey when no pixel has colour,
// 8-bit RGB otherwise. A page may also be written a band of rows at a time,
// so that only the band needs to be in memory.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Surface.h"

struct png_struct_def;
struct png_info_def;

namespace ksdvi::gdi {

bool WriteSurfacePng(const Surface& surface, const std::string& path, int compressionLevel);

class PngRowWriter {
public:
    PngRowWriter() = default;
    ~PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    // Starts an image of `width` x `height` pixels at `path`, grey or RGB.
    bool Open(const std::string& path, int width, int height, bool colour, int compressionLevel);
    // The first `rows` rows of `surface` (as wide as the image) come next.
    bool WriteRows(const Surface& surface, int rows);
    // Ends the image once every row is written; false when anything failed.
    bool Close();
    bool IsColour() const { return colour_; }

private:
    bool Fail();

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    ::png_struct_def* png_ = nullptr;
    ::png_info_def* info_ = nullptr;
    std::vector<unsigned char> row_;
    int width_ = 0, rowsLeft_ = 0;
    bool colour_ = false;
};

}  // namespace ksdvi::gdi

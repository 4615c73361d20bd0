// Writes surfaces as PNG: 8-bit grey when no pixel has colour, 8-bit RGB
// otherwise. A page may also be written a band of rows at a time, so that
// only the band needs to be in memory. The image data is PageDeflate's, which
// libpng cannot take, so the file's few chunks are written here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/PageDeflate.h"
#include "platform/gdi/Surface.h"

namespace ksdvi::gdi {

// One writer may write many images, one after another, reusing its buffers.
class PngRowWriter {
public:
    // Starts an image of `width` x `height` pixels at `path`, grey or RGB.
    bool Open(const std::string& path, int width, int height, bool colour);
    // The first `rows` rows of `surface` (as wide as the image) come next.
    bool WriteRows(const Surface& surface, int rows);
    // Ends the image once every row is written; false when anything failed.
    bool Close();
    bool IsColour() const { return colour_; }

private:
    // Writes the compressed bytes so far as one chunk.
    bool PutImageData();
    bool Fail();

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    PageDeflate deflate_;
    std::vector<std::uint8_t> row_;  // a PNG row: its filter byte, then the pixels
    int width_ = 0, rowsLeft_ = 0;
    bool colour_ = false;
};

bool WriteSurfacePng(const Surface& surface, const std::string& path, PngRowWriter& writer);
bool WriteSurfacePng(const Surface& surface, const std::string& path);

// The pieces of a PNG file, for writers whose data libpng does not compress:
// the signature with the header of an image of 8-bit samples (`colourType`
// as PNG numbers them: 0 grey, 2 RGB, 3 palette, 6 RGBA), and one chunk.
bool PutPngHeader(std::FILE* file, int width, int height, int colourType);
bool PutPngChunk(std::FILE* file, const char* type, const std::uint8_t* data, std::size_t size);

}  // namespace ksdvi::gdi

#include "render/ImagePng.h"

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/gdi/PngWriter.h"

namespace ksdvi {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

std::uint32_t Key(ImagePixel const& p, bool alpha) {
    return std::uint32_t(p.r) << 24 | std::uint32_t(p.g) << 16 | std::uint32_t(p.b) << 8 | (alpha ? p.a : 255u);
}

// The image's colours when they are 256 at most (a formula: its ink at the
// levels of its edges' coverage), the see-through ones first, so that the
// transparency table stays short. A palette is what dvipng writes: a quarter
// of the bytes to compress, and zlib's level 9 is slow on long runs.
std::optional<std::vector<std::uint32_t>> Palette(std::vector<ImagePixel> const& pixels, bool alpha) {
    std::unordered_set<std::uint32_t> seen;
    for (ImagePixel const& p : pixels)
        if (seen.insert(Key(p, alpha)).second && seen.size() > 256) return std::nullopt;
    std::vector<std::uint32_t> colours(seen.begin(), seen.end());
    std::sort(colours.begin(), colours.end(), [](std::uint32_t a, std::uint32_t b) {
        return (a & 0xFF) != (b & 0xFF) ? (a & 0xFF) < (b & 0xFF) : a < b;
    });
    return colours;
}

}  // namespace

bool WriteImagePng(std::string const& path, std::vector<ImagePixel> const& pixels, int width, int height,
                   ImagePngSettings const& settings) {
    if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height)) {
        errno = EINVAL;
        return false;
    }
    std::optional<std::vector<std::uint32_t>> const palette = Palette(pixels, settings.alpha);
    std::unordered_map<std::uint32_t, std::uint8_t> indices;
    std::vector<std::uint8_t> colours, opacities;
    if (palette) {
        for (std::uint32_t key : *palette) {
            indices.emplace(key, std::uint8_t(colours.size() / 3));
            colours.insert(colours.end(), {std::uint8_t(key >> 24), std::uint8_t(key >> 16), std::uint8_t(key >> 8)});
            if ((key & 0xFF) != 255) opacities.push_back(std::uint8_t(key));
        }
    }
    int const channels = palette ? 1 : settings.alpha ? 4 : 3;
    // The rows as PNG filters them: a palette's indices unfiltered, as libpng
    // leaves them; colours as differences from the pixel to the left.
    size_t const rowBytes = 1 + size_t(width) * size_t(channels);
    std::vector<std::uint8_t> rows(rowBytes * size_t(height));
    for (int y = 0; y < height; ++y) {
        ImagePixel const* in = pixels.data() + size_t(y) * size_t(width);
        std::uint8_t* const row = rows.data() + size_t(y) * rowBytes;
        std::uint8_t* out = row + 1;
        row[0] = palette ? 0 : 1;
        for (int x = 0; x < width; ++x) {
            if (palette) {
                *out++ = indices.find(Key(in[x], settings.alpha))->second;
                continue;
            }
            *out++ = in[x].r;
            *out++ = in[x].g;
            *out++ = in[x].b;
            if (settings.alpha) *out++ = in[x].a;
        }
        if (!palette)
            for (size_t i = rowBytes - 1; i > size_t(channels); --i) row[i] = std::uint8_t(row[i] - row[i - channels]);
    }
    // libdeflate, not zlib through libpng: zlib's level 9, which tools that
    // make formula images ask for, spends milliseconds on a formula's long
    // runs of background.
    std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
        libdeflate_alloc_compressor(settings.compression < 0 ? 6 : std::min(settings.compression, 12)));
    if (!compressor) {
        errno = ENOMEM;
        return false;
    }
    std::vector<std::uint8_t> data(libdeflate_zlib_compress_bound(compressor.get(), rows.size()));
    data.resize(libdeflate_zlib_compress(compressor.get(), rows.data(), rows.size(), data.data(), data.size()));

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    int const type = palette ? 3 : settings.alpha ? 6 : 2;
    bool written = !data.empty() && gdi::PutPngHeader(file.get(), width, height, type) &&
                   (!palette || gdi::PutPngChunk(file.get(), "PLTE", colours.data(), colours.size())) &&
                   (opacities.empty() || gdi::PutPngChunk(file.get(), "tRNS", opacities.data(), opacities.size())) &&
                   gdi::PutPngChunk(file.get(), "IDAT", data.data(), data.size()) &&
                   gdi::PutPngChunk(file.get(), "IEND", nullptr, 0);
    written = std::fflush(file.get()) == 0 && !std::ferror(file.get()) && written;
    if (std::fclose(file.release()) != 0) written = false;
    if (!written && errno == 0) errno = EIO;
    return written;
}

}  // namespace ksdvi

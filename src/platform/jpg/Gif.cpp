// GIF files through giflib, read from memory. Only the first image is decoded.
#include <gif_lib.h>

#include <algorithm>
#include <memory>

#include "platform/gdi/DibReducer.h"
#include "platform/jpg/DibLayout.h"

namespace ksdvi::jpg {

namespace {

struct MemoryReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int count) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(count > 0 ? std::size_t(count) : 0, r->size - r->at);
    std::copy_n(r->data + r->at, n, buffer);
    r->at += n;
    return int(n);
}

struct CloseGif {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// No LZW code yields more than 4096 pixels and none is shorter than three
// bits, so an image claiming more pixels than this per byte of the file
// cannot be complete: it is refused before anything is allocated for it.
constexpr std::uint64_t kMaxPixelsPerByte = 16384;

// Reads the file up to its first image and fills `out` with the layout of
// the DIB; with `target`, decodes into it. A picture shown at half its size
// or less is averaged into a 24-bit DIB as its rows come.
gdi::DecodeResult Decode(const unsigned char* file, std::size_t size, const gdi::DecodeBounds& bounds,
                         DibTarget* target, DibLayout* out) {
    using gdi::DecodeResult;
    if (!file || size == 0) return DecodeResult::Damaged;
    MemoryReader reader{file, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, CloseGif> gif(DGifOpen(&reader, ReadMemory, &error));
    if (!gif) return DecodeResult::Damaged;
    int transparent = NO_TRANSPARENT_COLOR;
    for (bool image = false; !image;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return DecodeResult::Damaged;
        switch (type) {
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return DecodeResult::Damaged;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                    transparent = control.TransparentColor;
                }
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return DecodeResult::Damaged;
            }
            break;
        }
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return DecodeResult::Damaged;
            image = true;
            break;
        default: return DecodeResult::Damaged;  // the file ends before its first image
        }
    }
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || desc.Width <= 0 || desc.Height <= 0) return DecodeResult::Damaged;
    const std::uint64_t pixels = std::uint64_t(desc.Width) * std::uint64_t(desc.Height);
    DibLayout layout;
    if (pixels / kMaxPixelsPerByte > size) return DecodeResult::Damaged;
    if (!layout.Set(desc.Width, desc.Height, 8, 256)) return DecodeResult::TooManyPixels;

    // The colours, blue first; the transparent one is white.
    unsigned char colours[256][3] = {};
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < 256; ++i) {
        const GifColorType c = i == transparent ? GifColorType{255, 255, 255}
                               : i < count      ? map->Colors[i]
                                                : GifColorType{0, 0, 0};
        colours[i][0] = c.Blue, colours[i][1] = c.Green, colours[i][2] = c.Red;
    }
    const gdi::SIZE shown = bounds.ShownAt({desc.Width, desc.Height, 0, 0});
    const int factorX = gdi::DibReducer::Factor(desc.Width, shown.cx);
    const int factorY = gdi::DibReducer::Factor(desc.Height, shown.cy);
    const bool reduce = factorX > 1 || factorY > 1;
    // A reduction holds its sums, its DIB and a row of indices and one of colours.
    const std::uint64_t needed =
        reduce ? gdi::DibReducer::BytesFor(desc.Width, desc.Height, factorX, factorY) + 4 * std::uint64_t(desc.Width)
               : layout.total;
    if (needed > bounds.bytes) return DecodeResult::TooLarge;
    if (reduce)
        layout.Set(std::uint64_t(desc.Width + factorX - 1) / factorX,
                   std::uint64_t(desc.Height + factorY - 1) / factorY, 24, 0);
    *out = layout;
    if (!target) return DecodeResult::Decoded;

    unsigned char* dib = nullptr;
    gdi::DibReducer reducer;
    std::vector<unsigned char> indices, bgr;
    if (reduce) {
        reducer.Start(desc.Width, desc.Height, factorX, factorY);
        indices.resize(std::size_t(desc.Width));
        bgr.resize(3 * std::size_t(desc.Width));
    } else {
        if (const DecodeResult got = target->Get(layout, dib); got != DecodeResult::Decoded) return got;
        layout.WriteHeader(dib);
        for (unsigned i = 0; i < 256; ++i) layout.SetColor(dib, i, colours[i][2], colours[i][1], colours[i][0]);
    }
    // Interlaced rows come in four passes: every eighth row from 0, every
    // eighth from 4, every fourth from 2, every second from 1.
    static constexpr int kFirst[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int first = desc.Interlace ? kFirst[pass] : 0;
        const int step = desc.Interlace ? kStep[pass] : 1;
        for (int y = first; y < desc.Height; y += step) {
            if (bounds.Expired()) return DecodeResult::TooSlow;
            unsigned char* line = reduce ? indices.data() : layout.Row(dib, y);
            if (DGifGetLine(gif.get(), line, desc.Width) == GIF_ERROR) return DecodeResult::Damaged;
            if (!reduce) continue;
            for (int x = 0; x < desc.Width; ++x) std::memcpy(&bgr[3 * std::size_t(x)], colours[line[x]], 3);
            reducer.Add(y, 0, 1, bgr.data(), desc.Width);
        }
    }
    return reduce ? target->Take(reducer.Finish(0, 0)) : DecodeResult::Decoded;
}

}  // namespace

std::size_t check_gif_size(const unsigned char* file, std::size_t fileSize) {
    return DibSizeOf(Decode, file, fileSize);
}

int Gif2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize) {
    return DecodeIntoBuffer(Decode, file, fileSize, dib, dibSize);
}

gdi::DecodeResult DecodeGif(const unsigned char* file, std::size_t fileSize, const gdi::DecodeBounds& bounds,
                            std::vector<unsigned char>& dib) {
    return DecodeIntoVector(Decode, file, fileSize, bounds, dib);
}

}  // namespace ksdvi::jpg

// GIF files through giflib, read from memory. Only the first image is decoded.
#include <gif_lib.h>

#include <algorithm>
#include <memory>

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

bool Decode(const unsigned char* file, std::size_t size, unsigned char* dib, std::size_t dibSize, DibLayout* out) {
    if (!file || size == 0) return false;
    MemoryReader reader{file, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, CloseGif> gif(DGifOpen(&reader, ReadMemory, &error));
    if (!gif) return false;
    int transparent = NO_TRANSPARENT_COLOR;
    for (bool image = false; !image;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return false;
        switch (type) {
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                    transparent = control.TransparentColor;
                }
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return false;
            }
            break;
        }
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return false;
            image = true;
            break;
        default: return false;  // the file ends before its first image
        }
    }
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || desc.Width <= 0 || desc.Height <= 0) return false;
    const std::uint64_t pixels = std::uint64_t(desc.Width) * std::uint64_t(desc.Height);
    DibLayout layout;
    if (pixels / kMaxPixelsPerByte > size || !layout.Set(desc.Width, desc.Height, 8, 256)) return false;
    *out = layout;
    if (!dib) return true;
    if (dibSize < layout.total) return false;

    layout.WriteHeader(dib);
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < 256; ++i) {
        const GifColorType c = i < count ? map->Colors[i] : GifColorType{0, 0, 0};
        if (i == transparent) {
            layout.SetColor(dib, unsigned(i), 255, 255, 255);
        } else {
            layout.SetColor(dib, unsigned(i), c.Red, c.Green, c.Blue);
        }
    }
    // Interlaced rows come in four passes: every eighth row from 0, every
    // eighth from 4, every fourth from 2, every second from 1.
    static constexpr int kFirst[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int first = desc.Interlace ? kFirst[pass] : 0;
        const int step = desc.Interlace ? kStep[pass] : 1;
        for (int y = first; y < layout.height; y += step) {
            if (DGifGetLine(gif.get(), layout.Row(dib, y), layout.width) == GIF_ERROR) return false;
        }
    }
    return true;
}

}  // namespace

std::size_t check_gif_size(const unsigned char* file, std::size_t fileSize) {
    DibLayout layout;
    return Decode(file, fileSize, nullptr, 0, &layout) ? layout.total : 0;
}

int Gif2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize) {
    DibLayout layout;
    return dib && Decode(file, fileSize, dib, dibSize, &layout) ? 1 : 0;
}

}  // namespace ksdvi::jpg

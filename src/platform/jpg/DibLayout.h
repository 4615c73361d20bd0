#pragma once
// The shape of a packed bottom-up DIB and the writing of its header, shared by
// the decoders.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/gdi/Types.h"
#include "platform/jpg/JpgLib.h"

namespace ksdvi::jpg {

static_assert(sizeof(gdi::BITMAPINFOHEADER) == 40 && sizeof(gdi::RGBQUAD) == 4);

struct DibLayout {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    unsigned colors = 0;  // colour table entries
    std::size_t stride = 0;
    std::size_t headerBytes = 0;  // header and colour table
    std::size_t total = 0;

    // False when the image is empty or beyond the caps.
    bool Set(std::uint64_t w, std::uint64_t h, int bits, unsigned tableEntries) {
        if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF || w * h > kMaxPixels) return false;
        const std::uint64_t rowBytes = (w * std::uint64_t(bits) + 31) / 32 * 4;
        const std::uint64_t head = sizeof(gdi::BITMAPINFOHEADER) + 4 * std::uint64_t(tableEntries);
        const std::uint64_t all = head + rowBytes * h;
        if (all > kMaxDibBytes) return false;
        width = int(w), height = int(h), bitCount = bits, colors = tableEntries;
        stride = std::size_t(rowBytes), headerBytes = std::size_t(head), total = std::size_t(all);
        return true;
    }

    void WriteHeader(unsigned char* dib) const {
        gdi::BITMAPINFOHEADER h;
        h.biWidth = width;
        h.biHeight = height;
        h.biBitCount = gdi::WORD(bitCount);
        h.biSizeImage = gdi::DWORD(stride * std::size_t(height));
        h.biClrUsed = colors;
        std::memcpy(dib, &h, sizeof h);
    }
    void SetColor(unsigned char* dib, unsigned index, unsigned char r, unsigned char g, unsigned char b) const {
        unsigned char* q = dib + sizeof(gdi::BITMAPINFOHEADER) + 4 * std::size_t(index);
        q[0] = b, q[1] = g, q[2] = r, q[3] = 0;
    }
    // Row y counted from the top of the picture.
    unsigned char* Row(unsigned char* dib, int y) const {
        return dib + headerBytes + std::size_t(height - 1 - y) * stride;
    }
};

// Where a decoder writes: the caller's buffer of `dibSize` bytes, or a vector
// the decoder sizes.
struct DibTarget {
    unsigned char* dib = nullptr;
    std::size_t dibSize = 0;
    std::vector<unsigned char>* owned = nullptr;

    // The block for `layout` in `block`; Damaged when the caller's buffer is
    // too small, TooLarge when memory runs out.
    gdi::DecodeResult Get(const DibLayout& layout, unsigned char*& block) noexcept {
        block = nullptr;
        if (!owned) {
            if (!dib || dibSize < layout.total) return gdi::DecodeResult::Damaged;
            block = dib;
            return gdi::DecodeResult::Decoded;
        }
        try {
            owned->assign(layout.total, 0);
        } catch (const std::bad_alloc&) {
            return gdi::DecodeResult::TooLarge;
        }
        block = owned->data();
        return gdi::DecodeResult::Decoded;
    }
    // A DIB made elsewhere (a reduction), moved or copied into place.
    gdi::DecodeResult Take(std::vector<unsigned char>&& made) {
        if (owned) {
            *owned = std::move(made);
            return gdi::DecodeResult::Decoded;
        }
        if (!dib || dibSize < made.size()) return gdi::DecodeResult::Damaged;
        std::memcpy(dib, made.data(), made.size());
        return gdi::DecodeResult::Decoded;
    }
};

// The three entry points of a decoder `decode` (file, size, bounds, target,
// layout): the size its DIB takes, the DIB into a caller's buffer, and the
// DIB within bounds into a vector.
using DibDecoder = gdi::DecodeResult (*)(const unsigned char* file, std::size_t size, const gdi::DecodeBounds& bounds,
                                         DibTarget* target, DibLayout* layout);

inline std::size_t DibSizeOf(DibDecoder decode, const unsigned char* file, std::size_t fileSize) {
    DibLayout layout;
    return decode(file, fileSize, {}, nullptr, &layout) == gdi::DecodeResult::Decoded ? layout.total : 0;
}

inline int DecodeIntoBuffer(DibDecoder decode, const unsigned char* file, std::size_t fileSize, unsigned char* dib,
                            std::size_t dibSize) {
    DibLayout layout;
    DibTarget target{dib, dibSize, nullptr};
    return dib && decode(file, fileSize, {}, &target, &layout) == gdi::DecodeResult::Decoded ? 1 : 0;
}

inline gdi::DecodeResult DecodeIntoVector(DibDecoder decode, const unsigned char* file, std::size_t fileSize,
                                          const gdi::DecodeBounds& bounds, std::vector<unsigned char>& dib) {
    DibLayout layout;
    DibTarget target{nullptr, 0, &dib};
    gdi::DecodeResult result = gdi::DecodeResult::TooLarge;
    try {
        result = decode(file, fileSize, bounds, &target, &layout);
    } catch (const std::bad_alloc&) {
        result = gdi::DecodeResult::TooLarge;
    }
    if (result != gdi::DecodeResult::Decoded) dib.clear();
    return result;
}

}  // namespace ksdvi::jpg

// BMP files: the DIB inside the file, checked against the file's length and
// moved into a block of its own.
#include <bit>

#include "platform/gdi/DibReducer.h"
#include "platform/jpg/DibLayout.h"

namespace ksdvi::jpg {

namespace {

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

constexpr std::size_t kFileHeader = 14;

// What the file holds, read and checked once.
struct BmpFile {
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows; topDown when the file says so
    bool topDown = false;
    int bitCount = 0;
    bool core = false;  // 12-byte header, three-byte colours
    std::uint32_t masks[3] = {0, 0, 0};
    const unsigned char* table = nullptr;
    unsigned tableEntries = 0;
    const unsigned char* bits = nullptr;
    std::size_t stride = 0;
    DibLayout layout;  // what we write
};

constexpr std::uint32_t kRgb = 0, kBitFields = 3;

bool Parse(const unsigned char* file, std::size_t size, BmpFile& b) {
    if (!file || size < kFileHeader + 12 || file[0] != 'B' || file[1] != 'M') return false;
    const unsigned char* h = file + kFileHeader;
    const std::uint32_t headerSize = Le32(h);
    const std::size_t space = size - kFileHeader;
    std::uint32_t compression = kRgb, used = 0;
    if (headerSize == 12) {
        b.core = true;
        b.width = Le16(h + 4);
        b.height = Le16(h + 6);
        b.bitCount = Le16(h + 10);
    } else {
        if (headerSize < 40 || headerSize > space) return false;
        b.width = std::int32_t(Le32(h + 4));
        const std::int64_t height = std::int32_t(Le32(h + 8));
        b.topDown = height < 0;
        b.height = height < 0 ? -height : height;
        b.bitCount = Le16(h + 14);
        compression = Le32(h + 16);
        used = Le32(h + 32);
    }
    std::size_t tableAt = headerSize;
    switch (b.bitCount) {
    case 1:
    case 4:
    case 8:
        if (compression != kRgb) return false;  // run-length files are not read
        b.tableEntries = used && used < (1u << b.bitCount) ? used : 1u << b.bitCount;
        break;
    case 16:
    case 24:
    case 32:
        if (compression == kBitFields && b.bitCount != 24) {
            if (headerSize < 52) {
                if (space < tableAt + 12) return false;
                for (int i = 0; i < 3; ++i) b.masks[i] = Le32(h + tableAt + 4 * i);
                tableAt += 12;
            } else {
                for (int i = 0; i < 3; ++i) b.masks[i] = Le32(h + 40 + 4 * i);
            }
            // Bit fields that select nothing leave nothing to read.
            if (!(b.masks[0] | b.masks[1] | b.masks[2])) return false;
        } else if (compression != kRgb) {
            return false;
        } else if (b.bitCount == 16) {
            b.masks[0] = 0x7C00, b.masks[1] = 0x03E0, b.masks[2] = 0x001F;
        }
        break;
    default: return false;
    }
    const std::size_t entryBytes = b.core ? 3 : 4;
    if (space < tableAt || (space - tableAt) / entryBytes < b.tableEntries) return false;
    b.table = h + tableAt;
    // Sixteen-bit and bit-field pixels become 24-bit ones: a reader that
    // counts colours by the bit count alone would misplace their bits.
    const bool expand = b.bitCount == 16 || b.masks[0] | b.masks[1] | b.masks[2];
    if (b.width <= 0 || b.height <= 0 ||
        !b.layout.Set(std::uint64_t(b.width), std::uint64_t(b.height), expand ? 24 : b.bitCount, b.tableEntries)) {
        return false;
    }
    b.stride = (std::size_t(b.width) * std::size_t(b.bitCount) + 31) / 32 * 4;
    const std::size_t offset = Le32(file + 10);
    if (offset > size || (size - offset) / b.stride < std::size_t(b.height)) return false;
    b.bits = file + offset;
    return true;
}

// The top bits of a masked field, scaled to eight.
unsigned char Channel(std::uint32_t v, std::uint32_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t m = mask >> shift;
    return static_cast<unsigned char>(((v & mask) >> shift) * 255 / m);
}

// Row `y` (from the top) of the file's pixels.
const unsigned char* SourceRow(const BmpFile& b, int y) {
    return b.bits + std::size_t(b.topDown ? y : b.height - 1 - y) * b.stride;
}

// The pixels of a row as blue, green, red; indices past the colour table are black.
void RowToBgr(const BmpFile& b, const unsigned char* src, unsigned char* bgr) {
    const bool masked = b.masks[0] | b.masks[1] | b.masks[2];
    const int width = int(b.width);
    for (int x = 0; x < width; ++x, bgr += 3) {
        if (masked) {
            const std::uint32_t v = b.bitCount == 16 ? Le16(src + 2 * x) : Le32(src + 4 * std::size_t(x));
            bgr[0] = Channel(v, b.masks[2]);
            bgr[1] = Channel(v, b.masks[1]);
            bgr[2] = Channel(v, b.masks[0]);
        } else if (b.bitCount >= 24) {
            std::memcpy(bgr, src + std::size_t(x) * std::size_t(b.bitCount / 8), 3);
        } else {
            const int perByte = 8 / b.bitCount;
            const unsigned shift = unsigned(b.bitCount * (perByte - 1 - x % perByte));
            const unsigned index = (src[x / perByte] >> shift) & ((1u << b.bitCount) - 1);
            if (index < b.tableEntries) {
                std::memcpy(bgr, b.table + index * (b.core ? 3 : 4), 3);
            } else {
                bgr[0] = bgr[1] = bgr[2] = 0;
            }
        }
    }
}

// Checks the file and fills `out` with the layout of the DIB; with `target`,
// writes it. A picture shown at half its size or less is averaged into a
// 24-bit DIB row by row.
gdi::DecodeResult Decode(const unsigned char* file, std::size_t size, const gdi::DecodeBounds& bounds,
                         DibTarget* target, DibLayout* out) {
    using gdi::DecodeResult;
    BmpFile b;
    if (!Parse(file, size, b)) return DecodeResult::Damaged;
    const int width = int(b.width), height = int(b.height);
    const gdi::SIZE shown = bounds.ShownAt({width, height, 0, 0});
    const int factorX = gdi::DibReducer::Factor(width, shown.cx);
    const int factorY = gdi::DibReducer::Factor(height, shown.cy);
    if (factorX > 1 || factorY > 1) {
        // The sums, the DIB and a row of colours.
        if (gdi::DibReducer::BytesFor(width, height, factorX, factorY) + 3 * std::uint64_t(width) > bounds.bytes)
            return DecodeResult::TooLarge;
        DibLayout layout;
        layout.Set(std::uint64_t(width + factorX - 1) / factorX, std::uint64_t(height + factorY - 1) / factorY, 24, 0);
        *out = layout;
        if (!target) return DecodeResult::Decoded;
        gdi::DibReducer reducer;
        reducer.Start(width, height, factorX, factorY);
        std::vector<unsigned char> bgr(3 * std::size_t(width));
        for (int y = 0; y < height; ++y) {
            if (bounds.Expired()) return DecodeResult::TooSlow;
            RowToBgr(b, SourceRow(b, y), bgr.data());
            reducer.Add(y, 0, 1, bgr.data(), width);
        }
        return target->Take(reducer.Finish(0, 0));
    }
    if (b.layout.total > bounds.bytes) return DecodeResult::TooLarge;
    *out = b.layout;
    if (!target) return DecodeResult::Decoded;
    unsigned char* dib = nullptr;
    if (const DecodeResult got = target->Get(b.layout, dib); got != DecodeResult::Decoded) return got;
    const DibLayout& layout = b.layout;
    layout.WriteHeader(dib);
    for (unsigned i = 0; i < b.tableEntries; ++i) {
        const unsigned char* c = b.table + i * (b.core ? 3 : 4);
        layout.SetColor(dib, i, c[2], c[1], c[0]);
    }
    const bool masked = b.masks[0] | b.masks[1] | b.masks[2];
    for (int y = 0; y < layout.height; ++y) {
        if (bounds.Expired()) return DecodeResult::TooSlow;
        // Sixteen-bit and bit-field rows are written as 24-bit ones.
        if (masked) {
            RowToBgr(b, SourceRow(b, y), layout.Row(dib, y));
        } else {
            std::memcpy(layout.Row(dib, y), SourceRow(b, y), layout.stride);
        }
    }
    return DecodeResult::Decoded;
}

}  // namespace

std::size_t check_bmp_size(const unsigned char* file, std::size_t fileSize) {
    return DibSizeOf(Decode, file, fileSize);
}

int Bmp2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize) {
    return DecodeIntoBuffer(Decode, file, fileSize, dib, dibSize);
}

gdi::DecodeResult DecodeBmp(const unsigned char* file, std::size_t fileSize, const gdi::DecodeBounds& bounds,
                            std::vector<unsigned char>& dib) {
    return DecodeIntoVector(Decode, file, fileSize, bounds, dib);
}

}  // namespace ksdvi::jpg

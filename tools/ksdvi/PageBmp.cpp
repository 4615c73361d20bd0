#include "PageBmp.h"

#include <cstdint>
#include <vector>

namespace gdi = ksdvi::gdi;

namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool WriteAll(CGSFile& file, std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        unsigned n = file.Write(bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n == 0) return false;
        done += n;
    }
    return true;
}

unsigned Grey(gdi::Pixel p) { return ((p >> 16 & 0xFF) * 299 + (p >> 8 & 0xFF) * 587 + (p & 0xFF) * 114 + 500) / 1000; }

}  // namespace

int PageBmpDepth(gdi::RasterDevice const& page) { return page.HasColour() ? 24 : 8; }

bool WritePageBmp(gdi::RasterDevice const& page, int bitCount, CGSFile& file) {
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return false;
    int const width = page.Width(), height = page.Height();
    unsigned const colours = bitCount == 24 ? 0 : 1u << bitCount;
    uint32_t const stride = ((uint32_t(width) * bitCount + 31) / 32) * 4;
    uint32_t const offset = 14 + 40 + colours * 4;
    std::vector<unsigned char> header;
    Put16(header, 0x4D42);
    Put32(header, uint32_t(offset + uint64_t(stride) * height));
    Put32(header, 0);
    Put32(header, offset);
    Put32(header, 40);
    Put32(header, uint32_t(width));
    Put32(header, uint32_t(height));
    Put16(header, 1);
    Put16(header, unsigned(bitCount));
    Put32(header, 0);
    Put32(header, stride * uint32_t(height));
    uint32_t const perMetre = uint32_t(page.Caps().dpiX * 10000 / 254);
    Put32(header, perMetre);
    Put32(header, perMetre);
    Put32(header, colours);
    Put32(header, 0);
    for (unsigned i = 0; i < colours; ++i) {
        unsigned char const level = static_cast<unsigned char>(i * 255 / (colours - 1));
        header.insert(header.end(), {level, level, level, 0});
    }
    if (!WriteAll(file, header)) return false;

    std::vector<unsigned char> line(stride);
    for (int y = height - 1; y >= 0; --y) {
        gdi::Pixel const* row = page.Row(y);
        std::fill(line.begin(), line.end(), bitCount == 1 ? 0xFF : 0x00);
        for (int x = 0; x < width; ++x) {
            gdi::Pixel const p = row[x];
            switch (bitCount) {
            case 1:
                if (Grey(p) < 128) line[size_t(x) >> 3] &= static_cast<unsigned char>(~(0x80u >> (x & 7)));
                break;
            case 4:
                line[size_t(x) >> 1] |= static_cast<unsigned char>((Grey(p) * 15 + 127) / 255 << (x & 1 ? 0 : 4));
                break;
            case 8: line[size_t(x)] = static_cast<unsigned char>(Grey(p)); break;
            default:
                line[size_t(x) * 3] = static_cast<unsigned char>(p);
                line[size_t(x) * 3 + 1] = static_cast<unsigned char>(p >> 8);
                line[size_t(x) * 3 + 2] = static_cast<unsigned char>(p >> 16);
            }
        }
        if (!WriteAll(file, line)) return false;
    }
    return true;
}

// The page encoder's streams, read back by zlib: runs at every length around
// deflate's limits, ink that is all literals, counts skewed enough to need
// shortened codes, many blocks, pixels of three bytes, and rows too narrow
// for the longest match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include <zlib.h>

#include "platform/gdi/PageDeflate.h"

namespace ksdvi::gdi {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Image {
    const char* name;
    int bytesPerPixel;
    std::vector<Bytes> rows;
};

// Encodes the rows, inflates the stream (which checks its checksum) and
// returns the bytes, or nothing when zlib refuses the stream.
Bytes RoundTrip(const Image& image, std::size_t* compressed = nullptr) {
    PageDeflate deflate;
    deflate.Start(image.bytesPerPixel);
    Bytes all;
    for (const Bytes& row : image.rows) {
        deflate.AddRow(row.data(), row.size());
        all.insert(all.end(), row.begin(), row.end());
    }
    deflate.Finish();
    if (compressed) *compressed = deflate.OutputSize();
    Bytes out(all.size() + 1);
    uLongf size = out.size();
    if (uncompress(out.data(), &size, deflate.Output(), deflate.OutputSize()) != Z_OK) return {0xEE};
    out.resize(size);
    return out;
}

Bytes Concatenated(const Image& image) {
    Bytes all;
    for (const Bytes& row : image.rows) all.insert(all.end(), row.begin(), row.end());
    return all;
}

std::vector<Image> Images() {
    std::vector<Image> images;
    // Runs just past each multiple of the longest match, and too short to match.
    Image runs{"runs of every length near 258", 1, {}};
    for (int n : {1, 2, 3, 4, 257, 258, 259, 260, 261, 262, 516, 517, 518, 519, 1000})
        for (int first : {0, 1, 2}) {
            Bytes row(std::size_t(first), 7);
            row.resize(row.size() + std::size_t(n), 255);
            runs.rows.push_back(row);
        }
    images.push_back(runs);
    std::mt19937 random(20261206);
    Image noise{"noise: all literals", 1, {}};
    for (int y = 0; y < 40; ++y) {
        Bytes row(997);
        for (auto& b : row) b = std::uint8_t(random());
        noise.rows.push_back(row);
    }
    images.push_back(noise);
    // Counts that double from value to value make a Huffman tree deeper than
    // deflate's 15 bits.
    Image skewed{"skewed counts", 1, {{}}};
    for (int v = 0; v < 22; ++v)
        for (int k = 0; k < (1 << v) / 16 + 1; ++k)
            skewed.rows[0].push_back(std::uint8_t(v * 11 % 256)), skewed.rows[0].push_back(std::uint8_t(v * 7 + 1));
    images.push_back(skewed);
    images.push_back({"one value only", 1, {Bytes(5, 42), Bytes(1, 42)}});
    images.push_back({"no rows", 1, {}});
    Image many{"many blocks", 1, {}};
    for (int y = 0; y < 300; ++y) {
        Bytes row(1200, 255);
        for (std::size_t x = 0; x < row.size(); x += 3) row[x] = std::uint8_t(random() % 200);
        many.rows.push_back(row);
    }
    images.push_back(many);
    Image rgb{"RGB runs of coloured pixels", 3, {}};
    for (int y = 0; y < 8; ++y) {
        Bytes row{0};
        for (int x = 0; x < 700 + y; ++x) {
            const bool ink = x % 97 < 5;
            row.insert(row.end(), {std::uint8_t(ink ? 10 : 200), std::uint8_t(ink ? 20 : 30), std::uint8_t(40)});
        }
        rgb.rows.push_back(row);
    }
    images.push_back(rgb);
    // A page at a low resolution: no run reaches the longest match, so the
    // highest length codes go unused and the distance codes' lengths follow
    // fewer literal/length ones.
    Image narrow{"rows narrower than the longest match", 1, {}};
    for (int y = 0; y < 30; ++y) {
        Bytes row(249, 255);
        row[0] = 0;  // the row's filter byte
        if (y % 7 < 4) std::fill(row.begin() + 40, row.begin() + 81, std::uint8_t(0));
        narrow.rows.push_back(row);
    }
    images.push_back(narrow);
    return images;
}

TEST(PageDeflateTest, ZlibReadsBackEveryImage) {
    for (const Image& image : Images()) EXPECT_EQ(RoundTrip(image), Concatenated(image)) << image.name;
}

// Runs of one pixel cost a few bits whatever their length; three-byte pixels
// repeat three bytes back.
TEST(PageDeflateTest, RunsOfPixelsCompress) {
    Image blank{"blank page", 1, std::vector<Bytes>(1000, Bytes(1241, 255))};
    Image tinted{"tinted page", 3, std::vector<Bytes>(300, Bytes{})};
    for (Bytes& row : tinted.rows)
        for (int x = 0; x < 1000; ++x) row.insert(row.end(), {250, 240, 200});
    for (const Image* image : {&blank, &tinted}) {
        std::size_t size = 0;
        EXPECT_EQ(RoundTrip(*image, &size), Concatenated(*image)) << image->name;
        EXPECT_LT(size, Concatenated(*image).size() / 100) << image->name;
    }
}

// A writer serves one stream after another.
TEST(PageDeflateTest, StartsAfreshForEachStream) {
    PageDeflate deflate;
    for (const Bytes& row : {Bytes(300, 1), Bytes{9, 8, 7, 255, 255, 255, 255}}) {
        deflate.Start(1);
        deflate.AddRow(row.data(), row.size());
        deflate.Finish();
        Bytes out(row.size());
        uLongf size = out.size();
        ASSERT_EQ(uncompress(out.data(), &size, deflate.Output(), deflate.OutputSize()), Z_OK);
        EXPECT_EQ(out, row);
    }
}

}  // namespace
}  // namespace ksdvi::gdi

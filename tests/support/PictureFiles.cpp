#include "support/PictureFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

// Before libjpeg, which needs size_t and FILE declared.
#include <jpeglib.h>

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

namespace ksdvi::test {

namespace {

void PutBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

void PutLe(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PngWrite(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

int GifWrite(GifFileType* gif, GifByteType const* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

}  // namespace

RowFiller OneColour(unsigned char r, unsigned char g, unsigned char b) {
    return [=](int, int width, unsigned char* rgb) {
        if (width <= 0) return;
        rgb[0] = r, rgb[1] = g, rgb[2] = b;
        // Doubling what is filled: rows of thousands of pixels, thousands of times.
        const std::size_t total = 3 * std::size_t(width);
        for (std::size_t filled = 3; filled < total; filled *= 2)
            std::memcpy(rgb + filled, rgb, std::min(filled, total - filled));
    };
}

Bytes MakeJpeg(int width, int height, RowFiller const& fill, bool progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(3 * std::size_t(width));
    while (c.next_scanline < c.image_height) {
        fill(int(c.next_scanline), width, row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

Bytes WithJfifDensity(Bytes jpeg, int unit, int x, int y) {
    // FF D8, then FF E0, its length, "JFIF\0", the version; then the unit
    // and the two densities.
    jpeg.at(13) = static_cast<unsigned char>(unit);
    jpeg.at(14) = static_cast<unsigned char>(x >> 8), jpeg.at(15) = static_cast<unsigned char>(x);
    jpeg.at(16) = static_cast<unsigned char>(y >> 8), jpeg.at(17) = static_cast<unsigned char>(y);
    return jpeg;
}

Bytes WithExifResolution(Bytes const& jpeg, unsigned resolution, int unit, bool bigEndian, bool keepJfif) {
    // The marker: FF E1, its length, "Exif" and two zeros, then a TIFF header
    // and IFD0 with the three entries and the two fractions they point at.
    Bytes marker;
    marker.reserve(64);
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            marker.push_back(static_cast<unsigned char>(v >> (8 * (bigEndian ? bytes - 1 - i : i))));
    };
    for (int c : {0xFF, 0xE1, 0, 0, int('E'), int('x'), int('i'), int('f'), 0, 0})
        marker.push_back(static_cast<unsigned char>(c));
    unsigned char const order = bigEndian ? 'M' : 'I';
    marker.push_back(order);
    marker.push_back(order);
    put(42, 2);
    put(8, 4);  // IFD0 right after the header
    std::uint32_t const rationals = 8 + 2 + 3 * 12 + 4;
    put(3, 2);                                                    // entries
    put(0x011A, 2), put(5, 2), put(1, 4), put(rationals, 4);      // XResolution
    put(0x011B, 2), put(5, 2), put(1, 4), put(rationals + 8, 4);  // YResolution
    put(0x0128, 2), put(3, 2), put(1, 4), put(std::uint32_t(unit), 2), put(0, 2);
    put(0, 4);  // no next IFD
    put(resolution, 4), put(1, 4), put(resolution, 4), put(1, 4);
    marker[2] = static_cast<unsigned char>((marker.size() - 2) >> 8);
    marker[3] = static_cast<unsigned char>(marker.size() - 2);
    std::size_t const jfifEnd = 4 + (std::size_t(jpeg.at(4)) << 8 | jpeg.at(5));
    std::size_t const rest = keepJfif ? 2 : jfifEnd;
    Bytes out;
    out.reserve(jpeg.size() + marker.size());
    out.push_back(jpeg.at(0));
    out.push_back(jpeg.at(1));
    for (unsigned char c : marker) out.push_back(c);
    for (std::size_t i = rest; i < jpeg.size(); ++i) out.push_back(jpeg[i]);
    return out;
}

Bytes MakePng(int width, int height, RowFiller const& fill, bool grey, bool interlaced) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not write the picture");
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Runs of one byte are what pictures of one colour are made of: zlib's
    // run-length strategy finds them at once.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, info);
    std::vector<unsigned char> rgb(3 * std::size_t(width)), row(grey ? std::size_t(width) : 0);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            fill(y, width, rgb.data());
            if (grey)
                for (int x = 0; x < width; ++x) row[std::size_t(x)] = rgb[3 * std::size_t(x)];
            png_write_row(png, grey ? row.data() : rgb.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes MakeGif(int width, int height, RowFiller const& fill, bool interlaced) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    if (!gif) throw std::runtime_error("giflib could not start the picture");
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = {GifByteType(i), GifByteType(255 - i), GifByteType(i / 2)};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr) == GIF_OK;
    std::vector<unsigned char> rgb(3 * std::size_t(width));
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    // Interlaced images are written in four passes of rows.
    static constexpr int kFirst[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; ok && pass < (interlaced ? 4 : 1); ++pass) {
        for (int y = interlaced ? kFirst[pass] : 0; ok && y < height; y += interlaced ? kStep[pass] : 1) {
            fill(y, width, rgb.data());
            for (int x = 0; x < width; ++x) line[std::size_t(x)] = rgb[3 * std::size_t(x)];
            ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
        }
    }
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    if (!ok) throw std::runtime_error("giflib could not write the picture");
    return out;
}

Bytes MakeBmp(int width, int height, RowFiller const& fill) {
    const std::uint32_t stride = (3 * std::uint32_t(width) + 3) / 4 * 4;
    const std::uint32_t bits = stride * std::uint32_t(height);
    Bytes out{'B', 'M'};
    PutLe(out, 54 + bits, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, std::uint32_t(width), 4);
    PutLe(out, std::uint32_t(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);  // BI_RGB, sizes, densities and colours left to readers
    out.resize(54 + bits, 0);
    std::vector<unsigned char> rgb(3 * std::size_t(width));
    for (int y = 0; y < height; ++y) {
        fill(y, width, rgb.data());
        unsigned char* row = out.data() + 54 + std::size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = rgb[3 * std::size_t(x) + 2 - std::size_t(c)];
    }
    return out;
}

Bytes DeclaringJpeg(int width, int height, bool progressive) {
    Bytes jpeg = MakeJpeg(16, 16, OneColour(200, 40, 40), progressive);
    // The frame header: FFC0 (baseline) or FFC2 (progressive), its length,
    // the precision, then height and width.
    for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8), jpeg[i + 6] = static_cast<unsigned char>(height);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8), jpeg[i + 8] = static_cast<unsigned char>(width);
            return jpeg;
        }
    }
    throw std::runtime_error("libjpeg wrote no frame header");
}

Bytes DeclaringPng(int width, int height) {
    Bytes png = MakePng(16, 16, OneColour(40, 200, 40));
    // IHDR follows the signature: length, type, width, height, ..., CRC.
    if (png.size() < 33 || std::memcmp(&png[12], "IHDR", 4) != 0) throw std::runtime_error("no IHDR");
    PutBe32(png, 16, std::uint32_t(width));
    PutBe32(png, 20, std::uint32_t(height));
    PutBe32(png, 29, std::uint32_t(crc32(0, &png[12], 17)));
    return png;
}

}  // namespace ksdvi::test

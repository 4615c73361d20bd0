// JPEG, GIF, PNG and BMP files made by ImageMagick (scripts/make-pictures.sh),
// decoded to DIBs that the GDI layer reads back. Each picture is 16 x 12 pixels
// in four 8 x 6 regions of known colours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/jpg/JpgLib.h"
#include "platform/png/PngLib.h"
#include "support/TempFile.h"

namespace ksdvi::gdi {
namespace {

enum class Format { Jpeg, Gif, Png, Bmp };

std::string PicturePath(const std::string& name) { return std::string(KSDVI_TEST_DATA) + "/pictures/" + name; }

using SizeCheck = std::size_t (*)(const unsigned char*, std::size_t);
using Converter = int (*)(const unsigned char*, std::size_t, unsigned char*, std::size_t);

// The size check and the decoder of the formats read from memory.
std::pair<SizeCheck, Converter> CallsFor(Format format) {
    switch (format) {
    case Format::Jpeg: return {jpg::check_dib_size, jpg::Jpg2Dib};
    case Format::Gif: return {jpg::check_gif_size, jpg::Gif2Dib};
    case Format::Bmp: return {jpg::check_bmp_size, jpg::Bmp2Dib};
    case Format::Png: break;
    }
    return {nullptr, nullptr};
}

// The DIB of a file, or nothing when the decoder refuses it. The buffer is
// exactly the size the decoder asked for, so a write past it is caught.
std::vector<BYTE> Decode(Format format, const std::vector<BYTE>& file) {
    if (format == Format::Png) {
        std::istringstream bytes(std::string(file.begin(), file.end()));
        return png::ReadPngDib(bytes);
    }
    const auto [check, convert] = CallsFor(format);
    const std::size_t size = check(file.data(), file.size());
    if (size == 0) return {};
    std::vector<BYTE> dib(size);
    EXPECT_EQ(convert(file.data(), file.size(), dib.data(), size - 1), 0) << "a buffer too small is refused";
    if (convert(file.data(), file.size(), dib.data(), size) <= 0) return {};
    return dib;
}

BITMAPINFOHEADER HeaderOf(const std::vector<BYTE>& dib) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    return h;
}

constexpr COLORREF kRed = RGB(255, 0, 0), kLime = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255),
                   kBlack = RGB(0, 0, 0);
constexpr COLORREF Grey(int v) { return RGB(v, v, v); }

struct Picture {
    const char* file;
    Format format;
    int bitCount;
    COLORREF regions[4];  // top left, top right, bottom left, bottom right
    int tolerance;        // per channel; lossy files are also not probed next to region edges
    int density;          // pixels per metre in the header, or -1 when the caller sets it
};

const Picture kPictures[] = {
    {"rgb.jpg", Format::Jpeg, 24, {kRed, kLime, kBlue, kWhite}, 40, -1},
    {"progressive.jpg", Format::Jpeg, 24, {kRed, kLime, kBlue, kWhite}, 40, -1},
    {"cmyk.jpg", Format::Jpeg, 24, {kRed, kLime, kBlue, kWhite}, 40, -1},
    {"grey.jpg", Format::Jpeg, 8, {kBlack, Grey(64), Grey(192), kWhite}, 12, -1},
    {"palette.gif", Format::Gif, 8, {kRed, kLime, kBlue, kWhite}, 0, -1},
    {"interlaced.gif", Format::Gif, 8, {kRed, kLime, kBlue, kWhite}, 0, -1},
    {"transparent.gif", Format::Gif, 8, {kRed, kLime, kWhite, kWhite}, 0, -1},
    {"rgb.png", Format::Png, 24, {kRed, kLime, kBlue, kWhite}, 0, 11811},
    {"deep.png", Format::Png, 24, {kRed, kLime, kBlue, kWhite}, 0, 3780},
    {"greyalpha.png", Format::Png, 24, {kBlack, kWhite, kBlack, kWhite}, 0, 3780},
    {"bkgd.png", Format::Png, 24, {kBlack, Grey(128), kBlack, Grey(128)}, 1, 3780},
    {"rgb.bmp", Format::Bmp, 24, {kRed, kLime, kBlue, kWhite}, 0, -1},
    {"palette.bmp", Format::Bmp, 4, {kRed, kLime, kBlue, kWhite}, 0, -1},
    {"rgb565.bmp", Format::Bmp, 24, {kRed, kLime, kBlue, kWhite}, 0, -1},
};

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST(PictureDecoder, RegionsLandWhereTheFileHasThem) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.file);
        const std::vector<BYTE> file = ReadFileBytes(PicturePath(p.file));
        ASSERT_FALSE(file.empty());
        const std::vector<BYTE> dib = Decode(p.format, file);
        ASSERT_FALSE(dib.empty());
        const BITMAPINFOHEADER h = HeaderOf(dib);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biBitCount, p.bitCount);
        if (p.density >= 0) {
            EXPECT_EQ(h.biXPelsPerMeter, p.density);
            EXPECT_EQ(h.biYPelsPerMeter, p.density);
        }
        DibView view;
        ASSERT_TRUE(DibView::FromPacked(dib.data(), dib.size(), view));
        ASSERT_EQ(view.Width(), 16);
        ASSERT_EQ(view.Height(), 12);
        EXPECT_FALSE(view.TopDown());
        const auto surface = view.Decode(DIB_RGB_COLORS, nullptr);
        ASSERT_TRUE(surface);
        const int margin = p.tolerance > 1 ? 1 : 0;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (margin && (std::abs(2 * x - 15) <= 2 * margin || std::abs(2 * y - 11) <= 2 * margin)) continue;
                const COLORREF want = p.regions[(x < 8 ? 0 : 1) + (y < 6 ? 0 : 2)];
                const COLORREF got = ColorFromPixel(surface->At(x, y));
                EXPECT_TRUE(Near(got, want, p.tolerance))
                    << "pixel " << x << "," << y << " is " << std::hex << got << ", not " << want;
            }
        }
    }
}

// Damaged files of the test data, and every good file cut at each eighth of
// its length: all refused, none read outside its bytes. A header claiming an
// absurd size is refused by the size check, before anyone allocates for it.
TEST(PictureDecoder, DamagedFilesAreRefused) {
    const struct {
        const char* file;
        Format format;
        bool absurdSize;
    } kDamaged[] = {
        {"truncated.jpg", Format::Jpeg, false}, {"huge.jpg", Format::Jpeg, true},
        {"truncated.gif", Format::Gif, false},  {"huge.gif", Format::Gif, true},
        {"truncated.png", Format::Png, false},  {"truncated.bmp", Format::Bmp, false},
        {"huge.bmp", Format::Bmp, true},
    };
    for (const auto& d : kDamaged) {
        const std::vector<BYTE> file = ReadFileBytes(PicturePath(d.file));
        ASSERT_FALSE(file.empty()) << d.file;
        EXPECT_TRUE(Decode(d.format, file).empty()) << d.file;
        if (d.absurdSize) {
            EXPECT_EQ(CallsFor(d.format).first(file.data(), file.size()), 0u) << d.file;
        }
    }
    for (const Picture& p : kPictures) {
        const std::vector<BYTE> file = ReadFileBytes(PicturePath(p.file));
        for (int eighth = 1; eighth < 8; ++eighth) {
            const std::vector<BYTE> cut(file.begin(), file.begin() + file.size() * eighth / 8);
            EXPECT_TRUE(Decode(p.format, cut).empty()) << p.file << " cut to " << cut.size() << " bytes";
        }
    }
}

}  // namespace
}  // namespace ksdvi::gdi

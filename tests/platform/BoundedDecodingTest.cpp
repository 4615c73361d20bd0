// The picture decoders. JPEG, GIF, PNG and BMP files made by ImageMagick
// (scripts/make-pictures.sh) decode to DIBs that the GDI layer reads back;
// damaged ones are refused. Within bounds, pictures shown at their own size
// or larger decode exactly as without bounds; pictures shown smaller decode
// smaller (JPEG by libjpeg's scaling, the others by averaging blocks of
// pixels); pictures that declare far more pixels than anything shows, made
// here by the real encoders, take memory for what is shown, or are refused by
// the bytes, the deadline or the hard limit on pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/DecodeBounds.h"
#include "platform/gdi/Dib.h"
#include "platform/jpg/JpgLib.h"
#include "platform/png/PngLib.h"
#include "support/Cli.h"
#include "support/PictureFiles.h"
#include "support/TempFile.h"

namespace ksdvi::gdi {
namespace {

using test::Bytes, test::MakeJpeg, test::OneColour, test::WithExifResolution, test::WithJfifDensity;

enum class Format { Jpeg, Gif, Png, Bmp };

DecodeResult DecodeWithin(Format format, const Bytes& file, const DecodeBounds& bounds, std::vector<BYTE>& dib) {
    switch (format) {
    case Format::Jpeg: return jpg::DecodeJpg(file.data(), file.size(), bounds, dib);
    case Format::Gif: return jpg::DecodeGif(file.data(), file.size(), bounds, dib);
    case Format::Bmp: return jpg::DecodeBmp(file.data(), file.size(), bounds, dib);
    case Format::Png: break;
    }
    std::istringstream stream(std::string(file.begin(), file.end()));
    return png::DecodePng(stream, bounds, dib);
}

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

// The DIB the decoders give without bounds, or nothing when they refuse the
// file. The buffer is exactly the size the decoder asked for, so a write past
// it is caught.
std::vector<BYTE> DecodeWhole(Format format, const Bytes& file) {
    if (format == Format::Png) {
        std::istringstream stream(std::string(file.begin(), file.end()));
        return png::ReadPngDib(stream);
    }
    const auto [check, convert] = CallsFor(format);
    const std::size_t size = check(file.data(), file.size());
    if (size == 0) return {};
    std::vector<BYTE> dib(size);
    EXPECT_EQ(convert(file.data(), file.size(), dib.data(), size - 1), 0) << "a buffer too small is refused";
    if (convert(file.data(), file.size(), dib.data(), size) <= 0) return {};
    return dib;
}

DecodeBounds ShownAt(int width, int height) {
    DecodeBounds bounds;
    bounds.shownAt = [=](const DeclaredPicture&) { return SIZE{width, height}; };
    return bounds;
}

// The decoded pixels, or null when the DIB cannot be read.
std::shared_ptr<Surface> Pixels(const std::vector<BYTE>& dib) {
    DibView view;
    if (!DibView::FromPacked(dib.data(), dib.size(), view)) return nullptr;
    return view.Decode(DIB_RGB_COLORS, nullptr);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The picture's four regions on `pixels`, `width` x `height`; lossy files
// are not probed within `margin` of a region's edge.
void ExpectRegions(const Surface& pixels, const COLORREF (&regions)[4], int tolerance, int width, int height,
                   int margin) {
    ASSERT_EQ(pixels.Width(), width);
    ASSERT_EQ(pixels.Height(), height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (std::abs(2 * x - width + 1) <= 2 * margin || std::abs(2 * y - height + 1) <= 2 * margin) continue;
            const COLORREF want = regions[(x < width / 2 ? 0 : 1) + (y < height / 2 ? 0 : 2)];
            const COLORREF got = ColorFromPixel(pixels.At(x, y));
            EXPECT_TRUE(Near(got, want, tolerance))
                << "pixel " << x << "," << y << " is " << std::hex << got << ", not " << want;
        }
    }
}

constexpr COLORREF kRed = RGB(255, 0, 0), kLime = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255),
                   kBlack = RGB(0, 0, 0);
constexpr COLORREF Grey(int v) { return RGB(v, v, v); }

// The pictures of tests/data: 16 x 12 in four 8 x 6 regions.
struct Picture {
    const char* file;
    Format format;
    COLORREF regions[4];  // top left, top right, bottom left, bottom right
    int tolerance;        // per channel; lossy files are not probed next to region edges
    int density;          // pixels per metre the header declares, 0 for none
    int bitCount;         // of the DIB decoded
    int dibDensity;       // pixels per metre in the DIB's header, or -1 when the caller sets it
    // The regions' alphas, for pictures with transparency: they keep it, in a
    // 32-bit DIB at their own size, their colours as the file has them.
    std::array<int, 4> alphas{-1, -1, -1, -1};
};

const Picture kPictures[] = {
    {"rgb.jpg", Format::Jpeg, {kRed, kLime, kBlue, kWhite}, 40, 0, 24, -1},
    {"progressive.jpg", Format::Jpeg, {kRed, kLime, kBlue, kWhite}, 40, 0, 24, -1},
    // Red, green and blue as CMYK inks, shown as Ghostscript and poppler show them.
    {"cmyk.jpg", Format::Jpeg, {RGB(237, 28, 36), RGB(0, 166, 81), RGB(46, 48, 146), kWhite}, 40, 0, 24, -1},
    {"grey.jpg", Format::Jpeg, {kBlack, Grey(64), Grey(192), kWhite}, 12, 0, 8, -1},
    {"palette.gif", Format::Gif, {kRed, kLime, kBlue, kWhite}, 0, 0, 8, -1},
    {"interlaced.gif", Format::Gif, {kRed, kLime, kBlue, kWhite}, 0, 0, 8, -1},
    {"transparent.gif", Format::Gif, {kRed, kLime, kWhite, kWhite}, 0, 0, 8, -1},
    {"rgb.png", Format::Png, {kRed, kLime, kBlue, kWhite}, 0, 11811, 24, 11811},
    {"deep.png", Format::Png, {kRed, kLime, kBlue, kWhite}, 0, 0, 24, 3780},
    {"greyalpha.png", Format::Png, {kBlack, kBlack, kBlack, kBlack}, 0, 0, 32, 3780, {255, 0, 255, 0}},
    {"bkgd.png", Format::Png, {kBlack, kBlack, kBlack, kBlack}, 0, 0, 32, 3780, {255, 0, 255, 0}},  // bKGD unused
    {"rgb.bmp", Format::Bmp, {kRed, kLime, kBlue, kWhite}, 0, 0, 24, -1},
    {"palette.bmp", Format::Bmp, {kRed, kLime, kBlue, kWhite}, 0, 0, 4, -1},
    {"rgb565.bmp", Format::Bmp, {kRed, kLime, kBlue, kWhite}, 0, 0, 24, -1},
};

Bytes PictureFile(const char* name) { return ReadFileBytes(DataFile(std::string("pictures/") + name)); }

TEST(PictureDecoder, RegionsLandWhereTheFileHasThem) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.file);
        const std::vector<BYTE> dib = DecodeWhole(p.format, PictureFile(p.file));
        ASSERT_FALSE(dib.empty());
        BITMAPINFOHEADER h;
        std::memcpy(&h, dib.data(), sizeof h);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biBitCount, p.bitCount);
        if (p.dibDensity >= 0) {
            EXPECT_EQ(h.biXPelsPerMeter, p.dibDensity);
            EXPECT_EQ(h.biYPelsPerMeter, p.dibDensity);
        }
        DibView view;
        ASSERT_TRUE(DibView::FromPacked(dib.data(), dib.size(), view));
        EXPECT_FALSE(view.TopDown());
        const auto surface = view.Decode(DIB_RGB_COLORS, nullptr);
        ASSERT_TRUE(surface);
        ExpectRegions(*surface, p.regions, p.tolerance, 16, 12, p.tolerance > 1 ? 1 : 0);
        const std::vector<BYTE> alphas = view.Alphas(0, 0, 16, 12);
        if (p.alphas[0] < 0) continue;
        ASSERT_EQ(alphas.size(), 16u * 12u);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(alphas[size_t(y * 16 + x)], p.alphas[size_t((x < 8 ? 0 : 1) + (y < 6 ? 0 : 2))])
                    << x << "," << y;
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
        const Bytes file = PictureFile(d.file);
        ASSERT_FALSE(file.empty()) << d.file;
        EXPECT_TRUE(DecodeWhole(d.format, file).empty()) << d.file;
        if (d.absurdSize) {
            EXPECT_EQ(CallsFor(d.format).first(file.data(), file.size()), 0u) << d.file;
        }
    }
    for (const Picture& p : kPictures) {
        const Bytes file = PictureFile(p.file);
        for (int eighth = 1; eighth < 8; ++eighth) {
            const Bytes cut(file.begin(), file.begin() + file.size() * eighth / 8);
            EXPECT_TRUE(DecodeWhole(p.format, cut).empty()) << p.file << " cut to " << cut.size() << " bytes";
        }
    }
}

// Shown at their own size, a little smaller than it (no eighth or block of
// pixels is small enough to leave out) or larger: the very DIB of decoding
// without bounds. The shown size is asked for with what the header declares.
TEST(BoundedDecoding, PicturesShownAtTheirSizeOrLargerDecodeAsWithoutBounds) {
    for (const Picture& p : kPictures) {
        const Bytes file = PictureFile(p.file);
        ASSERT_FALSE(file.empty()) << p.file;
        const std::vector<BYTE> whole = DecodeWhole(p.format, file);
        ASSERT_FALSE(whole.empty()) << p.file;
        for (SIZE shown : {SIZE{16, 12}, SIZE{15, 11}, SIZE{64, 48}, SIZE{0, 0}}) {
            SCOPED_TRACE(std::string(p.file) + " shown at " + std::to_string(shown.cx) + "x" +
                         std::to_string(shown.cy));
            DeclaredPicture declared;
            DecodeBounds bounds;
            bounds.shownAt = [&](const DeclaredPicture& d) {
                declared = d;
                return shown.cx ? shown : SIZE{d.width, d.height};
            };
            std::vector<BYTE> dib;
            ASSERT_EQ(DecodeWithin(p.format, file, bounds, dib), DecodeResult::Decoded);
            EXPECT_EQ(dib, whole);
            EXPECT_EQ(declared.width, 16);
            EXPECT_EQ(declared.height, 12);
            EXPECT_EQ(declared.xPelsPerMeter, p.density);
            EXPECT_EQ(declared.yPelsPerMeter, p.density);
        }
    }
}

// A JPEG's resolution as dvipdfmx reads it: its JFIF header's when it has
// one (a density without unit is none), else its Exif marker's. A marker
// cut short gives none.
TEST(BoundedDecoding, JpegResolutionIsReadAsDvipdfmxReadsIt) {
    Bytes const plain = MakeJpeg(16, 12, OneColour(200, 30, 30));
    // The marker ends after the IFD's count of entries: none of them is there.
    Bytes cut = WithExifResolution(plain, 300, 2, false, false);
    cut.erase(cut.begin() + 20, cut.begin() + 4 + (cut[4] << 8 | cut[5]));
    cut[4] = 0, cut[5] = 16;
    struct Case {
        char const* what;
        Bytes file;
        LONG density;
    } const cases[] = {
        {"JFIF, 200 per inch", WithJfifDensity(plain, 1, 200, 200), 7874},
        {"JFIF, 100 per centimetre", WithJfifDensity(plain, 2, 100, 100), 10000},
        {"JFIF, an aspect ratio", WithJfifDensity(plain, 0, 3, 3), 0},
        {"Exif alone, 300 per inch", WithExifResolution(plain, 300, 2, false, false), 11811},
        {"Exif alone, big-endian, 118 per centimetre", WithExifResolution(plain, 118, 3, true, false), 11800},
        {"Exif before a JFIF header without unit", WithExifResolution(plain, 300, 2, false, true), 0},
        {"Exif before a JFIF header of 200 per inch",
         WithExifResolution(WithJfifDensity(plain, 1, 200, 200), 300, 2, true, true), 7874},
        {"Exif cut short", cut, 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        DeclaredPicture declared;
        DecodeBounds bounds;
        bounds.shownAt = [&](const DeclaredPicture& d) {
            declared = d;
            return SIZE{d.width, d.height};
        };
        std::vector<BYTE> dib;
        ASSERT_EQ(DecodeWithin(Format::Jpeg, c.file, bounds, dib), DecodeResult::Decoded);
        EXPECT_EQ(declared.xPelsPerMeter, c.density);
        EXPECT_EQ(declared.yPelsPerMeter, c.density);
    }
}

// Shown at half their size: 8 x 6 pixels, each region a quarter of them in
// its own colour (JPEG at four eighths; the others average 2 x 2 blocks,
// which never straddle a region, into 24 bits).
TEST(BoundedDecoding, PicturesShownAtHalfTheirSizeDecodeAtHalfWithTheirRegions) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.file);
        const Bytes file = PictureFile(p.file);
        std::vector<BYTE> dib;
        ASSERT_EQ(DecodeWithin(p.format, file, ShownAt(8, 6), dib), DecodeResult::Decoded);
        const auto pixels = Pixels(dib);
        ASSERT_TRUE(pixels);
        const int scale = p.alphas[0] < 0 ? 1 : 2;  // transparent: at their own size
        ExpectRegions(*pixels, p.regions, p.tolerance, 8 * scale, 6 * scale, p.tolerance > 1 ? 1 : 0);
    }
}

// A 64 x 48 picture whose every pixel differs from its neighbours.
void Gradient(int y, int width, unsigned char* rgb) {
    for (int x = 0; x < width; ++x, rgb += 3) {
        rgb[0] = static_cast<unsigned char>(x * 4);
        rgb[1] = static_cast<unsigned char>(y * 5);
        rgb[2] = static_cast<unsigned char>((x * 7 + y * 3) % 256);
    }
}

// The same in greys.
void GreyGradient(int y, int width, unsigned char* rgb) {
    for (int x = 0; x < width; ++x, rgb += 3) rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(x * 3 + y * 2);
}

// Interlaced files send their pixels in passes, and grey PNGs one byte a
// pixel: whole or averaged, they give the DIB their plain RGB twins give, and
// each pixel of an averaged one is the mean of its block of the whole picture
// (blocks at the right and bottom edges hold fewer pixels when the size is no
// multiple of the block's).
TEST(BoundedDecoding, InterlacedAndGreyPicturesAverageAsTheirPlainTwins) {
    const struct {
        const char* what;
        Format format;
        Bytes plain, interlaced;
    } cases[] = {
        {"PNG", Format::Png, test::MakePng(64, 48, Gradient), test::MakePng(64, 48, Gradient, false, true)},
        {"GIF", Format::Gif, test::MakeGif(64, 48, Gradient), test::MakeGif(64, 48, Gradient, true)},
        {"grey PNG", Format::Png, test::MakePng(64, 48, GreyGradient), test::MakePng(64, 48, GreyGradient, true)},
        {"interlaced grey PNG", Format::Png, test::MakePng(64, 48, GreyGradient),
         test::MakePng(64, 48, GreyGradient, true, true)},
    };
    for (const auto& c : cases) {
        const auto whole = Pixels(DecodeWhole(c.format, c.plain));
        ASSERT_TRUE(whole) << c.what;
        std::vector<BYTE> natural;
        ASSERT_EQ(DecodeWithin(c.format, c.interlaced, ShownAt(64, 48), natural), DecodeResult::Decoded);
        EXPECT_EQ(natural, DecodeWhole(c.format, c.plain)) << c.what << " at its own size";
        for (SIZE shown : {SIZE{16, 12}, SIZE{21, 13}, SIZE{30, 48}}) {
            SCOPED_TRACE(std::string(c.what) + " shown at " + std::to_string(shown.cx) + "x" +
                         std::to_string(shown.cy));
            std::vector<BYTE> plain, interlaced;
            ASSERT_EQ(DecodeWithin(c.format, c.plain, ShownAt(shown.cx, shown.cy), plain), DecodeResult::Decoded);
            ASSERT_EQ(DecodeWithin(c.format, c.interlaced, ShownAt(shown.cx, shown.cy), interlaced),
                      DecodeResult::Decoded);
            EXPECT_EQ(interlaced, plain);
            const auto reduced = Pixels(plain);
            ASSERT_TRUE(reduced);
            EXPECT_GE(reduced->Width(), shown.cx);
            EXPECT_GE(reduced->Height(), shown.cy);
            EXPECT_LT(reduced->Width(), 64);
            // Blocks as wide as the reduced picture leaves them.
            const int blockWidth = (64 + reduced->Width() - 1) / reduced->Width();
            const int blockHeight = (48 + reduced->Height() - 1) / reduced->Height();
            for (int y = 0; y < reduced->Height(); ++y) {
                for (int x = 0; x < reduced->Width(); ++x) {
                    double sum[3] = {0, 0, 0};
                    int n = 0;
                    for (int sy = y * blockHeight; sy < std::min(48, (y + 1) * blockHeight); ++sy) {
                        for (int sx = x * blockWidth; sx < std::min(64, (x + 1) * blockWidth); ++sx, ++n) {
                            const COLORREF c = ColorFromPixel(whole->At(sx, sy));
                            sum[0] += GetRValue(c), sum[1] += GetGValue(c), sum[2] += GetBValue(c);
                        }
                    }
                    const COLORREF mean = RGB(int(sum[0] / n + 0.5), int(sum[1] / n + 0.5), int(sum[2] / n + 0.5));
                    const COLORREF got = ColorFromPixel(reduced->At(x, y));
                    ASSERT_TRUE(Near(got, mean, 1))
                        << "pixel " << x << "," << y << " is " << std::hex << got << ", the block's mean " << mean;
                }
            }
        }
    }
}

// Pictures declaring far more pixels than they are shown with: a JPEG made at
// 16 x 16 and given a frame of 16000 x 16000 (372 bytes, as hostile documents
// hold them), and pictures of one colour that compress to little, shown in a
// few hundred pixels. Their DIBs hold what is shown: JPEG at its smallest
// scale, an eighth; the others in blocks, less than twice what is shown.
struct Bomb {
    const char* what;
    Format format;
    Bytes file;
    int width, height;  // declared
    SIZE shown;
    COLORREF colour;  // of every pixel decoded
    Bomb(const char* w, Format f, Bytes b, int x, int y, SIZE s, COLORREF c)
        : what(w), format(f), file(std::move(b)), width(x), height(y), shown(s), colour(c) {}
};

std::vector<Bomb> const& Bombs() {
    static std::vector<Bomb> const bombs{
        Bomb("JPEG", Format::Jpeg, test::DeclaringJpeg(16000, 16000), 16000, 16000, {600, 600}, Grey(128)),
        Bomb("PNG", Format::Png, test::MakePng(16000, 16000, test::OneColour(160, 0, 0), true), 16000, 16000,
             {600, 450}, Grey(160)),
        Bomb("GIF", Format::Gif, test::MakeGif(6000, 4000, test::OneColour(40, 0, 0)), 6000, 4000, {300, 300},
             RGB(40, 215, 20)),
        Bomb("BMP", Format::Bmp, test::MakeBmp(3000, 2000, test::OneColour(10, 120, 230)), 3000, 2000, {250, 100},
             RGB(10, 120, 230)),
    };
    return bombs;
}

TEST(BoundedDecoding, PicturesDeclaringFarMorePixelsTakeMemoryForWhatIsShown) {
    for (const Bomb& b : Bombs()) {
        SCOPED_TRACE(b.what);
        std::vector<BYTE> dib;
        ASSERT_EQ(DecodeWithin(b.format, b.file, ShownAt(b.shown.cx, b.shown.cy), dib), DecodeResult::Decoded);
        DibView view;
        ASSERT_TRUE(DibView::FromPacked(dib.data(), dib.size(), view));
        EXPECT_EQ(view.BitCount(), 24);
        EXPECT_GE(view.Width(), b.shown.cx);
        EXPECT_GE(view.Height(), b.shown.cy);
        if (b.format == Format::Jpeg) {
            EXPECT_EQ(view.Width(), b.width / 8);
            EXPECT_EQ(view.Height(), b.height / 8);
        } else {
            EXPECT_LT(view.Width(), 2 * b.shown.cx);
            EXPECT_LT(view.Height(), 2 * b.shown.cy);
        }
        // The DIB is what the decoder allocated for the pixels.
        EXPECT_EQ(dib.size(), sizeof(BITMAPINFOHEADER) + DibStride(view.Width(), 24) * std::size_t(view.Height()));
        const auto pixels = view.Decode(DIB_RGB_COLORS, nullptr);
        ASSERT_TRUE(pixels);
        // The JPEG's first block keeps the picture's own colour.
        const int from = b.format == Format::Jpeg ? 4 : 0;
        for (int y = from; y < pixels->Height(); y += 7)
            for (int x = from; x < pixels->Width(); x += 7)
                ASSERT_TRUE(Near(ColorFromPixel(pixels->At(x, y)), b.colour, 1)) << x << "," << y;
    }
}

// Shown at their own size they would take more than the bytes allow: refused
// before the pixels are allocated. A progressive JPEG needs buffers for all
// the file's coefficients whatever the scale: refused as well. The same
// pictures decode with bytes enough for what is shown.
TEST(BoundedDecoding, PicturesBeyondTheBytesAreRefused) {
    constexpr std::uint64_t kBytes = std::uint64_t(16) << 20;
    for (const Bomb& b : Bombs()) {
        SCOPED_TRACE(b.what);
        DecodeBounds bounds = ShownAt(b.width, b.height);
        bounds.bytes = kBytes;
        std::vector<BYTE> dib;
        EXPECT_EQ(DecodeWithin(b.format, b.file, bounds, dib), DecodeResult::TooLarge);
        EXPECT_TRUE(dib.empty());
        bounds = ShownAt(b.shown.cx, b.shown.cy);
        bounds.bytes = kBytes;
        EXPECT_EQ(DecodeWithin(b.format, b.file, bounds, dib), DecodeResult::Decoded);
    }
    DecodeBounds bounds = ShownAt(600, 600);
    bounds.bytes = std::uint64_t(256) << 20;
    std::vector<BYTE> dib;
    EXPECT_EQ(DecodeWithin(Format::Jpeg, test::DeclaringJpeg(16000, 16000, true), bounds, dib), DecodeResult::TooLarge);
}

// A deadline that has passed stops every decoder at its first row or scan,
// small pictures and large ones alike.
TEST(BoundedDecoding, APassedDeadlineStopsEveryDecoder) {
    auto passed = [](int width, int height) {
        DecodeBounds bounds = ShownAt(width, height);
        bounds.deadline = DecodeBounds::Clock::now();
        return bounds;
    };
    for (const Picture& p : kPictures) {
        std::vector<BYTE> dib;
        EXPECT_EQ(DecodeWithin(p.format, PictureFile(p.file), passed(16, 12), dib), DecodeResult::TooSlow) << p.file;
    }
    for (const Bomb& b : Bombs()) {
        std::vector<BYTE> dib;
        EXPECT_EQ(DecodeWithin(b.format, b.file, passed(b.shown.cx, b.shown.cy), dib), DecodeResult::TooSlow) << b.what;
        EXPECT_TRUE(dib.empty());
    }
}

// Beyond 2^28 pixels nothing is decoded, however small it is shown.
TEST(BoundedDecoding, HeadersBeyondTheHardLimitAreRefused) {
    std::vector<BYTE> dib;
    EXPECT_EQ(DecodeWithin(Format::Jpeg, test::DeclaringJpeg(20000, 20000), ShownAt(100, 100), dib),
              DecodeResult::TooManyPixels);
    EXPECT_EQ(DecodeWithin(Format::Png, test::DeclaringPng(20000, 20000), ShownAt(100, 100), dib),
              DecodeResult::TooManyPixels);
}

}  // namespace
}  // namespace ksdvi::gdi

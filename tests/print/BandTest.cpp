// Bands of real page bitmaps: pages of the test documents rendered as the
// tool renders them, saved as BMP files and sent through CPrintDIB to a
// printer device whose paper is green, so that what no band drew shows.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "DocumentSession.h"
#include "PageBmp.h"
#include "platform/gdi/Cdc.h"
#include "print/CPrintDIB.h"
#include "render/PageRenderer.h"
#include "support/Cli.h"
#include "support/TempFile.h"

namespace gdi = ksdvi::gdi;

namespace {

constexpr gdi::COLORREF kGreen = gdi::RGB(0, 255, 0);

// Page `page` of a test document at `dpi`, rendered once per test program.
gdi::RasterDevice& Page(std::string const& name, int page, int dpi, bool monochrome = false) {
    static ksdvi::TeXFonts fonts;
    static std::map<std::tuple<std::string, int, int, bool>, std::unique_ptr<PageRenderer>> pages;
    auto& renderer = pages[{name, page, dpi, monochrome}];
    if (!renderer) {
        DocumentSession session(DataFile(name), {}, fonts);
        EXPECT_TRUE(session.Load());
        RenderSettings settings;
        settings.dpi = dpi;
        settings.paper = session.PaperSpecial() ? *session.PaperSpecial() : *ksdvi::ParsePaperOption("a4");
        renderer = std::make_unique<PageRenderer>(settings);
        EXPECT_TRUE(renderer->Render(session.Document(), page)) << renderer->Error();
        auto& surface = *renderer->Device()->GetSurface();
        if (monochrome) surface.QuantizeToMonochrome({0, 0, surface.Width(), surface.Height()});
    }
    return *renderer->Device();
}

// The page as a BMP file of `bits` per pixel, opened for reading.
struct PageFile {
    PageFile(gdi::RasterDevice const& page, int bits) : path(".bmp") {
        CGSFile out(open(path.Path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
        EXPECT_TRUE(WritePageBmp(page, bits, out));
        out.Close();
        EXPECT_EQ(file.Open(path.Path().c_str(), CGSFile::kRead | CGSFile::kShareRead), 1);
    }
    TempFile path;
    CGSFile file;
};

// The lines of a BMP file after its header, in file order (bottom-up).
std::vector<std::vector<unsigned char>> Lines(CGSFile& file, unsigned stride) {
    std::vector<std::vector<unsigned char>> lines;
    for (std::vector<unsigned char> line(stride); file.Read(line.data(), stride) == stride;) lines.push_back(line);
    return lines;
}

// A printer page as large as `page`, green until bands are drawn.
std::unique_ptr<gdi::RasterDevice> GreenPrinter(gdi::RasterDevice const& page) {
    return gdi::RasterDevice::Create({page.Width(), page.Height(), page.Caps().dpiX, page.Caps().dpiY,
                                      gdi::DeviceKind::Printer, page.Width(), page.Height(), 0, 0, kGreen});
}

// What a pixel is at a depth: black or white, a grey level, or itself.
gdi::COLORREF AtDepth(gdi::COLORREF c, int bits) {
    unsigned const grey = (gdi::GetRValue(c) * 299 + gdi::GetGValue(c) * 587 + gdi::GetBValue(c) * 114 + 500) / 1000;
    if (bits == 1) return grey < 128 ? gdi::RGB(0, 0, 0) : gdi::RGB(255, 255, 255);
    if (bits == 8) return gdi::RGB(grey, grey, grey);
    return c;
}

// Sends every line of the file through the bands onto the printer.
void Print(PageFile& bmp, CPrintDIB& dib, gdi::CDC& dc) {
    auto lines = Lines(bmp.file, dib.GetStride());
    for (size_t i = 0; i < lines.size(); ++i) dib.AddPrintLine(&dc, unsigned(i + 1), lines[i].data());
    dib.FlushPrintBitmap(&dc);
}

class BandDepth : public testing::TestWithParam<int> {};

// Every pixel the page has at the file's depth comes back where it was
// (greys and colours too: bands with them are not made black and white),
// and a line that is all white is never drawn.
TEST_P(BandDepth, BandsRedrawThePageWithoutItsBlankLines) {
    int const bits = GetParam();
    gdi::RasterDevice& page = Page("plain.dvi", 0, 100);
    PageFile bmp(page, bits);
    CPrintDIB dib;
    ASSERT_EQ(dib.ReadHeader(&bmp.file), 1);
    auto printer = GreenPrinter(page);
    gdi::CDC dc(*printer);
    Print(bmp, dib, dc);

    int blankRows = 0, inkRows = 0;
    std::set<gdi::COLORREF> levels;
    for (int y = 0; y < page.Height(); ++y) {
        bool blank = true;
        for (int x = 0; x < page.Width(); ++x) blank &= AtDepth(page.GetPixel(x, y), bits) == gdi::RGB(255, 255, 255);
        (blank ? blankRows : inkRows)++;
        for (int x = 0; x < page.Width(); ++x) {
            gdi::COLORREF const want = AtDepth(page.GetPixel(x, y), bits), got = printer->GetPixel(x, y);
            levels.insert(want);
            if (blank)
                ASSERT_EQ(got, kGreen) << "blank row " << y;
            else if (got != kGreen)
                ASSERT_EQ(got, want) << x << "," << y;
            else
                ASSERT_EQ(want, gdi::RGB(255, 255, 255)) << "left out at " << x << "," << y;
        }
    }
    EXPECT_GT(blankRows, 0);
    EXPECT_GT(inkRows, 0);
    EXPECT_GT(levels.size(), bits == 1 ? 1u : 2u);  // the page has greys at 8 bits and more
}

// One band of consecutive text lines: trimmed to the bytes that hold ink and
// made 1-bit, each bit black where the page is.
TEST_P(BandDepth, TrimmedBandAtOneBit) {
    int const bits = GetParam();
    gdi::RasterDevice& page = Page("plain.dvi", 0, 100, true);
    PageFile bmp(page, bits);
    CPrintDIB dib;
    ASSERT_EQ(dib.ReadHeader(&bmp.file), 1);
    auto lines = Lines(bmp.file, dib.GetStride());
    auto dark = [&](size_t line, int x) { return page.GetPixel(x, page.Height() - 1 - int(line)) == 0; };
    // The first run of lines with ink, and its leftmost and rightmost ink.
    size_t first = 0;
    auto hasInk = [&](size_t line) {
        for (int x = 0; x < page.Width(); ++x)
            if (dark(line, x)) return true;
        return false;
    };
    while (first < lines.size() && !hasInk(first)) ++first;
    size_t end = first;
    int left = page.Width(), right = -1;
    for (; end < lines.size() && hasInk(end); ++end)
        for (int x = 0; x < page.Width(); ++x)
            if (dark(end, x)) left = std::min(left, x), right = std::max(right, x);
    ASSERT_LT(first, end);
    for (size_t i = first; i < end; ++i) dib.AddPrintLine(nullptr, unsigned(i + 1), lines[i].data());
    EXPECT_EQ(dib.GetFirstLine(), first + 1);

    dib.TrimBitmap();
    if (bits == 8) dib.ConvertGreyToMono();
    if (bits == 24) dib.ConvertColourToMono();
    // A 1-bit file trims at whole bytes, the others at pixels.
    int const x0 = bits == 1 ? left / 8 * 8 : left;
    int const x1 = bits == 1 ? std::min(page.Width(), (right / 8 + 1) * 8) : right + 1;
    auto const& h = dib.GetHeader();
    EXPECT_EQ(dib.GetXOffset(), x0);
    ASSERT_EQ(h.biWidth, x1 - x0);
    ASSERT_EQ(h.biBitCount, 1);
    ASSERT_EQ(h.biHeight, int(end - first));
    ASSERT_EQ(dib.GetStride(), unsigned((h.biWidth + 31) / 32 * 4));
    ASSERT_EQ(dib.GetColours()[0].rgbRed, 0);
    ASSERT_EQ(dib.GetColours()[1].rgbRed, 255);
    for (int row = 0; row < h.biHeight; ++row)
        for (unsigned x = 0; x < dib.GetStride() * 8; ++x) {
            bool const black = !(dib.GetBits()[size_t(row) * dib.GetStride() + x / 8] & (0x80 >> (x % 8)));
            bool const want = int(x) < h.biWidth && dark(first + size_t(row), x0 + int(x));
            ASSERT_EQ(black, want) << "row " << row << " x " << x;
        }
}

INSTANTIATE_TEST_SUITE_P(Depths, BandDepth, testing::Values(1, 8, 24));

// A page coloured to its edges has no blank line: bands end at 1 MiB, and the
// next line starts a new one.
TEST(Bands, EndAtOneMebibyte) {
    gdi::RasterDevice& page = Page("pagecolor.dvi", 0, 150);
    PageFile bmp(page, 24);
    CPrintDIB dib;
    ASSERT_EQ(dib.ReadHeader(&bmp.file), 1);
    auto printer = GreenPrinter(page);
    gdi::CDC dc(*printer);
    auto lines = Lines(bmp.file, dib.GetStride());
    unsigned const perBand = CPrintDIB::kBandBytes / dib.GetStride();
    ASSERT_GT(lines.size(), 2 * perBand);
    for (size_t i = 0; i < lines.size(); ++i) {
        dib.AddPrintLine(&dc, unsigned(i + 1), lines[i].data());
        ASSERT_LE(dib.GetUsed(), CPrintDIB::kBandBytes);
        ASSERT_EQ(dib.GetFirstLine(), i / perBand * perBand + 1) << i;
    }
    dib.FlushPrintBitmap(&dc);
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); x += 7)
            ASSERT_EQ(printer->GetPixel(x, y), page.GetPixel(x, y)) << x << "," << y;
}

// Lines of other depths count as blank.
TEST(Bands, FourBitBitmapDrawsNothing) {
    gdi::RasterDevice& page = Page("plain.dvi", 0, 100);
    PageFile bmp(page, 4);
    CPrintDIB dib;
    ASSERT_EQ(dib.ReadHeader(&bmp.file), 1);
    auto printer = GreenPrinter(page);
    gdi::CDC dc(*printer);
    Print(bmp, dib, dc);
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x) ASSERT_EQ(printer->GetPixel(x, y), kGreen);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A real BMP file broken in one way is refused, and nothing is drawn after.
TEST(Bands, BrokenFilesAreRefused) {
    gdi::RasterDevice& page = Page("plain.dvi", 0, 30);
    PageFile good(page, 8);
    std::vector<uint8_t> bytes = ReadFileBytes(good.path.Path());
    ASSERT_GT(bytes.size(), 1078u);
    using Mutation = std::function<void(std::vector<uint8_t>&)>;
    std::vector<std::pair<char const*, Mutation>> const cases = {
        {"as written", [](auto&) {}},
        {"not BM", [](auto& b) { b[0] = 'X'; }},
        {"file header cut", [](auto& b) { b.resize(10); }},
        {"pixel offset absurd", [](auto& b) { Put32(b, 10, 0x7FFFFFF0); }},
        {"pixel offset inside the headers", [](auto& b) { Put32(b, 10, 20); }},
        {"header size 0", [](auto& b) { Put32(b, 14, 0); }},
        {"width 0", [](auto& b) { Put32(b, 18, 0); }},
        {"top-down", [](auto& b) { Put32(b, 22, uint32_t(-int32_t(b[22] | b[23] << 8))); }},
        {"two planes", [](auto& b) { b[26] = 2; }},
        {"more colours than 8 bits hold", [](auto& b) { Put32(b, 46, 300); }},
        {"palette cut short", [](auto& b) { Put32(b, 10, 14 + 40 + 100); }},
        {"run-length encoded", [](auto& b) { Put32(b, 30, 1); }},
        {"pixel data cut short", [](auto& b) { b.pop_back(); }},
        {"line longer than a band", [](auto& b) { Put32(b, 18, 0x200000); }},
    };
    for (auto const& [name, mutate] : cases) {
        std::vector<uint8_t> broken = bytes;
        mutate(broken);
        TempFile file(broken, ".bmp");
        CGSFile in;
        ASSERT_EQ(in.Open(file.Path().c_str(), CGSFile::kRead), 1);
        CPrintDIB dib;
        int const expected = std::string(name) == "as written" ? 1 : 0;
        EXPECT_EQ(dib.ReadHeader(&in), expected) << name;
        if (expected) continue;
        auto printer = GreenPrinter(page);
        gdi::CDC dc(*printer);
        std::vector<unsigned char> line(4096, 0);
        dib.AddPrintLine(&dc, 1, line.data());
        dib.FlushPrintBitmap(&dc);
        EXPECT_EQ(printer->GetPixel(0, page.Height() - 1), kGreen) << name;
    }
}

}  // namespace

// CMYK colours as Ghostscript shows them: a row of patches painted with
// setcmykcolor by Ghostscript itself, one point each, against the conversion
// of single colours and of 8-bit pixels (plain and Adobe's inverted ones);
// and as poppler shows them: the same patches in a PDF, through pdftoppm.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/colour/CmykColour.h"
#include "support/TempDir.h"

namespace ksdvi {
namespace {

struct Ink {
    double c, m, y, k;
};

// Inks alone and together, black's own, and dvipsnames' colours.
constexpr Ink kInks[] = {
    {0, 0, 0, 0},
    {1, 0, 0, 0},
    {0, 1, 0, 0},
    {0, 0, 1, 0},
    {0, 0, 0, 1},
    {1, 1, 0, 0},
    {0, 1, 1, 0},
    {1, 0, 1, 0},
    {0, 0, 0, 0.5},
    {0.5, 0.5, 0, 0},
    {0.91, 0, 0.88, 0.12} /* ForestGreen */,
    {0, 0.87, 0.68, 0.32} /* Maroon */,
    {0.94, 0.54, 0, 0},
    {0.2, 0.4, 0.6, 0.1},
    {0.15, 0, 0.69, 0},
    {0, 0.81, 1, 0.6},
    {1, 1, 1, 1},
};
constexpr int kCount = static_cast<int>(std::size(kInks));

// The pixels of a PPM file `kCount` by 1, red, green and blue each; empty
// when it is not one.
std::vector<unsigned char> PatchPixels(std::string const& path) {
    std::ifstream ppm(path, std::ios::binary);
    // "P6", a comment Ghostscript writes, width, height, maximum.
    std::string magic, comment;
    int width = 0, height = 0, maximum = 0;
    ppm >> magic >> std::ws;
    while (ppm.peek() == '#') std::getline(ppm, comment);
    ppm >> width >> height >> maximum;
    ppm.get();
    std::vector<unsigned char> pixels((std::istreambuf_iterator<char>(ppm)), std::istreambuf_iterator<char>());
    if (magic != "P6" || width != kCount || height != 1 || maximum != 255 || pixels.size() != 3u * kCount) return {};
    return pixels;
}

// Ghostscript's pixels of the patches.
std::vector<unsigned char> GhostscriptPatches(TempDir const& dir) {
    std::ofstream ps(dir / "patches.ps");
    ps << "%!PS\n";
    for (Ink const& ink : kInks)
        ps << ink.c << ' ' << ink.m << ' ' << ink.y << ' ' << ink.k << " setcmykcolor 0 0 1 1 rectfill 1 0 translate\n";
    ps << "showpage\n";
    ps.close();
    std::string const command = "gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r72 -g" + std::to_string(kCount) +
                                "x1 -sOutputFile=" + (dir / "patches.ppm") + " " + (dir / "patches.ps");
    if (std::system(command.c_str()) != 0) return {};
    return PatchPixels(dir / "patches.ppm");
}

// pdftoppm's pixels of the patches, filled with PDF's k in a page of their size.
std::vector<unsigned char> PopplerPatches(TempDir const& dir) {
    std::string content;
    for (int i = 0; i < kCount; ++i) {
        Ink const& ink = kInks[i];
        content += std::to_string(ink.c) + " " + std::to_string(ink.m) + " " + std::to_string(ink.y) + " " +
                   std::to_string(ink.k) + " k " + std::to_string(i) + " 0 1 1 re f\n";
    }
    std::vector<std::string> const objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(kCount) + " 1] /Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream"};
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t const xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(dir / "patches.pdf", std::ios::binary) << pdf;
    std::string const command =
        "pdftoppm -r 72 -aa no -aaVector no -singlefile " + (dir / "patches.pdf") + " " + (dir / "poppler");
    if (std::system(command.c_str()) != 0) return {};
    return PatchPixels(dir / "poppler.ppm");
}

TEST(CmykColour, AsGhostscriptShowsIt) {
    TempDir dir;
    std::vector<unsigned char> const shown = GhostscriptPatches(dir);
    ASSERT_EQ(shown.size(), 3u * kCount) << "Ghostscript did not paint the patches";
    std::vector<unsigned char> plain, inverted;
    for (Ink const& ink : kInks)
        for (double v : {ink.c, ink.m, ink.y, ink.k}) {
            plain.push_back(static_cast<unsigned char>(std::lround(v * 255)));
            inverted.push_back(static_cast<unsigned char>(255 - std::lround(v * 255)));
        }
    std::vector<unsigned char> fromPlain(3 * kCount), fromInverted(3 * kCount);
    CmykToBgr(plain.data(), fromPlain.data(), kCount, false);
    CmykToBgr(inverted.data(), fromInverted.data(), kCount, true);
    for (int i = 0; i < kCount; ++i) {
        Ink const& ink = kInks[i];
        RgbColour const rgb = CmykToRgb(ink.c, ink.m, ink.y, ink.k);
        double const colour[3] = {rgb.r, rgb.g, rgb.b};
        for (int channel = 0; channel < 3; ++channel) {
            int const want = shown[3 * i + channel];
            SCOPED_TRACE("cmyk " + std::to_string(ink.c) + " " + std::to_string(ink.m) + " " + std::to_string(ink.y) +
                         " " + std::to_string(ink.k) + ", channel " + std::to_string(channel));
            EXPECT_NEAR(colour[channel] * 255, want, 1.5);
            EXPECT_NEAR(fromPlain[3 * i + 2 - channel], want, 2);
            EXPECT_NEAR(fromInverted[3 * i + 2 - channel], want, 2);
        }
    }
}

TEST(CmykColour, AsPopplerShowsIt) {
    TempDir dir;
    std::vector<unsigned char> const shown = PopplerPatches(dir);
    ASSERT_EQ(shown.size(), 3u * kCount) << "pdftoppm did not paint the patches";
    for (int i = 0; i < kCount; ++i) {
        Ink const& ink = kInks[i];
        RgbColour const rgb = CmykToRgbAsPoppler(ink.c, ink.m, ink.y, ink.k);
        double const colour[3] = {rgb.r, rgb.g, rgb.b};
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_EQ(std::lround(colour[channel] * 255), shown[3 * i + channel])
                << "cmyk " << ink.c << " " << ink.m << " " << ink.y << " " << ink.k << ", channel " << channel;
    }
}

TEST(CmykColour, InksOutOfRangeAreClamped) {
    RgbColour const over = CmykToRgb(2, -1, 0, 0), cyan = CmykToRgb(1, 0, 0, 0);
    EXPECT_EQ(over.r, cyan.r);
    EXPECT_EQ(over.g, cyan.g);
    EXPECT_EQ(over.b, cyan.b);
}

}  // namespace
}  // namespace ksdvi

// PK bitmap fonts: every glyph of a font that METAFONT made agrees pixel for
// pixel with METAFONT's own GF file as gftype lists it; damaged files are
// refused with a reason.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "MetricFiles.h"
#include "font/PkFont.h"
#include "support/Cli.h"

namespace {

using ksdvi::PkFont;
using Pixels = std::set<std::pair<int, int>>;  // black pixels (m, n) as METAFONT numbers them

// The black pixels of each character of a GF file, from gftype's listing of
// its paint commands: "beginning of char C: a<=m<=b", then rows such as
// "(initially n=28) paint (0)3", "newrow 2 (n=25) paint 3" and
// "skip1 7 (n=17) paint (5)6"; a number in parentheses is a white run.
std::map<unsigned, Pixels> GfPixels(std::string const& gf) {
    std::map<unsigned, Pixels> out;
    std::istringstream in(RunCommand("gftype -m " + gf));
    std::string line;
    Pixels* current = nullptr;
    int minM = 0, m = 0, n = 0;
    while (std::getline(in, line)) {
        if (auto at = line.find("beginning of char "); at != std::string::npos) {
            current = &out[static_cast<unsigned>(std::stoul(line.substr(at + 18)))];
            minM = std::stoi(line.substr(line.find(": ", at) + 2));
            continue;
        }
        if (!current) continue;
        if (line.find("eoc") != std::string::npos) {
            current = nullptr;
            continue;
        }
        auto row = line.find("n=");
        auto paint = line.find("paint ");
        if (row == std::string::npos || paint == std::string::npos) continue;
        n = std::stoi(line.substr(row + 2));
        m = minM;
        if (auto at = line.find("newrow "); at != std::string::npos) m += std::stoi(line.substr(at + 7));
        std::istringstream runs(line.substr(paint + 6));
        char c;
        while (runs >> c) {
            int count = 0;
            if (c == '(') {
                runs >> count >> c;
                m += count;
            } else {
                runs.putback(c);
                runs >> count;
                for (int i = 0; i < count; ++i) current->emplace(m + i, n);
                m += count;
            }
        }
    }
    return out;
}

TEST(PkFont, EveryGlyphAsMetafontMadeIt) {
    std::string error;
    auto pk = PkFont::Read(MetricFile("cmr10.300pk"), &error);
    ASSERT_NE(pk, nullptr) << error;
    EXPECT_EQ(pk->GetDesignSize(), 10u << 20);
    auto gf = GfPixels(MetricFile("cmr10.300gf"));
    ASSERT_EQ(gf.size(), 128u);
    ASSERT_EQ(pk->GetChars().size(), gf.size());
    for (auto const& [code, c] : pk->GetChars()) {
        // Pixel (hoff, voff) of the raster is pixel (0, 0) of METAFONT, whose
        // lower left corner is the reference point.
        Pixels ours;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                if (c.pixels[static_cast<size_t>(y * c.width + x)]) ours.emplace(x - c.hoff, c.voff - y);
        EXPECT_EQ(ours, gf[code]) << "character " << code;
        EXPECT_GT(c.dx, 0) << "character " << code;
    }
}

TEST(PkFont, DamagedFilesAreRefused) {
    std::vector<uint8_t> good = ReadFileBytes(MetricFile("cmr10.300pk"));
    struct Damage {
        char const* what;
        size_t at;
        std::vector<uint8_t> bytes;
        size_t keep;  // 0: the whole file
    };
    // The first character packet starts after the preamble: 3 + comment + 16 bytes.
    size_t const first = 3 + good[2] + 16;
    Damage const cases[] = {
        {"not PK", 0, {0xF8}, 0},
        {"wrong id", 1, {90}, 0},
        {"cut in the preamble", 0, {}, 10},
        {"cut in a packet", 0, {}, first + 20},
        {"no postamble", 0, {}, good.size() - 4},
        {"undefined command", first, {250}, 0},
        {"long form, huge",
         first,
         {0x07, 0, 0, 0, 40, 0, 0, 0, 65, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0, 0},
         0},
        {"packet past the end", first, {0x04, 0xFF, 0xFF}, 0},
    };
    for (Damage const& d : cases) {
        std::vector<uint8_t> bytes = good;
        for (size_t i = 0; i < d.bytes.size(); ++i) bytes[d.at + i] = d.bytes[i];
        if (d.keep) bytes.resize(d.keep);
        std::string error;
        EXPECT_EQ(PkFont::Parse(bytes.data(), bytes.size(), &error), nullptr) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
    }
}

}  // namespace

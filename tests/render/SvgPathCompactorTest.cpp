// Cairo's SVG path data rewritten relative and to hundredths, whatever
// pieces the file arrives in; data it cannot read passes unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "device/SvgPathCompactor.h"
#include "support/TempDir.h"

namespace ksdvi {
namespace {

struct Case {
    char const* what;
    char const* cairo;
    char const* compact;
};

TEST(SvgPathCompactor, WritesPathDataRelativeToHundredths) {
    Case const cases[] = {
        {"a glyph outline",
         "M 2.203125 -7.4375 C 2.703125 -7.328125 3.078125 -7.328125 3.296875 -7.328125 Z M 2.203125 -7.4375 ",
         "m2.2-7.44c.5.11.88.11 1.1.11zm0 0"},
        {"a closed path begins its next where it began", "M 10 10 L 20 10 L 20 20 Z M 15 15 L 16 16",
         "m10 10l10 0l0 10zm5 5l1 1"},
        {"rounding does not drift", "M 0.004 0 L 0.008 0 L 0.012 0 L 0.016 0", "m0 0l.01 0l0 0l.01 0"},
        {"numbers parted by signs and points", "M 0.5 0.25 L 1.5 -0.5", "m.5.25l1-.75"},
        {"points after a moveto draw lines", "M 1 1 2 2 3 3", "m1 1l1 1l1 1"},
        {"large and negative", "M -1234.5 99999.99 L 0 0", "m-1234.5 99999.99l1234.5-99999.99"},
        {"empty", "", ""},
        {"a command Cairo does not write", "M 0 0 Q 1 1 2 2", "M 0 0 Q 1 1 2 2"},
        {"a number missing", "M 1 L 2 2", "M 1 L 2 2"},
        {"not a number", "M 1 x", "M 1 x"},
    };
    for (Case const& c : cases) EXPECT_EQ(SvgPathCompactor::Compact(c.cairo), c.compact) << c.what;
}

TEST(SvgPathCompactor, RewritesOnlyPathDataInAnyPieces) {
    std::string const svg =
        "<symbol id=\"glyph0-1\"><path style=\"stroke:none;\" d=\"M 1.25 2.5 L 3.75 2.5 Z M 1.25 2.5 \"/></symbol>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"125.798257\" y=\"140.742217\"/><path d=\"\"/>";
    std::string const expected =
        "<symbol id=\"glyph0-1\"><path style=\"stroke:none;\" d=\"m1.25 2.5l2.5 0zm0 0\"/></symbol>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"125.798257\" y=\"140.742217\"/><path d=\"\"/>";
    TempDir dir;
    for (size_t piece = 1; piece <= svg.size(); piece += piece < 8 ? 1 : 17) {
        std::string const path = dir / ("out" + std::to_string(piece) + ".svg");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        SvgPathCompactor compactor(file);
        for (size_t at = 0; at < svg.size(); at += piece)
            ASSERT_TRUE(compactor.Write(std::string_view(svg).substr(at, piece)));
        compactor.Finish();
        std::fclose(file);
        std::FILE* in = std::fopen(path.c_str(), "rb");
        std::string written(4096, '\0');
        written.resize(std::fread(written.data(), 1, written.size(), in));
        std::fclose(in);
        EXPECT_EQ(written, expected) << "pieces of " << piece;
    }
}

// A file cut short inside path data keeps what it holds.
TEST(SvgPathCompactor, KeepsAnUnfinishedAttribute) {
    TempDir dir;
    std::string const path = dir / "cut.svg";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    SvgPathCompactor compactor(file);
    ASSERT_TRUE(compactor.Write("<path d=\"M 1 2 L 3"));
    compactor.Finish();
    std::fclose(file);
    std::FILE* in = std::fopen(path.c_str(), "rb");
    std::string written(64, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), in));
    std::fclose(in);
    EXPECT_EQ(written, "<path d=\"M 1 2 L 3");
}

}  // namespace
}  // namespace ksdvi

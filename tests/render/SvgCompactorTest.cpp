// Cairo's SVG path data rewritten relative and to hundredths, and its
// gradients' stops thinned, whatever pieces the file arrives in; data it
// cannot read passes unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "device/SvgCompactor.h"

namespace ksdvi {
namespace {

struct Case {
    char const* what;
    char const* cairo;
    char const* compact;
};

TEST(SvgCompactor, WritesPathDataRelativeToHundredths) {
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
    for (Case const& c : cases) EXPECT_EQ(SvgCompactor::Compact(c.cairo), c.compact) << c.what;
}

// What the compactor writes of `svg` handed over in pieces of `piece` bytes.
std::string Compacted(std::string_view svg, size_t piece) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* memory = open_memstream(&data, &size);
    SvgCompactor compactor(memory);
    bool written = true;
    for (size_t at = 0; at < svg.size(); at += piece) written = compactor.Write(svg.substr(at, piece)) && written;
    compactor.Finish();
    std::fclose(memory);
    std::string out(data, size);
    std::free(data);
    return written ? out : "(not written)";
}

TEST(SvgCompactor, RewritesOnlyPathDataInAnyPieces) {
    std::string const svg =
        "<symbol id=\"glyph0-1\"><path style=\"stroke:none;\" d=\"M 1.25 2.5 L 3.75 2.5 Z M 1.25 2.5 \"/></symbol>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"125.798257\" y=\"140.742217\"/><path d=\"\"/>";
    std::string const expected =
        "<symbol id=\"glyph0-1\"><path style=\"stroke:none;\" d=\"m1.25 2.5l2.5 0zm0 0\"/></symbol>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"125.798257\" y=\"140.742217\"/><path d=\"\"/>";
    for (size_t piece = 1; piece <= svg.size(); piece += piece < 8 ? 1 : 17)
        EXPECT_EQ(Compacted(svg, piece), expected) << "pieces of " << piece;
    // A file cut short inside path data keeps what it holds.
    EXPECT_EQ(Compacted("<path d=\"M 1 2 L 3", 5), "<path d=\"M 1 2 L 3");
}

// A gradient's stops on a line from red to blue: the middle ones go, in
// whatever pieces the file arrives; stops written otherwise stay.
TEST(SvgCompactor, GradientsKeepTheStopsTheyNeed) {
    auto stop = [](char const* offset, char const* red, char const* blue) {
        return std::string("<stop offset=\"") + offset + "\" style=\"stop-color:rgb(" + red + "%,0%," + blue +
               "%);stop-opacity:1;\"/>\n";
    };
    std::string const first = stop("0", "100", "0"), last = stop("1", "0", "100");
    std::string const middle = stop("0.25", "75", "25") + stop("0.5", "50", "50") + stop("0.75", "25", "75");
    std::string const foreign = "<stop offset=\"0.5\" stop-color=\"red\"/>\n";
    std::string const svg = "<linearGradient id=\"linear0\">\n" + first + middle + last + "</linearGradient>\n" +
                            "<linearGradient id=\"linear1\">\n" + first + foreign + last + "</linearGradient>\n";
    std::string const expected = "<linearGradient id=\"linear0\">\n" + first + last + "</linearGradient>\n" +
                                 "<linearGradient id=\"linear1\">\n" + first + foreign + last + "</linearGradient>\n";
    for (size_t piece = 1; piece <= svg.size(); piece += piece < 8 ? 1 : 23)
        EXPECT_EQ(Compacted(svg, piece), expected) << "pieces of " << piece;
    // A file that ends among stops keeps those it needs.
    EXPECT_EQ(Compacted(first + middle + last, 7), first + last);
}

}  // namespace
}  // namespace ksdvi

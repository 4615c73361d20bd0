// Cairo's SVG made shorter: path data relative and to hundredths, scalings
// folded into paths, style properties that change nothing left out, colours
// in hex, gradients' stops thinned, whatever pieces the file arrives in; what
// the compactor cannot read passes unchanged.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "device/SvgAttributes.h"
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
        {"out of range", "M 1e13 0", "M 1e13 0"},
    };
    for (Case const& c : cases) EXPECT_EQ(CompactPathData(c.cairo), c.compact) << c.what;
    // Scaled and moved as TikZ's lines are: y' = 792 - 0.12 y.
    EXPECT_EQ(CompactPathData("M 1000 2000 L 1100 2000", {0.12, -0.12, 0, 792}), "m120 552l12 0");
}

TEST(SvgCompactor, NumbersAndColoursShortest) {
    struct Number {
        double value;
        int decimals;
        char const* text;
    } const numbers[] = {{1.5, 2, "1.5"},  {0.05, 2, ".05"},      {-0.25, 2, "-.25"}, {-2, 2, "-2"},
                         {-0.001, 2, "0"}, {3.98499, 4, "3.985"}, {100, 0, "100"}};
    for (Number const& n : numbers) EXPECT_EQ(ShortNumber(n.value, n.decimals), n.text) << n.value;
    Case const colours[] = {
        {"black", "rgb(0%,0%,0%)", "#000"},
        {"Cairo's 16-bit steps", "rgb(99.993896%,50.196081%,0.00457764%)", "#ff8000"},
        {"named", "red", "red"},
        {"a pattern", "url(#pattern0)", "url(#pattern0)"},
        {"out of range", "rgb(120%,0%,0%)", "rgb(120%,0%,0%)"},
        {"cut short", "rgb(0%,0%)", "rgb(0%,0%)"},
    };
    for (Case const& c : colours) EXPECT_EQ(ShortColour(c.cairo), c.compact) << c.what;
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

TEST(SvgCompactor, RewritesElementsInAnyPieces) {
    std::string const svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<symbol overflow=\"visible\" id=\"glyph0-1\"><path style=\"stroke:none;\" d=\"M 1.25 2.5 L 3.75 2.5 Z M "
        "1.25 2.5 \"/></symbol>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"125.798257\" y=\"140.742217\"/><path d=\"\"/>\n";
    std::string const expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<symbol overflow=\"visible\" id=\"glyph0-1\"><path style=\"stroke:none\" d=\"m1.25 2.5l2.5 "
        "0zm0 0\"/></symbol>\n"
        "<use xlink:href=\"#glyph0-1\" x=\"125.8\" y=\"140.74\"/><path d=\"\"/>\n";
    for (size_t piece = 1; piece <= svg.size(); piece += piece < 8 ? 1 : 17)
        EXPECT_EQ(Compacted(svg, piece), expected) << "pieces of " << piece;
    // A file cut short keeps what it holds.
    EXPECT_EQ(Compacted("<path d=\"M 1 2 L 3", 5), "<path d=\"M 1 2 L 3");
}

TEST(SvgCompactor, LeavesOutWhatChangesNothing) {
    std::string const pen =
        "stroke-width:3.32083;stroke-linecap:butt;stroke-linejoin:miter;stroke:rgb(0%,0%,0%);"
        "stroke-opacity:1;stroke-miterlimit:10;";
    std::string const line = "d=\"M 1000 2000 L 1100 2000\"";
    Case const cases[] = {
        {"initial values go, colours in hex", "<path style=\"fill:none;%PEN\" d=\"M 0 0 L 1 1\"/>",
         "<path style=\"fill:none;stroke-width:3.32083;stroke:#000;stroke-miterlimit:10\" d=\"m0 0l1 1\"/>"},
        {"a plain scaling folds into the points and the pen",
         "<path style=\"fill:none;%PEN\" %LINE transform=\"matrix(0.12,0,0,-0.12,0,792)\"/>",
         "<path style=\"fill:none;stroke-width:.3985;stroke:#000;stroke-miterlimit:10\" d=\"m120 552l12 0\"/>"},
        {"a rotation stays", "<path style=\"fill:none;%PEN\" %LINE transform=\"matrix(0,1,-1,0,0,0)\"/>",
         "<path style=\"fill:none;stroke-width:3.32083;stroke:#000;stroke-miterlimit:10\" d=\"m1000 2000l100 "
         "0\" transform=\"matrix(0,1,-1,0,0,0)\"/>"},
        {"a stretch stays", "<path style=\"stroke:none;\" %LINE transform=\"matrix(2,0,0,1,0,0)\"/>",
         "<path style=\"stroke:none\" d=\"m1000 2000l100 0\" transform=\"matrix(2,0,0,1,0,0)\"/>"},
        {"a gradient's space stays",
         "<path style=\" stroke:none;fill-rule:nonzero;fill:url(#linear0);\" %LINE transform=\"matrix(2,0,0,2,0,0)\"/>",
         "<path style=\"stroke:none;fill:url(#linear0)\" d=\"m1000 2000l100 0\" transform=\"matrix(2,0,0,2,0,0)\"/>"},
        {"dashes stay", "<path style=\"stroke-dasharray:3,3;%PEN\" %LINE transform=\"matrix(2,0,0,2,0,0)\"/>",
         "<path style=\"stroke-dasharray:3,3;stroke-width:3.32083;stroke:#000;stroke-miterlimit:10\" "
         "d=\"m1000 2000l100 0\" transform=\"matrix(2,0,0,2,0,0)\"/>"},
        {"a pen of the default width stays",
         "<path style=\"stroke:rgb(0%,0%,0%);\" %LINE transform=\"matrix(2,0,0,2,0,0)\"/>",
         "<path style=\"stroke:#000\" d=\"m1000 2000l100 0\" transform=\"matrix(2,0,0,2,0,0)\"/>"},
        {"a clip of the path's own stays",
         "<path clip-path=\"url(#c)\" style=\"stroke:none;\" %LINE transform=\"matrix(2,0,0,2,0,0)\"/>",
         "<path clip-path=\"url(#c)\" style=\"stroke:none\" d=\"m1000 2000l100 0\" "
         "transform=\"matrix(2,0,0,2,0,0)\"/>"},
        {"a default clip rule goes", "<g clip-path=\"url(#clip4)\" clip-rule=\"nonzero\">\n</g>\n",
         "<g clip-path=\"url(#clip4)\">\n</g>\n"},
        {"what a group sets is said again where it differs",
         "<g style=\"fill-opacity:0.5;stroke-linecap:round;\">\n<path style=\"fill-opacity:1;stroke-linecap:butt;"
         "stroke-opacity:1;\" d=\"\"/>\n</g>\n<path style=\"fill-opacity:1;\" d=\"\"/>\n",
         "<g style=\"fill-opacity:0.5;stroke-linecap:round\">\n<path style=\"fill-opacity:1;stroke-linecap:butt\" "
         "d=\"\"/>\n</g>\n<path d=\"\"/>\n"},
        {"a group set back passes the initial value on",
         "<g style=\"fill-opacity:0.5;\">\n<g style=\"fill-opacity:1;\">\n<path style=\"fill-opacity:1;\" d=\"\"/>\n"
         "</g>\n</g>\n",
         "<g style=\"fill-opacity:0.5\">\n<g style=\"fill-opacity:1\">\n<path d=\"\"/>\n</g>\n</g>\n"},
        {"a group that cannot be read may set anything",
         "<g style=\"fill-opacity:0.5\"\nx>\n<path style=\"fill-opacity:1;\" d=\"\"/>\n</g>\n<path "
         "style=\"fill-opacity:1;\" d=\"\"/>\n",
         "<g style=\"fill-opacity:0.5\"\nx>\n<path style=\"fill-opacity:1\" d=\"\"/>\n</g>\n<path d=\"\"/>\n"},
    };
    auto expand = [&](std::string text) {
        for (size_t at; (at = text.find("%PEN")) != std::string::npos;) text.replace(at, 4, pen);
        for (size_t at; (at = text.find("%LINE")) != std::string::npos;) text.replace(at, 5, line);
        return text;
    };
    for (Case const& c : cases) {
        std::string svg = expand(c.cairo);
        if (!svg.ends_with('\n')) svg += '\n';
        std::string expected = c.compact;
        if (!expected.ends_with('\n')) expected += '\n';
        EXPECT_EQ(Compacted(svg, 7), expected) << c.what;
    }
}

// A gradient's stops on a line from red to blue: the middle ones go, in
// whatever pieces the file arrives; stops written otherwise stay.
TEST(SvgCompactor, GradientsKeepTheStopsTheyNeed) {
    auto stop = [](char const* offset, char const* red, char const* blue) {
        return std::string("<stop offset=\"") + offset + "\" style=\"stop-color:rgb(" + red + "%,0%," + blue +
               "%);stop-opacity:1;\"/>\n";
    };
    std::string const first = stop("0", "100", "0"), last = stop("1", "0", "100");
    std::string const firstOut = "<stop offset=\"0\" style=\"stop-color:#f00\"/>\n";
    std::string const lastOut = "<stop offset=\"1\" style=\"stop-color:#00f\"/>\n";
    std::string const middle = stop("0.25", "75", "25") + stop("0.5", "50", "50") + stop("0.75", "25", "75");
    std::string const foreign = "<stop offset=\"0.5\" stop-color=\"red\"/>\n";
    std::string const svg = "<linearGradient id=\"linear0\">\n" + first + middle + last + "</linearGradient>\n" +
                            "<linearGradient id=\"linear1\">\n" + first + foreign + last + "</linearGradient>\n";
    std::string const expected = "<linearGradient id=\"linear0\">\n" + firstOut + lastOut + "</linearGradient>\n" +
                                 "<linearGradient id=\"linear1\">\n" + firstOut + foreign + lastOut +
                                 "</linearGradient>\n";
    for (size_t piece = 1; piece <= svg.size(); piece += piece < 8 ? 1 : 23)
        EXPECT_EQ(Compacted(svg, piece), expected) << "pieces of " << piece;
    // A file that ends among stops keeps those it needs.
    EXPECT_EQ(Compacted(first + middle + last, 7), firstOut + lastOut);
}

}  // namespace
}  // namespace ksdvi

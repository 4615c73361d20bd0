// The readers of special texts on the values that decide their rounding and
// their failures: numbers, dimensions and colours, in ksdvi's form and
// in dvips' colour words; and the colour stack those words change.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "specials/DvipsColour.h"
#include "specials/PostScriptSpecials.h"
#include "specials/SpecialParsing.h"
#include "support/ExactBytes.h"

using namespace ksdvi;

namespace {

constexpr unsigned int kBlack = 0, kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kYellow = 0x00FFFF;

struct NumberCase {
    std::string text;
    std::optional<double> value;  // none: no number
    long consumed = 0;            // bytes up to the returned position
};

TEST(SpecialParsing, GetNumberReadsOrFails) {
    using N = NumberCase;
    for (N const& c : {N{"12.5x", 12.5, 4}, N{"   007 ", 7, 6}, N{"-.5", -0.5, 3}, N{"-+-3", 3, 4},
                       N{"--0.25", 0.25, 6},                                     // every '-' flips the sign
                       N{"5.", 5, 2}, N{"5.pt", 5, 2},                           // a trailing '.' is consumed
                       N{"1e3", 1, 1}, N{"0.001", 0.001, 5},                     // no exponent form
                       N{std::string("1") + std::string(120, '0'), 1e100, 121},  // held at 1e100
                       N{"\t1", {}},                                             // only 0x20 is skipped
                       N{"-", {}},                                               // a sign, then the NUL
                       N{"", {}}, N{"   ", {}}, N{"+-x", {}}, N{".", {}}, N{".x", {}}, N{"x1", {}}}) {
        ExactBytes text(c.text);
        double out = -7.0;
        unsigned char* end = getnumber(text.Get(), &out);
        EXPECT_EQ(end ? end - text.Get() : -1, c.value ? c.consumed : -1) << c.text;
        EXPECT_DOUBLE_EQ(out, c.value.value_or(-7.0)) << c.text;  // untouched on failure
    }
}

using DimenCase = std::pair<std::string, std::optional<int>>;  // none: no dimension

// Rounded as TeX rounds: -1pt is -65536 + 0.5 truncated toward zero, -0.4pt
// -26214.4 + 0.5, 0.00001pt 0.65536 + 0.5; sp values are only truncated. No
// blank may stand before the unit, whose two letters are case-sensitive.
TEST(SpecialParsing, GetDimenReadsScaledPointsOrFails) {
    using D = DimenCase;
    for (auto const& [dimen, sp] :
         {D{"1in", 4736287}, D{"1pt", 65536}, D{"3dd", 210372}, D{"1cc", 841489}, D{"1cm", 1864680}, D{"1mm", 186468},
          D{"1bp", 65782}, D{"1pc", 786432}, D{" 1.5pt", 98304}, D{"0.00001pt", 1}, D{"-1pt", -65535},
          D{"-0.4pt", -26213}, D{"2.5sp", 2}, D{"-2.5sp", -2}, D{"0.9sp", 0}, D{"99999999pt", INT_MAX},
          D{"-99999999pt", INT_MIN},
          // failures
          D{"12 pt", {}}, D{"12PT", {}}, D{"12p", {}}, D{"12px", {}}, D{"12", {}}, D{"pt", {}}, D{"", {}}}) {
        ExactBytes text(dimen);
        int out = 12345;
        unsigned char* end = getdimen(text.Get(), &out);
        // Each case that reads ends with its unit, so the returned position is the end.
        EXPECT_EQ(end ? end - text.Get() : -1, sp ? text.Length() : -1) << dimen;
        EXPECT_EQ(out, sp.value_or(12345)) << dimen;  // untouched on failure
    }
}

struct RgbCase {
    double r, g, b;
    unsigned int color;
};

TEST(SpecialParsing, RgbColorClampsScalesAndPacksRedLow) {
    using R = RgbCase;
    for (R const& c : {R{1.5, -0.2, 0.25, 0x4000FF}, R{1, 0, 0, kRed}, R{0, 1, 0, 0x00FF00}, R{0, 0, 1, kBlue},
                       R{0.5, 0.999, 0.99609375, 0xFFFF80},  // 255/256 gives 255 without the cap
                       // just below 255/256; exactly and just below 1/256
                       R{0.99609374, 0.00390625, 0.00390624, 0x0001FE}, R{NAN, -INFINITY, INFINITY, kBlue}})
        EXPECT_EQ(rgbcolor(c.r, c.g, c.b), c.color) << c.r << " " << c.g << " " << c.b;
}

using ColourCase = std::pair<std::string, std::optional<unsigned int>>;  // none: no colour

TEST(DvipsColour, WordsNameTheirColour) {
    using C = ColourCase;
    for (auto const& [words, color] :
         {C{"  rgb 0 .5 1  ", 0xFF8000u}, C{"gray 0.5", 0x808080u}, C{"gray 1.5", kWhite},  // clamped
          // inks as Ghostscript shows them (0xBBGGRR)
          C{"cmyk 0 1 1 0", 0x241CEEu}, C{"cmyk 0.5 0 0 0.5", 0x947C3Eu}, C{"hsb 0 1 1", kRed},
          C{"hsb 0.5 1 1", 0xFFFF00u}, C{"hsb 0.25 0.5 1", 0x80FFC0u}, C{"hsb 1 1 0.5", 0x000080u},
          // the first, one in the middle and the last of dvipsnam.def
          C{"GreenYellow", 0x74E6E0u}, C{"NavyBlue", 0xB86E00u}, C{"White", kWhite},
          // malformed
          C{"rgb 1 0", {}}, C{"rgb 1 0 0 x", {}}, C{"rgb 1,0,0", {}}, C{"RGB 1 0 0", {}}, C{"red", {}}, C{"Red x", {}},
          C{"Redx", {}}, C{"cmyk 0 1 1", {}}, C{"gray", {}}, C{"", {}}, C{"   ", {}}}) {
        ExactBytes bytes(words);
        EXPECT_EQ(ParseDvipsColor(bytes.Get()), color) << '"' << words << '"';
    }
}

using Action = DvipsColorChange::Action;
using Change = std::optional<std::pair<Action, unsigned int>>;  // a pop's colour is 0: it has none

TEST(DvipsColour, WordsAskForAStackChange) {
    auto changeOf = [](std::string const& words) -> Change {
        ExactBytes bytes(words);
        std::optional<DvipsColorChange> change = ParseDvipsColorWords(bytes.Get());
        if (!change) return std::nullopt;
        return std::pair(change->action, change->action == Action::Pop ? 0u : change->color);
    };
    using C = std::pair<std::string, Change>;
    for (auto const& [words, change] :
         {C{"push rgb 1 0 0", std::pair(Action::Push, kRed)}, C{"push  Maroon", std::pair(Action::Push, 0x3632AEu)},
          C{"pop", std::pair(Action::Pop, 0u)}, C{"pop  ", std::pair(Action::Pop, 0u)},
          C{"gray 0", std::pair(Action::Set, kBlack)}, C{"Blue", std::pair(Action::Set, 0x92302Eu)}, C{"pop 1", {}},
          C{"push", {}}, C{"push rgb 1", {}}, C{"popper", {}}, C{"PUSH Red", {}}, C{"", {}}})
        EXPECT_EQ(changeOf(words), change) << '"' << words << '"';
}

TEST(DvipsColour, PushesPopsAndSetsKeepTheBottomAndTheCapacity) {
    unsigned int stack[3] = {kBlack, 0, 0};
    int depth = 1;
    auto apply = [&](Action action, unsigned int color = 0, bool keep = false) {
        ApplyDvipsColorChange({action, color, keep}, stack, depth, 3);
        return std::vector<unsigned int>(stack, stack + depth);
    };
    EXPECT_EQ(apply(Action::Pop), (std::vector<unsigned int>{kBlack}));
    EXPECT_EQ(apply(Action::Push, kRed), (std::vector<unsigned int>{kBlack, kRed}));
    EXPECT_EQ(apply(Action::Push, kBlue), (std::vector<unsigned int>{kBlack, kRed, kBlue}));
    EXPECT_EQ(apply(Action::Push, kWhite), (std::vector<unsigned int>{kBlack, kRed, kBlue}));  // full
    EXPECT_EQ(apply(Action::Replace, kWhite), (std::vector<unsigned int>{kBlack, kRed, kWhite}));
    EXPECT_EQ(apply(Action::Pop), (std::vector<unsigned int>{kBlack, kRed}));
    EXPECT_EQ(apply(Action::Push, kBlue, true), (std::vector<unsigned int>{kBlack, kRed, kRed}));  // kept
    EXPECT_EQ(apply(Action::Set, kYellow), (std::vector<unsigned int>{kYellow}));
    EXPECT_EQ(apply(Action::Pop), (std::vector<unsigned int>{kYellow}));
    EXPECT_EQ(apply(Action::Replace, kRed), (std::vector<unsigned int>{kRed}));  // the bottom too
}

// Pages whose PostScript sets an opacity below 1 are drawn through a PDF
// writer; pstricks sets 1 around every arrow and fill.
TEST(PostScriptSpecials, TransparencyIsAnOpacityOtherThanOne) {
    struct Case {
        char const* code;
        bool transparent;
    } const cases[] = {
        {"1. revision 952 gt { .setstrokeconstantalpha }{ .setopacityalpha } ifelse fill", false},
        {"0.3 revision 952 gt { .setstrokeconstantalpha }{ .setopacityalpha } ifelse fill", true},
        {"1 .setfillconstantalpha 1.0 .pgfsetstrokeopacityalpha", false},
        {"1 .setfillconstantalpha 0.5 .setopacityalpha", true},
        {"{1 .setopacityalpha}", false},
        {"pgffoa .setopacityalpha fill", true},
        {"/.setopacityalpha where { pop 1 .setopacityalpha } if", false},
        {"/.setopacityalpha /.setfillconstantalpha load def", false},
        {".setopacityalpha", true},
        {"2 .setopacityalpha", true},
        {"/a 0.5 def 1 .setopacityalpha a .setfillconstantalpha", true},
        {"[ /_objdef {fading} /BBox [0 0 1 1] /SP pdfmark", true},
        {"<< >> .begintransparencygroup", true},
        {"0 0 1 setrgbcolor fill", false},
        {"1 .setopacityalpha .setopacityalpha .setopacityalpha .setopacityalpha .setopacityalpha .setopacityalpha "
         ".setopacityalpha .setopacityalpha .setopacityalpha .setopacityalpha",
         true},
        {"", false},
    };
    for (Case const& c : cases) EXPECT_EQ(CallsForTransparency(c.code), c.transparent) << c.code;
}

}  // namespace

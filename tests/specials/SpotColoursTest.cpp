// Spot colours as xdvipdfmx shows them: a Separation space put in the page's
// resources, its function inline or a named object defined before or after,
// evaluated at a tint in its alternate space; and the colour specials that
// name one.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "specials/DvipsColour.h"
#include "specials/SpotColours.h"
#include "support/ExactBytes.h"

namespace ksdvi {
namespace {

// Leaf: white to (0, 0.8, 0) in RGB, its function a named object defined
// after the space is put; Grey: white to black, inline, squared; Ink: plain
// CMYK black, put by a named Separation object.
std::vector<char const*> const kDefinitions = {
    "put @resources << /ColorSpace << /Leaf [/Separation /Leaf#20Ink /DeviceRGB @leaffn]"
    " /Grey [/Separation /G /DeviceGray << /FunctionType 2 /C0 [1] /C1 [0] /N 2 >>] /Ink @inkspace"
    " /Calc [/Separation /C /DeviceGray << /FunctionType 4 /Domain [0 1] /Range [0 1] >>]"
    " /Odd [/Separation /O /DeviceRGB << /FunctionType 2 /C0 [1 1] /C1 [0 0 0] /N 1 >>]"
    " /Lost [/Separation /L /DeviceRGB @nowhere] >> >>",
    "obj @leaffn << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0.8 0] /N 1 >>",
    "object @inkspace [/Separation /K /DeviceCMYK << /FunctionType 2 /C1 [0 0 0 1] /C0 [0 0 0 0] /N 1 >>]",
    "code 1 0 0 rg",                               // no definition
    "put @pgfshade << /ColorSpace /DeviceRGB >>",  // not the page's resources
};

TEST(SpotColours, TintsShowInTheAlternateSpace) {
    SpotColours spots;
    for (char const* special : kDefinitions) spots.Define(special);
    struct Case {
        char const* name;
        double tint;
        std::optional<unsigned int> colour;  // 0xBBGGRR
    } const cases[] = {
        {"Leaf", 1, 0x00CC00u},        {"Leaf", 0, 0xFFFFFFu},
        {"Leaf", 0.25, 0xC0F3C0u},     {"Leaf", 7, 0x00CC00u},  // held to 1
        {"Grey", 0.5, 0xC0C0C0u},                               // 1 - 0.5^2
        {"Ink", 1, 0x201F22u},                                  // black ink as Ghostscript shows it, as "cmyk 0 0 0 1"
        {"Ink", 0, 0xFFFFFFu},         {"Calc", 1, std::nullopt},  // a function ksdvi does not evaluate
        {"Odd", 1, std::nullopt},                                  // C0 and C1 of different lengths
        {"Lost", 1, std::nullopt},                                 // its function never defined
        {"None", 1, std::nullopt},                                 // never put
        {"pgfshade", 1, std::nullopt},
    };
    for (Case const& c : cases) EXPECT_EQ(spots.Colour(c.name, c.tint), c.colour) << c.name << " " << c.tint;
}

TEST(SpotColours, ColourSpecialsNameThemWhenTheDocumentHasThem) {
    SpotColours spots;
    for (char const* special : kDefinitions) spots.Define(special);
    struct Case {
        char const* words;
        SpotColours const* spots;
        std::optional<unsigned int> colour;
    } const cases[] = {
        {"spot Leaf 1.0", &spots, 0x00CC00u},     {"  spot  Leaf .25 ", &spots, 0xC0F3C0u},
        {"spot Leaf 1.0", nullptr, std::nullopt}, {"spot Leaf", &spots, std::nullopt},
        {"spot Leaf 1 x", &spots, std::nullopt},  {"spot", &spots, std::nullopt},
        {"spot None 1", &spots, std::nullopt},
    };
    for (Case const& c : cases) {
        ExactBytes colour(c.words), push(std::string("push ") + c.words), background(c.words);
        EXPECT_EQ(ParseDvipsColor(colour.Get(), c.spots), c.colour) << c.words;
        EXPECT_EQ(ParseDvipsBackground(background.Get(), c.spots), c.colour) << c.words;
        std::optional<DvipsColorChange> change = ParseDvipsColorWords(push.Get(), c.spots);
        EXPECT_EQ(change ? std::optional(change->color) : std::nullopt, c.colour) << "push " << c.words;
    }
}

// l3color's separations for dvips: a `!` special's procedure sets the
// space, and "separation NAME TINT" runs its tint transform.
TEST(SpotColours, PostScriptSeparationsRunTheirTintTransform) {
    SpotColours spots;
    for (char const* header : {
             "TeXDict begin /color1{[ /Separation (PANTONE#203005#20U) [ /DeviceCMYK ] {1 0.56 0 0 4 index mul 4 1 "
             "roll 4 index mul 4 1 roll 4 index mul 4 1 roll 4 index mul 4 1 roll 5 -1 roll pop}] setcolorspace} def "
             "end",
             // l3color's for an RGB alternate: its words take the first value for the tint
             "TeXDict begin /color2{[ /Separation (Red) [ /DeviceRGB ] {0.9 0.1 0.1 2 index mul 2 1 roll 2 index mul "
             "2 1 roll 3 -1 roll pop}] setcolorspace} def end",
             "/grey{[ /Separation (G) [ /DeviceGray ] {1 exch sub}] setcolorspace} def",
             "/short{[ /Separation (S) [ /DeviceRGB ] {pop pop}] setcolorspace} def",     // underflow
             "/many{[ /Separation (M) [ /DeviceRGB ] {dup dup dup}] setcolorspace} def",  // four left
             "/other{[ /Separation (O) [ /DeviceGray ] {exp}] setcolorspace} def",        // a word not run
             "/lab{[ /Separation (L) [ /Lab ] {dup dup}] setcolorspace} def",             // no device space
             "/nospace{[ /Separation (N) [ /DeviceGray ] {dup}] } def",                   // sets nothing
             "/rolled{[ /Separation (R) [ /DeviceGray ] {5 1 roll}] setcolorspace} def",  // a roll past the stack
         })
        spots.DefinePostScript(header);
    auto device = [](std::vector<double> v) { return DeviceColour(v.data(), v.size()); };
    struct Case {
        char const* words;
        std::optional<unsigned int> colour;
    } const cases[] = {
        {"separation color1 1.0", device({1, 0.56, 0, 0})},
        {"separation color1 0.5", device({0.5, 0.28, 0, 0})},
        {"separation color1 7", device({1, 0.56, 0, 0})},  // held to 1
        {"separation color2 0.8", device({0.8, 0.09, 0.09})},
        {"separation grey 0.25", device({0.75})},
        {"separation short 1", std::nullopt},
        {"separation many 1", std::nullopt},
        {"separation other 1", std::nullopt},
        {"separation lab 1", std::nullopt},
        {"separation nospace 1", std::nullopt},
        {"separation rolled 1", std::nullopt},
        {"separation nothing 1", std::nullopt},
        {"separation color1", std::nullopt},
        {"separation color1 1 x", std::nullopt},
    };
    for (Case const& c : cases) {
        ExactBytes words(c.words);
        EXPECT_EQ(ParseDvipsColor(words.Get(), &spots), c.colour) << c.words;
    }
    ExactBytes words("separation color1 1.0");
    EXPECT_EQ(ParseDvipsColor(words.Get()), std::nullopt);  // without the document's colours
}

}  // namespace
}  // namespace ksdvi

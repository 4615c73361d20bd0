// The graphics state pdf: specials leave for TeX's characters: the fill
// opacity of content, and where the transformations of content (pgf's
// transformed canvas) and of pdf:btrans put them, as dvipdfmx writes them.

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "render/PdfGraphicsState.h"
#include "specials/PdfSpecials.h"
#include "specials/SpotColours.h"

namespace ksdvi {
namespace {

// A special as the painter meets it: "def" for a definition, "pdf:..." for a
// transformation special, else a content keyword and its operators; at (x, y).
struct Step {
    char const* keyword;
    char const* text;
    double x = 0, y = 0;
};

void Play(PdfGraphicsState& state, std::vector<Step> const& steps) {
    for (Step const& step : steps) {
        std::string const keyword = step.keyword;
        if (keyword == "def")
            state.Define(step.text);
        else if (keyword == "pdf")
            state.Transform(ParsePdfSpecial(step.text), step.x, step.y);
        else
            state.Content(keyword, step.text, step.x, step.y);
    }
}

// Opacities named in put and obj dictionaries at any depth, set by gs, saved
// and restored by q/Q, bcontent/econtent and btrans/etrans; names not defined
// and Q without q change nothing.
TEST(PdfGraphicsState, FillOpacityFollowsTheContent) {
    struct Case {
        char const* name;
        std::vector<Step> steps;
        double opacity;
    } const cases[] = {
        {"pgf's", {{"def", "put @pgfextgs << /pgf@ca0.3 << /ca 0.3 >> >>"}, {"code", "/pgf@ca0.3 gs"}}, 0.3},
        {"nested resources",
         {{"def", "put @resources << /ExtGState << /TRP0.5 << /ca 0.5 /CA 0.5 >> >> >>"}, {"literal", "/TRP0.5 gs"}},
         0.5},
        {"stroke only", {{"def", "obj @x << /S << /CA 0.2 >> >>"}, {"code", "/S gs"}}, 1},
        {"undefined", {{"code", "/pgf@ca0.3 gs"}}, 1},
        {"q then Q", {{"def", "put @a << /A << /ca 0.4 >> >>"}, {"code", "q /A gs"}, {"code", "Q"}}, 1},
        {"inside q", {{"def", "put @a << /A << /ca 0.4 >> >>"}, {"code", "q 1 0 0 1 5 5 cm /A gs"}}, 0.4},
        {"bcontent",
         {{"def", "put @a << /A << /ca 0.4 >> >>"}, {"bcontent", ""}, {"code", "/A gs"}, {"econtent", ""}},
         1},
        {"btrans",
         {{"def", "put @a << /A << /ca 0.4 >> >>"}, {"pdf", "btrans scale 2"}, {"code", "/A gs"}, {"pdf", "etrans"}},
         1},
        {"Q unmatched", {{"def", "put @a << /A << /ca 0.4 >> >>"}, {"code", "/A gs Q Q"}}, 0.4},
        {"clamped", {{"def", "put @a << /A << /ca 7 >> >>"}, {"code", "/A gs"}}, 1},
        {"not a definition", {{"def", "code << /A << /ca 0.4 >> >>"}, {"code", "/A gs"}}, 1},
        {"content is its own state", {{"def", "put @a << /A << /ca 0.4 >> >>"}, {"content", "/A gs"}}, 1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        PdfGraphicsState state(72, 72);
        Play(state, c.steps);
        EXPECT_DOUBLE_EQ(state.FillOpacity(), c.opacity);
        state.BeginPage();
        EXPECT_DOUBLE_EQ(state.FillOpacity(), 1);
    }
}

// Where a character TeX sets at (100, 50) is drawn (72 dots to the inch: a
// dot is a bp, y down), against where dvipdfmx's content puts it: cm in
// pdf:code acts about the origin pdf:bcontent set, pgf's escape from its
// picture for a node's text (econtent, bcontent and the turns about them)
// keeps the canvas's transformation, btrans turns about the current point.
TEST(PdfGraphicsState, CharactersLieWhereTheContentPutsThem) {
    struct Case {
        char const* name;
        std::vector<Step> steps;
        double x, y;
    } const cases[] = {
        {"nothing", {}, 100, 50},
        {"a picture's own drawing", {{"bcontent", "", 10, 20}, {"code", "q 2 0 0 2 0 0 cm Q"}}, 100, 50},
        {"a canvas scaled about the picture's origin",
         {{"bcontent", "", 10, 20}, {"code", "q 3 0 0 3 0 0 cm"}},
         280,
         110},
        // y up in PDF: a shift of 5 bp up is 5 dots up the page
        {"shifted", {{"bcontent", "", 10, 20}, {"code", "1 0 0 1 4 5 cm"}}, 104, 45},
        {"pgf's escape for a node's text",
         {{"bcontent", "", 10, 20},
          {"code", "q 3 0 0 3 0 0 cm"},
          {"code", "q -1 0 0 -1 0 0 cm q"},
          {"econtent", ""},
          {"bcontent", "", 40, 60},
          {"code", "-1 0 0 -1 0 0 cm"},
          {"code", "q"},
          {"econtent", ""}},
         190,
         -10},
        {"btrans about the current point", {{"pdf", "btrans rotate 90", 100, 40}}, 110, 40},
        {"etrans undoes it", {{"pdf", "btrans rotate 90", 100, 40}, {"pdf", "etrans"}}, 100, 50},
        {"literal about the current point", {{"literal", "2 0 0 2 0 0 cm", 100, 40}}, 100, 60},
        {"literal direct about the origin", {{"literal", "direct 2 0 0 2 0 0 cm", 100, 40}}, 200, 100},
        {"an unbalanced econtent", {{"econtent", ""}, {"code", "Q"}}, 100, 50},
        {"numbers out of range", {{"code", "1e300 0 0 1 0 0 cm"}}, 100, 50},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        PdfGraphicsState state(72, 72);
        Play(state, c.steps);
        double x = 0, y = 0;
        state.World().Apply(100, 50, x, y);
        EXPECT_NEAR(x, c.x, 1e-9);
        EXPECT_NEAR(y, c.y, 1e-9);
    }
}

// A clip path (W n after it) cuts to its bounding box on the page, within
// the clip before; it goes with the state that Q restores.
TEST(PdfGraphicsState, ClipsToThePathsBox) {
    struct Case {
        char const* name;
        std::vector<Step> steps;
        std::optional<std::array<double, 4>> clip;
    } const cases[] = {
        {"none", {{"code", "0 0 m 10 10 l S"}}, std::nullopt},
        {"a rectangle about the origin",
         {{"bcontent", "", 10, 20}, {"code", "0 0 30 10 re W n"}},
         std::array<double, 4>{10, 10, 40, 20}},
        {"built over specials, a curve within its control points",
         {{"bcontent", "", 10, 20}, {"code", "0 0 m"}, {"code", "5 20 10 -4 20 0 c"}, {"code", "h W n"}},
         std::array<double, 4>{10, 0, 30, 24}},
        {"within the clip before",
         {{"code", "0 0 100 -100 re W n 50 -50 100 -100 re W n"}},
         std::array<double, 4>{50, 50, 100, 100}},
        {"restored by Q", {{"code", "q 0 0 30 10 re W n"}, {"code", "Q"}}, std::nullopt},
        {"painted, not cut", {{"code", "0 0 30 10 re f"}}, std::nullopt},
        {"scaled by the canvas", {{"code", "2 0 0 2 0 0 cm 0 0 10 -10 re W n"}}, std::array<double, 4>{0, 0, 20, 20}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        PdfGraphicsState state(72, 72);
        Play(state, c.steps);
        EXPECT_EQ(state.Clip(), c.clip);
    }
}

// The fill colour content sets for the characters after it: g, rg, k, and
// cs with sc or scn in device spaces and spots (xespotcolor's \SpotColor);
// undone by Q, econtent and etrans, and by a colour special after it.
TEST(PdfGraphicsState, FillColourFollowsTheContent) {
    SpotColours spots;
    spots.Define(
        "put @resources << /ColorSpace << /Leaf [/Separation /L /DeviceRGB"
        " << /FunctionType 2 /C0 [1 1 1] /C1 [0 0.8 0] /N 1 >>] >> >>");
    struct Case {
        char const* name;
        std::vector<Step> steps;
        std::optional<std::uint32_t> fill;  // 0xBBGGRR
        bool colourSpecialAfter = false;
    } const cases[] = {
        {"none", {{"code", "1 0 0 RG 0 0 m 10 10 l S"}}, std::nullopt},
        {"rg", {{"literal", "1 0 0 rg"}}, 0x0000FFu},
        {"g", {{"code", "0 g"}}, 0x000000u},
        {"k", {{"code", "0 0 0 1 k"}}, 0x201F22u},  // black ink as Ghostscript shows it
        {"device cs", {{"code", "/DeviceRGB cs 0 0 1 sc"}}, 0xFF0000u},
        {"spot", {{"literal", "/Leaf cs /Leaf CS 1.0 sc 1.0 SC"}}, 0x00CC00u},
        {"spot's initial tint", {{"literal", "/Leaf cs"}}, 0x00CC00u},
        {"unknown space", {{"code", "/pgfprgb cs /pgfpat1 scn"}}, std::nullopt},
        {"restored by Q", {{"code", "q 0 0 1 rg"}, {"code", "Q"}}, std::nullopt},
        {"restored to the colour before", {{"code", "1 0 0 rg q 0 0 1 rg"}, {"code", "Q"}}, 0x0000FFu},
        {"econtent", {{"bcontent", ""}, {"code", "0 0 1 rg"}, {"econtent", ""}}, std::nullopt},
        {"etrans", {{"pdf", "btrans scale 2"}, {"code", "0 0 1 rg"}, {"pdf", "etrans"}}, std::nullopt},
        {"content is its own state", {{"content", "0 0 1 rg"}}, std::nullopt},
        {"a colour special after", {{"code", "1 0 0 rg"}}, std::nullopt, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        PdfGraphicsState state(72, 72, &spots);
        Play(state, c.steps);
        if (c.colourSpecialAfter) state.ColourSpecial();
        EXPECT_EQ(state.FillColour(), c.fill);
    }
}

}  // namespace
}  // namespace ksdvi

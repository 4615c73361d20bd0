// dvipdfmx's colour specials as it reads them: pdf:bcolor, pdf:scolor and
// pdf:ecolor with the colours and the fill and stroke words that LaTeX's
// drivers and l3color write, and what keeps the colour in force.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "specials/DvipsColour.h"
#include "specials/PdfDrawingSpecials.h"
#include "specials/SpotColours.h"
#include "support/ExactBytes.h"

namespace ksdvi {
namespace {

using Action = DvipsColorChange::Action;

constexpr unsigned int kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kLeaf = 0x00CC00;
constexpr unsigned int kKeep = 0xFFFFFFFF;  // the colour in force

struct Case {
    char const* keyword;
    char const* args;
    std::optional<Action> action;  // none: not a change
    unsigned int colour = 0;
};

std::optional<unsigned int> Named(char const* name) {
    ExactBytes bytes(name);
    return ParseDvipsColor(bytes.Get());
}

TEST(PdfColourChange, ReadsColoursAsDvipdfmxDoes) {
    // l3color's spot colour: a Separation space made by pdf:obj, its function another.
    SpotColours spots;
    spots.Define("obj @pdf.obj1 << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0.8 0] /N 1 >>");
    spots.Define("obj @pdf.obj2 [ /Separation/Leaf#20Ink /DeviceRGB @pdf.obj1 ]");
    Case const cases[] = {
        {"bc", "[1 0 0]", Action::Push, kRed},
        {"bcolor", " 0 0 1", Action::Push, kBlue},  // numbers without brackets
        {"bc", "[0.5]", Action::Push, 0x808080},
        {"bc", "[0 1 1 0]", Action::Push, *Named("cmyk 0 1 1 0")},
        {"bc", "0 1 1 0 1", Action::Push, *Named("cmyk 0 1 1 0")},  // four numbers at most
        {"bc", "Red", Action::Push, *Named("Red")},                 // dvipsnam.def's
        {"bc", "[1 0 1] [0 0 1]", Action::Push, 0xFF00FF},          // fill, then stroke
        {"bc", "fill [0 1 0]", Action::Push, kGreen},
        {"bc", "stroke [1 0 0] fill [0 0 1]", Action::Push, kBlue},
        {"bc", "stroke [1 0 0]", Action::Push, kKeep},  // the fill stays
        {"bc", "@pdf.obj2 [1.0]", Action::Push, kLeaf},
        {"bc", "fill @pdf.obj2 [1]", Action::Push, kLeaf},
        {"bc", "@pdf.obj2 [0.5]", Action::Push, 0x80E680},
        {"bc", "@pdf.obj1 [1]", Action::Push, kKeep},  // a function, not a space
        {"bc", "@pdf.obj9 [1]", Action::Push, kKeep},  // never made
        {"bc", "@pdf.obj2 1", Action::Push, kKeep},
        {"bc", "@pdf.obj2 [1 1]", Action::Push, kKeep},
        {"bc", "garbage", Action::Push, kKeep},
        {"bc", "[1 0]", Action::Push, kKeep},
        {"bc", "[1 0 0", Action::Push, kKeep},  // unbalanced
        {"bc", "[1 (x) 0]", Action::Push, kKeep},
        {"sc", "[0 0 1]", Action::Replace, kBlue},
        {"scolor", "nothing", Action::Replace, kKeep},
        {"ec", "", Action::Pop},
        {"ecolor", " ", Action::Pop},
        {"bc", "", std::nullopt},
        {"bcolor", "  ", std::nullopt},
        {"content", "1 0 0 rg", std::nullopt},
    };
    for (Case const& c : cases) {
        std::optional<DvipsColorChange> change = PdfColourChange(c.keyword, c.args, &spots);
        ASSERT_EQ(change.has_value(), c.action.has_value()) << c.keyword << " " << c.args;
        if (!change) continue;
        EXPECT_EQ(change->action, *c.action) << c.keyword << " " << c.args;
        if (change->action == Action::Pop) continue;
        EXPECT_EQ(change->keep, c.colour == kKeep) << c.keyword << " " << c.args;
        if (!change->keep) {
            EXPECT_EQ(change->color, c.colour) << c.keyword << " " << c.args;
        }
    }
    // Without the document's spots, a spot keeps the colour in force.
    EXPECT_TRUE(PdfColourChange("bc", "@pdf.obj2 [1]", nullptr)->keep);
}

}  // namespace
}  // namespace ksdvi

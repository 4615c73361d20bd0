// dvips colour specials: the colour their words name, the stack changes,
// and the page colour stacks and backgrounds of a LaTeX document that uses
// the colour packages.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dvi/DvipsColour.h"
#include "dvi/ExactBytes.h"
#include "dvi/KsDvi.h"

namespace {

constexpr unsigned int kBlack = 0, kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kYellow = 0x00FFFF;

std::optional<unsigned int> ColourOf(std::string const& words) {
    ExactBytes bytes(words);
    return ParseDvipsColor(bytes.Get());
}

struct ColourCase {
    std::string words;
    std::optional<unsigned int> color;
};

void PrintTo(ColourCase const& c, std::ostream* os) { *os << '"' << c.words << '"'; }

class DvipsColourName : public testing::TestWithParam<ColourCase> {};

TEST_P(DvipsColourName, NamesItsColour) { EXPECT_EQ(ColourOf(GetParam().words), GetParam().color) << GetParam().words; }

INSTANTIATE_TEST_SUITE_P(Models, DvipsColourName,
                         testing::Values(ColourCase{"  rgb 0 .5 1  ", 0xFF8000u}, ColourCase{"gray 0.5", 0x808080u},
                                         ColourCase{"gray 1.5", kWhite},  // clamped
                                         // cmyk shows as 1 - min(1, c + k) per component
                                         ColourCase{"cmyk 0 1 1 0", kRed}, ColourCase{"cmyk 0.5 0 0 0.5", 0x808000u},
                                         ColourCase{"hsb 0 1 1", kRed}, ColourCase{"hsb 0.5 1 1", 0xFFFF00u},
                                         ColourCase{"hsb 0.25 0.5 1", 0x80FFC0u},
                                         ColourCase{"hsb 1 1 0.5", 0x000080u}));

// The first, one in the middle and the last of dvipsnam.def.
INSTANTIATE_TEST_SUITE_P(Names, DvipsColourName,
                         testing::Values(ColourCase{"GreenYellow", 0x4FFFD9u}, ColourCase{"NavyBlue", 0xFF750Fu},
                                         ColourCase{"White", kWhite}));

INSTANTIATE_TEST_SUITE_P(Malformed, DvipsColourName,
                         testing::Values(ColourCase{"rgb 1 0", std::nullopt}, ColourCase{"rgb 1 0 0 x", std::nullopt},
                                         ColourCase{"rgb 1,0,0", std::nullopt}, ColourCase{"RGB 1 0 0", std::nullopt},
                                         ColourCase{"red", std::nullopt}, ColourCase{"Red x", std::nullopt},
                                         ColourCase{"Redx", std::nullopt}, ColourCase{"cmyk 0 1 1", std::nullopt},
                                         ColourCase{"gray", std::nullopt}, ColourCase{"", std::nullopt},
                                         ColourCase{"   ", std::nullopt}));

struct WordsCase {
    std::string words;
    std::optional<DvipsColorChange::Action> action;
    unsigned int color = 0;
};

void PrintTo(WordsCase const& c, std::ostream* os) { *os << '"' << c.words << '"'; }

class DvipsColourWords : public testing::TestWithParam<WordsCase> {};

TEST_P(DvipsColourWords, AskForAStackChange) {
    WordsCase const& c = GetParam();
    ExactBytes bytes(c.words);
    std::optional<DvipsColorChange> change = ParseDvipsColorWords(bytes.Get());
    ASSERT_EQ(change.has_value(), c.action.has_value()) << c.words;
    if (!change) return;
    EXPECT_EQ(change->action, *c.action) << c.words;
    if (change->action != DvipsColorChange::Action::Pop) {
        EXPECT_EQ(change->color, c.color) << c.words;
    }
}

using Action = DvipsColorChange::Action;

INSTANTIATE_TEST_SUITE_P(All, DvipsColourWords,
                         testing::Values(WordsCase{"push rgb 1 0 0", Action::Push, kRed},
                                         WordsCase{"push  Maroon", Action::Push, 0x0000AEu},
                                         WordsCase{"pop", Action::Pop}, WordsCase{"pop  ", Action::Pop},
                                         WordsCase{"gray 0", Action::Set, kBlack},
                                         WordsCase{"Blue", Action::Set, 0xFF0000u}, WordsCase{"pop 1", std::nullopt},
                                         WordsCase{"push", std::nullopt}, WordsCase{"push rgb 1", std::nullopt},
                                         WordsCase{"popper", std::nullopt}, WordsCase{"PUSH Red", std::nullopt},
                                         WordsCase{"", std::nullopt}));

TEST(DvipsColourStack, PushesPopsAndSetsKeepTheBottomAndTheCapacity) {
    unsigned int stack[3] = {kBlack, 0, 0};
    int depth = 1;
    auto apply = [&](Action action, unsigned int color = 0) {
        ApplyDvipsColorChange({action, color}, stack, depth, 3);
        return std::vector<unsigned int>(stack, stack + depth);
    };
    EXPECT_EQ(apply(Action::Pop), (std::vector<unsigned int>{kBlack}));
    EXPECT_EQ(apply(Action::Push, kRed), (std::vector<unsigned int>{kBlack, kRed}));
    EXPECT_EQ(apply(Action::Push, kBlue), (std::vector<unsigned int>{kBlack, kRed, kBlue}));
    EXPECT_EQ(apply(Action::Push, kWhite), (std::vector<unsigned int>{kBlack, kRed, kBlue}));  // full
    EXPECT_EQ(apply(Action::Set, kYellow), (std::vector<unsigned int>{kYellow}));
    EXPECT_EQ(apply(Action::Pop), (std::vector<unsigned int>{kYellow}));
}

std::vector<unsigned int> Stack(KsDvi const& dvi, int page) {
    unsigned int const* colors = dvi.GetPageColorStack(page);
    return {colors, colors + dvi.GetPageColorStackSize(page)};
}

// LaTeX pushes black for the whole document, blue from the end of the first
// page on, and sets a yellow page colour on the second page.
TEST(DvipsColourDocument, PageStacksCarryLatexColoursAcrossPages) {
    KsDvi doc;
    doc.Open(String8((std::string(KSDVI_TEST_DATA) + "/dvipscolor.dvi").c_str()), {}, {});
    doc.NewPageWritten(0);
    ASSERT_EQ(doc.GetNPage(), 3);
    EXPECT_EQ(Stack(doc, 0), (std::vector<unsigned int>{kBlack}));
    EXPECT_EQ(Stack(doc, 1), (std::vector<unsigned int>{kBlack, kBlack, kBlue}));
    EXPECT_EQ(Stack(doc, 2), (std::vector<unsigned int>{kBlack, kBlack, kBlue}));
    EXPECT_EQ(doc.GetPageBackgroundColor(0), kWhite);
    EXPECT_EQ(doc.GetPageBackgroundColor(1), kYellow);
    EXPECT_EQ(doc.GetPageBackgroundColor(2), kYellow);
}

}  // namespace

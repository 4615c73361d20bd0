// pTeX's dir: in vertical text set and right move down the page (up for
// down-to-up text), down moves left (right), rules turn with the text, and
// push and pop keep the direction, as dvipdfmx reads them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"

namespace {

constexpr int kBody = 45;

struct DirectionCase {
    char const* name;
    DviBuilder body;
    std::vector<Call> calls;
};

DviBuilder Dir(int d) { return std::move(DviBuilder{}.Op(255).Op(d)); }

std::vector<DirectionCase> Cases() {
    std::vector<DirectionCase> cases;
    // right 100, down 30, then a rule 10 high and 20 wide
    auto moved = [](int d) {
        DviBuilder b = Dir(d);
        return std::move(b.Op(143).U(100, 1).Op(157).U(30, 1).Rule(10, 20));
    };
    cases.push_back({"horizontal", moved(0), {{"rule", kBody + 6, 100, 30, 10, 20, ""}}});
    // Its height to the right of the pen, its width down the page.
    cases.push_back({"vertical", moved(1), {{"rule", kBody + 6, -30, 120, 20, 10, ""}}});
    cases.push_back({"down_to_up", moved(3), {{"rule", kBody + 6, 20, -100, 20, 10, ""}}});
    DviBuilder pushed = std::move(DviBuilder{}.Op(141).Op(255).Op(1).Op(143).U(50, 1).Op(142).Op(143).U(7, 1));
    cases.push_back(
        {"pop_restores_horizontal", std::move(pushed.Rule(10, 20)), {{"rule", kBody + 8, 7, 0, 10, 20, ""}}});
    DviBuilder set = Dir(1);
    set.Rule(10, 20, true).Op(162).U(4, 1).Op(148).U(6, 1).Rule(1, 1);  // set_rule, y1 4, w1 6
    cases.push_back({"set_rule_moves_down",
                     std::move(set),
                     {{"rule", kBody + 2, 0, 20, 20, 10, ""}, {"rule", kBody + 15, -4, 27, 1, 1, ""}}});
    return cases;
}

class Direction : public testing::TestWithParam<DirectionCase> {};

TEST_P(Direction, MovesAndRulesTurnWithTheText) {
    ScratchDocument doc(OnePage(GetParam().body));
    RecordingDrawer drawer(doc.dvi, 0);
    EXPECT_EQ(drawer.calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Pages, Direction, testing::ValuesIn(Cases()), ByName());

TEST(Direction, OnlyTheThreeDirectionsAreAccepted) {
    for (int d : {2, 4, 255}) {
        ScratchDocument doc(OnePage(Dir(d).Rule(1, 1)));
        RecordingDrawer drawer;
        ASSERT_EQ(drawer.Open(doc.dvi, 0), 1);
        EXPECT_THROW(drawer.Draw(-1), KsDviDrawerBase::MalformedDviError) << d;
        EXPECT_TRUE(drawer.calls.empty());
    }
}

}  // namespace

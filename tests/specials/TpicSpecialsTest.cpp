// tpic's specials as the PDF content ksdvi paints them: in bp about the
// current point, y up; what they leave out and what bounds them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "specials/SpecialKeywords.h"
#include "specials/TpicSpecials.h"

using namespace ksdvi;

namespace {

std::string Drawn(std::vector<std::string> const& specials) {
    TpicPath path;
    std::string out;
    for (std::string const& special : specials) out += path.Take(special);
    return out;
}

TEST(TpicPath, SpecialsBecomePdfContent) {
    struct Case {
        char const* what;
        std::vector<std::string> specials;
        std::string expected;
    } const cases[] = {
        {"a line with a pen of 10 milli-inches",
         {"pn 10", "pa 0 0", "pa 1000 -500", "fp"},
         "q 0.72 w 1 J 1 j 0 0 m 72 36 l S Q\n"},
        {"a closed path shaded, then outlined; the shade is used up",
         {"sh 0.25", "pa 0 0", "pa 100 0", "pa 0 100", "pa 0 0", "fp", "pa 0 0", "pa 100 0", "fp"},
         "q 0.75 g 0 0 m 7.2 0 l 0 -7.2 l 0 0 l h f Q\nq 0.072 w 1 J 1 j 0 0 m 7.2 0 l 0 -7.2 l 0 0 l h S Q\n"
         "q 0.072 w 1 J 1 j 0 0 m 7.2 0 l S Q\n"},
        {"an invisible path is only filled, and not at all unshaded",
         {"bk", "pa 0 0", "pa 100 0", "pa 0 100", "ip", "pa 0 0", "pa 100 0", "ip"},
         "q 0 g 0 0 m 7.2 0 l 0 -7.2 l f Q\n"},
        {"dashes and dots an inch apart",
         {"pa 0 0", "pa 1000 0", "da 1", "pa 0 0", "pa 1000 0", "dt 1"},
         "q 0.072 w 1 J 1 j [72] 0 d 0 0 m 72 0 l S Q\nq 0.072 w 1 J 1 j [0 72] 0 d 0 0 m 72 0 l S Q\n"},
        {"a spline of three points: line, parabola, line",
         {"pa 0 0", "pa 1000 0", "pa 1000 1000", "sp"},
         "q 0.072 w 1 J 1 j 0 0 m 36 0 l 60 0 72 -12 72 -36 c 72 -72 l S Q\n"},
        {"a quarter arc from 3 to 6 o'clock, clockwise on the page",
         {"ar 0 0 1000 1000 0 1.5707963267948966"},
         "q 0.072 w 1 J 1 j 72 0 m 72 -39.764502 39.764502 -72 0 -72 c S Q\n"},
        {"a whole white ellipse is closed and filled white", {"wh", "ia 0 0 1000 500 0 6.2832"}, "1 g"},
        {"a lone point, an arc short of numbers and what is not a command draw nothing",
         {"pa 0 0", "fp", "ar 0 0 10", "fpx", "pa 1e9 0", "pa 0 0", "fp", "pn -3"},
         ""},
    };
    for (Case const& c : cases) {
        std::string const drawn = Drawn(c.specials);
        if (std::string(c.what).rfind("a whole", 0) == 0) {
            EXPECT_NE(drawn.find(c.expected), std::string::npos) << c.what << ": " << drawn;
            EXPECT_NE(drawn.find(" c h f Q"), std::string::npos) << c.what << ": " << drawn;
            EXPECT_EQ(drawn.find(" S Q"), std::string::npos) << c.what << ": " << drawn;
        } else {
            EXPECT_EQ(drawn, c.expected) << c.what;
        }
    }
}

TEST(TpicPath, BoundedInPointsAndTurns) {
    TpicPath path;
    for (size_t i = 0; i < TpicPath::kMostPoints + 10; ++i) path.Take("pa 1 1");
    std::string const drawn = path.Take("fp");
    size_t lines = 0;
    for (size_t at = drawn.find(" l "); at != std::string::npos; at = drawn.find(" l ", at + 1)) ++lines;
    EXPECT_EQ(lines, TpicPath::kMostPoints - 1);
    // A sweep of a thousand turns is one turn: four quarters.
    std::string const arc = path.Take("ar 0 0 10 10 0 6283.2");
    size_t curves = 0;
    for (size_t at = arc.find(" c "); at != std::string::npos; at = arc.find(" c ", at + 1)) ++curves;
    EXPECT_EQ(curves, 4u);
    EXPECT_EQ(path.Take("ar 0 0 10 10 0 1e300"), "");
}

TEST(TpicPath, CommandsAreWordsOfTheirOwn) {
    for (char const* special : {"pn 3", "fp", "sh", "sh 0.3", "ar 1 2 3 4 5 6", "tx"}) {
        EXPECT_TRUE(TpicCommand(special)) << special;
        auto const* keyword = FindSpecialKeyword(reinterpret_cast<unsigned char const*>(special),
                                                 std::char_traits<char>::length(special));
        ASSERT_NE(keyword, nullptr) << special;
        EXPECT_EQ(keyword->family, SpecialFamily::Tpic) << special;
    }
    for (char const* special : {"fpx", "shade", "papersize=a4", "PN 3", "", "p"}) EXPECT_FALSE(TpicCommand(special));
    // papersize= stays dvips' paper, not a tpic point.
    EXPECT_EQ(FindSpecialKeyword(reinterpret_cast<unsigned char const*>("papersize=a4"), 12)->family,
              SpecialFamily::PaperSize);
}

}  // namespace

// Paper sizes from the command line and from dvips' papersize special, and
// the paper a document asks for.

#include <gtest/gtest.h>

#include "page/Paper.h"
#include "support/ScratchDocument.h"

namespace {

using ksdvi::Paper;

TEST(Paper, OptionsAndSpecialsReadAsTeXDimensions) {
    struct Case {
        std::string text;
        bool special;
        std::optional<Paper> paper;
    } const cases[] = {
        {"a4", false, Paper{39158276, 55380990}},
        {"letter", false, Paper{40258437, 52099154}},
        {"100ptx200pt", false, Paper{100 * 65536, 200 * 65536}},
        {"1inx1in", false, Paper{4736287, 4736287}},
        {"100pt", false, std::nullopt},
        {"0ptx10pt", false, std::nullopt},
        {"-1ptx10pt", false, std::nullopt},
        {"100ptx200ptjunk", false, std::nullopt},
        {"597.50787pt,845.04684pt", true, Paper{39158276, 55380990}},
        {"8.5truein,11truein", true, Paper{40258437, 52099154}},
        {"8.5in,11in  ", true, Paper{40258437, 52099154}},
        {"8.5in 11in", true, std::nullopt},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        auto paper = c.special ? ksdvi::ParsePaperSpecial(c.text) : ksdvi::ParsePaperOption(c.text);
        ASSERT_EQ(paper.has_value(), c.paper.has_value());
        if (!paper) continue;
        // Within a scaled point: the units' factors round.
        EXPECT_NEAR(paper->width, c.paper->width, 1);
        EXPECT_NEAR(paper->height, c.paper->height, 1);
    }
}

TEST(Paper, TheDocumentsFirstValidPapersizeSpecialWins) {
    DviBuilder b;
    b.Pre().Bop(1).Special("papersize=junk").Special("papersize=100pt,200pt").Eop();
    b.Bop(2).Special("papersize=300pt,400pt").Eop().Post();
    ScratchDocument doc(b.bytes);
    Paper const fallback{1, 2};
    EXPECT_EQ(ksdvi::PaperOf(doc.dvi, fallback), (Paper{100 * 65536, 200 * 65536}));
    ScratchDocument plain(DviBuilder{}.Pre().Page().Post().bytes);
    EXPECT_EQ(ksdvi::PaperOf(plain.dvi, fallback), fallback);
}

}  // namespace

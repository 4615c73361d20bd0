#include <gtest/gtest.h>

#include "PageSelection.h"
#include "dvi/KsDvi.h"

TEST(PageSelection, ListsRangesAndOpenEnds) {
    std::string error;
    EXPECT_EQ(*SelectPages("", 3, error), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(*SelectPages("1,3-5", 6, error), (std::vector<int>{0, 2, 3, 4}));
    EXPECT_EQ(*SelectPages("5-", 6, error), (std::vector<int>{4, 5}));
    EXPECT_EQ(*SelectPages("2,1", 2, error), (std::vector<int>{1, 0}));
}

TEST(PageSelection, RejectsWhatIsNotAPageOfTheDocument) {
    for (char const* bad : {"0", "a", "3-1", "1,,2", "-2", "1-2x", "7"}) {
        std::string error;
        EXPECT_FALSE(SelectPages(bad, 6, error).has_value()) << bad;
        EXPECT_FALSE(error.empty());
    }
}

// How far a document is scanned for a list: to its highest page, or to the end.
TEST(PageSelection, LastPageNamedBoundsTheScan) {
    EXPECT_EQ(LastPageNamed("1"), 1);
    EXPECT_EQ(LastPageNamed("7,2-3"), 7);
    EXPECT_EQ(LastPageNamed(""), 0);
    EXPECT_EQ(LastPageNamed("5-"), 0);
    EXPECT_EQ(LastPageNamed("2,5-"), 0);
    EXPECT_EQ(LastPageNamed("3-1"), 0);  // malformed: scanned whole, then refused
}

#include <gtest/gtest.h>

#include "PageSelection.h"

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

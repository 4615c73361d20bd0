// KsDviSearch on text.tex as TeX set it (Computer Modern, raw codes: a
// ligature is a code of its own, so the library finds only words without
// one), and on pages made for its limits.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScratchDocument.h"
#include "text/KsDviSearch.h"
#include "text/TextDocument.h"

namespace {

std::vector<unsigned short> Wide(std::string const& s) {
    std::vector<unsigned short> units(s.begin(), s.end());
    units.push_back(0);
    return units;
}

std::vector<int> Pages(KsDviSearch& search) {
    std::vector<int> pages;
    for (KsDviSearch::Result const& r : search.GetResultList()) pages.push_back(r.page);
    return pages;
}

struct Case {
    char const* pattern;
    int matchCase, first, last;
    std::vector<int> pages;  // of the occurrences expected
};

// Counts read off text.tex: "sum" once on page 1, "Counts: aaaa, aaa, and
// aaab." on page 2 (characters run on between words: no spaces in the DVI).
TEST(Search, FindsWhatTheSourceHas) {
    TextDocument doc("text.dvi");
    int const all = KsDviSearch::AllPages;
    std::vector<Case> const cases{
        {"sum", 0, all, all, {0}},
        {"s u m", 0, all, all, {0}},
        {"SUM", 0, all, all, {0}},
        {"SUM", 1, all, all, {}},
        {"Counts", 1, all, all, {1}},
        {"counts", 1, all, all, {}},
        {"aa", 0, all, all, {1, 1, 1, 1}},  // two in aaaa, one in aaa, one in aaab
        {"aab", 0, all, all, {1}},
        {"again", 0, 0, all, {1}},
        {"again", 0, 0, 0, {}},
        {"sum", 0, 1, 1, {}},
    };
    for (Case const& c : cases) {
        KsDviSearch search;
        int found = search.FindString(Wide(c.pattern).data(), &doc.dvi, c.matchCase, c.first, c.last);
        EXPECT_EQ(found, c.pages.empty() ? 0 : 1) << c.pattern;
        EXPECT_EQ(Pages(search), c.pages) << c.pattern << " " << c.matchCase;
        KsDviSearch narrow;
        narrow.FindString(c.pattern, &doc.dvi, c.matchCase, c.first, c.last);
        EXPECT_EQ(Pages(narrow), c.pages) << c.pattern;
    }
}

// Results stay when the arguments are rejected, and go when the pattern is
// all white space.
TEST(Search, RejectedArgumentsKeepResultsAndBlankPatternsClearThem) {
    TextDocument doc("text.dvi");
    KsDviSearch search;
    ASSERT_EQ(search.FindString("sum", &doc.dvi, 0, KsDviSearch::AllPages, KsDviSearch::AllPages), 1);
    EXPECT_EQ(search.FindString("sum", &doc.dvi, 0, 1, 0), 0);
    EXPECT_EQ(search.FindString("sum", &doc.dvi, 0, 0, doc.dvi.GetNPage()), 0);
    EXPECT_EQ(search.FindString("sum", nullptr, 0, 0, 0), 0);
    EXPECT_EQ(search.GetResultList().GetCount(), 1);
    EXPECT_EQ(search.FindString(" \t ", &doc.dvi, 0, 0, 1), 0);
    EXPECT_TRUE(search.GetResultList().IsEmpty());
}

// After a fallback the occurrence still begins where the match first began:
// "aab" in "aaab" starts at the first a, and its one rectangle reaches the b.
// A match over a line break has one rectangle per line.
TEST(Search, OccurrencesKeepTheirFirstCharacterAndARectanglePerLine) {
    TextDocument doc("text.dvi");
    std::vector<Call> chars = doc.Chars(1);
    size_t b = 0;
    while (b + 3 < chars.size() && !(chars[b].a == 'a' && chars[b + 1].a == 'a' && chars[b + 3].a == 'b')) ++b;
    ASSERT_LT(b + 3, chars.size());
    Call const &first = chars[b], &last = chars[b + 3];

    KsDviSearch search;
    ASSERT_EQ(search.FindString("aab", &doc.dvi, 0, 1, 1), 1);
    KsDviSearch::Result const& r = search.GetResultList().GetHead()->value;
    EXPECT_EQ(r.offset, first.offset);
    EXPECT_EQ(r.length, 3);
    ASSERT_EQ(r.rects.GetCount(), 1);
    KsDviSearch::CharRect const& box = r.rects.GetHead()->value;
    EXPECT_EQ(box.left, first.h);
    EXPECT_EQ(box.left + box.width, last.h + last.b);
    EXPECT_LE(box.top, first.v - first.height);

    ASSERT_EQ(search.FindString("aab.Next", &doc.dvi, 0, 1, 1), 1);
    DList<KsDviSearch::CharRect> const& rects = search.GetResultList().GetHead()->value.rects;
    ASSERT_EQ(rects.GetCount(), 2);
    EXPECT_LT(rects.GetHead()->value.top + rects.GetHead()->value.height, rects.GetTail()->value.top);
}

// A font without a map entry reports codes 0xF000 up, as a symbol face takes
// them; they match the plain letters. Past 1001 occurrences the rest is ignored.
TEST(Search, SymbolCodesMatchLettersAndResultsAreLimited) {
    DviBuilder body;
    body.FntDef(0, "kstest").Op(171);  // fnt_num_0
    for (int i = 0; i < 1100; ++i) body.Op('A');
    ScratchDocument doc(OnePage(body), Dirs({MetricsDir()}));
    std::vector<Call> chars = RecordingDrawer(doc.dvi, 0).calls;
    ASSERT_FALSE(chars.empty());
    ASSERT_EQ(chars.front().a, 0xF041);
    KsDviSearch search;
    EXPECT_EQ(search.FindString("a", &doc.dvi, 0, 0, 0), 1);
    EXPECT_EQ(search.GetResultList().GetCount(), KsDviSearch::MaxResults + 1);
    EXPECT_EQ(search.FindString("a", &doc.dvi, 1, 0, 0), 0);
}

// In Windows-font mode each character of an occurrence is recorded with the
// text state it was drawn with.
TEST(Search, WindowsFontModeRecordsTheTextState) {
    DviBuilder body;
    body.Record(4, {0, 12}).Record(3, {0, 0, 0, 7}).Op(133).Op('o').Record(6, {});
    body.Op(133).Op('k');
    ScratchDocument doc(OnePage(body));
    doc.dvi.SetWinFont(1);
    KsDviSearch search(1);
    ASSERT_EQ(search.FindString("OK", &doc.dvi, 0, 0, 0), 1);
    KsDviSearch::Result const& r = search.GetResultList().GetHead()->value;
    EXPECT_TRUE(r.rects.IsEmpty());
    std::vector<std::vector<int>> records;
    for (KsDviSearch::WinChar const& c : r.chars) records.push_back({c.code, c.faceIndex, c.width, c.bold});
    EXPECT_EQ(records, (std::vector<std::vector<int>>{{'o', 7, 12, 0}, {'k', 7, 12, 1}}));
    KsDviSearch copy(search);
    EXPECT_EQ(copy.GetResultList().GetHead()->value.chars.GetCount(), 2);
}

}  // namespace

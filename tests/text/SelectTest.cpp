// KsDviSelect on page 2 of text.tex, whose lines are
//   The second page repeats it: finite, and Finite again.
//   Counts: aaaa, aaa, and aaab.
//   Next line with a square x$^2$ here.
// with the characters that the interpreter reports as the oracle of where
// things are; and on a Windows-font page made for its ordering.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"
#include "support/ScratchDocument.h"
#include "text/KsDviSelect.h"
#include "text/TextDocument.h"

namespace {

// The characters of one baseline, in drawing order.
struct Line {
    std::vector<Call> chars;
    int Top() const { return chars.front().v - chars.front().height; }
    int Right() const { return chars.back().h + chars.back().b; }
};

class SelectPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(select.Open(doc.dvi, 1), 1);
        for (Call const& c : doc.Chars(1)) {
            if (lines.empty() || lines.back().chars.back().v != c.v) lines.emplace_back();
            lines.back().chars.push_back(c);
        }
        ASSERT_GE(lines.size(), 3u);
    }
    // The middle of a character's box.
    static std::pair<int, int> Middle(Call const& c) { return {c.h + c.b / 2, c.v - c.height / 2}; }
    void Drag(std::pair<int, int> from, std::pair<int, int> to) {
        select.BeginSelect(from.first, from.second);
        select.UpdateSelect(to.first, to.second);
    }

    TextDocument doc{"text.dvi"};
    KsDviSelect select;
    std::vector<Line> lines;
};

// From a point between two lines to the right of the second line's end: the
// line below wins, and the whole of it is selected, with the spaces TeX's
// gaps stand for.
TEST_F(SelectPage, ClickBetweenLinesSelectsFromTheLineBelow) {
    Line const &above = lines[0], &below = lines[1];
    int between = (above.chars.front().v + below.Top()) / 2;
    Drag({below.chars.front().h, between}, {below.Right() + 1000000, below.chars.front().v});
    EXPECT_EQ(select.GetStartPos(), below.chars.front().offset);
    EXPECT_EQ(select.GetEndPos(), below.chars.back().offset);
    EXPECT_EQ(std::string(select.GetSelectedString().c_str()), "Counts: aaaa, aaa, and aaab.");
}

// From the middle of a word to beyond the line's end, and back from the next
// line to the middle of this one: each end is the character under its point,
// and a selection across lines has a rectangle per line, cut at its ends.
TEST_F(SelectPage, DragsForwardAndBackwardAcrossLines) {
    Line const &first = lines[1], &second = lines[2];
    Call const& c = first.chars[2];  // the u of Counts
    Drag(Middle(c), {first.Right() + 5000000, c.v});
    EXPECT_EQ(select.GetStartPos(), c.offset);
    EXPECT_EQ(select.GetEndPos(), first.chars.back().offset);

    Call const& n = second.chars[1];  // the e of Next
    Drag(Middle(n), Middle(c));
    EXPECT_EQ(select.GetStartPos(), n.offset);
    EXPECT_EQ(select.GetEndPos(), c.offset);
    EXPECT_EQ(std::string(select.GetSelectedString().c_str()), "unts: aaaa, aaa, and aaab.\r\nNe");
    std::vector<std::vector<int>> rects;
    for (KsDviSelect::Rectangle const& r : *select.GetSelRect()) rects.push_back({r.left, r.right});
    EXPECT_EQ(rects, (std::vector<std::vector<int>>{{c.h, first.Right()}, {second.chars.front().h, n.h + n.b - 1}}));
}

// A selection inside one character is empty; a superscript neither breaks
// the line nor gets a space; positions count characters in drawing order.
TEST_F(SelectPage, OneCharacterSuperscriptsAndPositions) {
    Call const& c = lines[1].chars[0];
    Drag({c.h + 1, c.v - 1}, {c.h + c.b - 2, c.v - 1});
    EXPECT_TRUE(select.IsEmpty());
    EXPECT_EQ(std::string(select.GetSelectedString().c_str()), "");

    Line const& last = lines.back();
    select.SetRange(lines[2].chars.front().offset, last.chars.back().offset);
    EXPECT_EQ(std::string(select.GetSelectedString().c_str()), "Next line with a square x2here.");

    EXPECT_EQ(select.GetNextCharPos(c.offset, 0), c.offset);
    EXPECT_EQ(select.GetNextCharPos(c.offset, 1), lines[1].chars[1].offset);
    EXPECT_EQ(select.GetNextCharPos(c.offset, -3), -3);
    EXPECT_EQ(select.GetCharUnderPos(Middle(c).first, Middle(c).second), c.offset);
    EXPECT_EQ(select.GetCharInCommand(c.offset), 'C');
    KsDviSelect copy(select);
    EXPECT_EQ(copy.GetCharUnderPos(Middle(c).first, Middle(c).second), c.offset);
}

// A Windows-font page measures in the pixels of the renderer's device: the
// characters of a baseline are sorted by their left edges and numbered 100
// times their baseline plus their place; after an l the next character is a
// word of its own as soon as it starts past the l's right edge.
TEST(SelectWinFont, SortsByLeftEdgeAndSpacesAfterNarrowLetters) {
    DviBuilder body;
    body.Record(0, {0x05, 0xA0});                  // 1440 units per inch: 15 units a pixel at 96 dpi
    body.Record(4, {0, 150}).Record(5, {0, 150});  // 10 pixels
    body.Op(160).U(1500, 4);                       // down4: baseline at 100 pixels
    auto put = [&](int h, char code) { body.Op(146).U(h, 4).Op(133).Op(code).Op(146).U(-h, 4); };
    put(600, 'x');  // drawn first, stands last
    put(0, 'l');
    put(165, 'y');  // 11 pixels: just past the l
    body.Op(160).U(1500, 4);
    put(0, 'a');
    put(165, 'b');  // as close after an a: no space
    ScratchDocument doc(OnePage(body));
    doc.dvi.SetWinFont(1);
    auto device = ksdvi::gdi::RasterDevice::Create({.width = 10, .height = 10});
    ksdvi::gdi::CDC dc(*device);
    doc.dvi.RegisterDevice(&dc, fpreal4::FromDouble(1.0));

    KsDviSelect select;
    ASSERT_EQ(select.Open(doc.dvi, 0), 1);
    EXPECT_TRUE(select.IsWinFont());
    std::string order;
    std::vector<int> lefts, positions;
    for (KsDviSelect::CharInfo const& c : select.GetCharList()) {
        order.push_back(static_cast<char>(c.code));
        lefts.push_back(c.left);
        positions.push_back(c.position);
    }
    EXPECT_EQ(order, "lyxab");
    EXPECT_EQ(lefts, (std::vector<int>{0, 11, 40, 0, 11}));
    // Baselines 100 and 200 pixels, converted once more: 6 and 13.
    EXPECT_EQ(positions, (std::vector<int>{601, 602, 603, 1301, 1302}));
    select.SetRange(601, 1302);
    EXPECT_EQ(std::string(select.GetSelectedString().c_str()), "l y x\r\nab");
    doc.dvi.UnregisterDevice(&dc);
}

}  // namespace

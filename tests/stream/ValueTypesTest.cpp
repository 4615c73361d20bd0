#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream/DList.h"
#include "stream/String8.h"

TEST(String8, NullDiffersFromEmpty) {
    String8 null;
    String8 empty("");
    EXPECT_TRUE(null.IsNull());
    EXPECT_TRUE(String8(static_cast<char const*>(nullptr)) == null);
    EXPECT_TRUE(String8(null).IsNull());
    EXPECT_FALSE(empty.IsNull());
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_FALSE(null == empty);
}

TEST(String8, ValueSemanticsAndOperations) {
    String8 a("cmr");
    String8 b = a;
    b += String8("10");
    EXPECT_EQ(std::string(a.c_str()), "cmr");
    EXPECT_EQ(std::string(b.c_str()), "cmr10");
    EXPECT_TRUE(a + String8("10") == b);
    EXPECT_TRUE(String8("\"a.eps\"").SubStr(1, 5) == String8("a.eps"));
    EXPECT_TRUE(String8("CMR10.TFM").DownCase() == String8("cmr10.tfm"));
    EXPECT_TRUE(String8("x").SubStr(3, 2) == String8(""));  // out of range clamps
    b[0] = 'C';
    EXPECT_EQ(b[0], 'C');
}

// Copies are deep and moves keep every node pointing at its list.
TEST(DList, AppendsInOrderCopiesDeeplyAndMoves) {
    DList<String8> list;
    EXPECT_TRUE(list.IsEmpty());
    for (char const* s : {"a", "b", "c"}) list.Append(s);
    DList<String8> copy = list;
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(copy.GetTail()->list, &copy);
    DList<String8> moved = std::move(copy);
    std::vector<std::string> seen;
    for (String8 const& s : moved) seen.emplace_back(s.c_str());
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(moved.GetHead()->next->prev, moved.GetHead());
    EXPECT_EQ(moved.GetHead()->list, &moved);
    EXPECT_EQ(moved.GetTail()->list, &moved);
    EXPECT_EQ(moved.GetCount(), 3);
}

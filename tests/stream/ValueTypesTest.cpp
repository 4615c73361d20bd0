#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream/DList.h"
#include "stream/String8.h"

TEST(String8, NullDiffersFromEmpty) {
    String8 null;
    String8 alsoNull(static_cast<char const*>(nullptr));
    String8 empty("");
    EXPECT_TRUE(null.IsNull());
    EXPECT_TRUE(alsoNull.IsNull());
    EXPECT_FALSE(empty.IsNull());
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_FALSE(null == empty);
    EXPECT_TRUE(null == alsoNull);
    String8 copy(null);
    EXPECT_TRUE(copy.IsNull());
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

TEST(DList, AppendsInOrderAndCopiesDeeply) {
    DList<String8> list;
    EXPECT_TRUE(list.IsEmpty());
    list.Append("a");
    list.Append("b");
    list.Append("c");
    DList<String8> copy = list;
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    std::vector<std::string> seen;
    for (String8 const& s : copy) seen.emplace_back(s.c_str());
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(copy.GetHead()->next->prev, copy.GetHead());
    EXPECT_EQ(copy.GetTail()->list, &copy);
    EXPECT_EQ(copy.GetCount(), 3);
}

TEST(DList, MoveKeepsNodesPointingAtTheirList) {
    DList<int> a;
    a.Append(1);
    a.Append(2);
    DList<int> b = std::move(a);
    EXPECT_EQ(b.GetHead()->list, &b);
    EXPECT_EQ(b.GetCount(), 2);
}

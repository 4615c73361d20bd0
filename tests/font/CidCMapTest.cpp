// A CMap's codes to CIDs, as Adobe's CMaps write them (the shapes of H and
// of UniJIS-UTF16-V): single codes and ranges, later pairs over earlier
// ones, two-byte codes and CIDs only, what is not a pair left out, the
// character collection the CIDs count in, and the CMap used underneath.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "font/CidCMap.h"

namespace {

using ksdvi::CidCMap;

struct Case {
    std::uint32_t code;
    std::optional<std::uint32_t> cid;
};

constexpr char kHorizontal[] = R"(%!PS-Adobe-3.0 Resource-CMap
/CIDInit /ProcSet findresource begin
12 dict begin
begincmap
/CIDSystemInfo 3 dict dup begin
  /Registry (Adobe) def
  /Ordering (Japan1) def
  /Supplement 1 def
end def
/CMapName /H def
2 begincidrange
<2121> <217e>  633
<2330> <2339>  780
endcidrange
3 begincidchar
<2148> 9999
<ffff> 70000
<d840dc0b> 13706
endcidchar
2 begincidrange
<fffe> <ffff> 65535
<zzzz> <3000> 5 <2010> 7 8
endcidrange
endcmap
)";

// A vertical CMap's own pairs, over its horizontal one.
constexpr char kVertical[] = R"(/CIDInit /ProcSet findresource begin
begincmap
/H usecmap
/CMapName /V def
1 begincidchar
<2131> 7887
endcidchar
1 begincidrange
<2142> <2143> 7891
endcidrange
endcmap
)";

TEST(CidCMap, PairsGiveEachCodeItsCid) {
    CidCMap const cmap = CidCMap::Parse(kHorizontal);
    EXPECT_EQ(cmap.Ordering(), "Japan1");
    Case const cases[] = {
        {0x2121, 633},           {0x2147, 671},          {0x2148, 9999},  // the later pair wins
        {0x217E, 726},           {0x2330, 780},          {0x2339, 789},          {0x217F, std::nullopt},
        {0x2120, std::nullopt},  {0x0041, std::nullopt}, {0xFFFF, std::nullopt},  // no CID above 65535
        {0xD840, std::nullopt},                                                   // half of a four-byte code
        {0x2010, std::nullopt},                                                   // from a line that is no pair
        {0x12148, std::nullopt},
    };
    for (Case const& c : cases) EXPECT_EQ(cmap.Cid(c.code), c.cid) << std::hex << c.code;
    EXPECT_TRUE(CidCMap::Parse("/H usecmap\n").Empty());
}

// A CMap of a document's own tree may give every code again and again: past
// a million codes the pairs after are left out, and reading stays quick.
TEST(CidCMap, CodesPastTheBoundAreLeftOut) {
    std::string text = "17 begincidrange\n";
    for (int i = 0; i < 17; ++i) text += "<0000> <fffe> 1\n";
    text += "endcidrange\n1 begincidchar\n<0041> 999\nendcidchar\n";
    CidCMap const cmap = CidCMap::Parse(text);
    EXPECT_EQ(cmap.Cid(0x0041), 0x42u);
    EXPECT_EQ(cmap.Cid(0xFFFE), 0xFFFFu);
}

TEST(CidCMap, OwnPairsComeBeforeTheUsedCMaps) {
    CidCMap own = CidCMap::Parse(kVertical);
    EXPECT_EQ(own.Ordering(), "");
    EXPECT_EQ(own.Cid(0x2121), std::nullopt);  // a vertical CMap's own pairs alone: no glyph of its own
    own.Under(CidCMap::Parse(kHorizontal));
    EXPECT_EQ(own.Ordering(), "Japan1");
    Case const cases[] = {
        {0x2131, 7887}, {0x2142, 7891},         {0x2143, 7892},  // its own
        {0x2121, 633},  {0x2144, 668},          {0x2148, 9999},  // the horizontal CMap's
        {0x2122, 634},  {0x217F, std::nullopt},
    };
    for (Case const& c : cases) EXPECT_EQ(own.Cid(c.code), c.cid) << std::hex << c.code;
}

}  // namespace

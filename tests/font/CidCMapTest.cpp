// A CMap's codes to CIDs, as Adobe's horizontal CMaps write them (the shape
// of H): single codes and ranges, later pairs over earlier ones, two-byte
// codes and CIDs only, and the character collection the CIDs count in.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "font/CidCMap.h"

namespace {

using ksdvi::CidCMap;

constexpr char kCMap[] = R"(%!PS-Adobe-3.0 Resource-CMap
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
2 begincidchar
<2148> 9999
<ffff> 70000
endcidchar
1 begincidrange
<fffe> <ffff> 65535
endcidrange
endcmap
)";

TEST(CidCMap, PairsGiveEachCodeItsCid) {
    CidCMap const cmap = CidCMap::Parse(kCMap);
    EXPECT_EQ(cmap.Ordering(), "Japan1");
    struct Case {
        std::uint32_t code;
        std::optional<std::uint32_t> cid;
    } const cases[] = {
        {0x2121, 633},           {0x2147, 671},          {0x2148, 9999},  // the later pair wins
        {0x217E, 726},           {0x2330, 780},          {0x2339, 789},          {0x217F, std::nullopt},
        {0x2120, std::nullopt},  {0x0041, std::nullopt}, {0xFFFF, std::nullopt},  // no CID above 65535
        {0x12148, std::nullopt},
    };
    for (Case const& c : cases) EXPECT_EQ(cmap.Cid(c.code), c.cid) << std::hex << c.code;
    EXPECT_TRUE(CidCMap::Parse("/H usecmap\n").Empty());
}

}  // namespace

// The vertical glyphs of a CMap: its own code -> CID pairs, as Adobe's
// vertical CMaps write them (the shape of UniJIS-UTF16-V), later pairs over
// earlier ones, two-byte codes only, and what is not a pair left out.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "font/VerticalCMap.h"

namespace {

using ksdvi::VerticalCMap;

constexpr char kCMap[] = R"(%!PS-Adobe-3.0 Resource-CMap
/CIDInit /ProcSet findresource begin
12 dict begin
begincmap
/UniJIS-UTF16-H usecmap
/CMapName /UniJIS-UTF16-V def
3 begincidchar
<00b0> 8269
<2191> 736
<d840dc0b> 13706
endcidchar
2 begincidrange
<3008> <3011> 7956
<ff5f> <ff60> 12171
endcidrange
1 begincidchar
<3009> 9999
endcidchar
1 begincidrange
<zzzz> <3000> 5 <2010> 7 8
endcidrange
endcmap
)";

TEST(VerticalCMap, OwnPairsGiveTheColumnGlyphs) {
    VerticalCMap const cmap = VerticalCMap::Parse(kCMap);
    struct Case {
        std::uint32_t code;
        std::optional<std::uint32_t> cid;
    } const cases[] = {
        {0x00B0, 8269},         {0x2191, 736},          {0x3008, 7956},
        {0x300A, 7958},         {0x3011, 7965},         {0x3009, 9999},  // the later pair wins
        {0xFF60, 12172},        {0x3012, std::nullopt}, {0x3007, std::nullopt},
        {0x0041, std::nullopt}, {0xD840, std::nullopt},  // half of a four-byte code
        {0x2010, std::nullopt},                          // from a line that is no pair
    };
    for (Case const& c : cases) EXPECT_EQ(cmap.Cid(c.code), c.cid) << std::hex << c.code;
    EXPECT_TRUE(VerticalCMap::Parse("/UniJIS-UTF16-H usecmap\n").Empty());
}

}  // namespace

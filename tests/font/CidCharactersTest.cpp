// The characters of CIDs, as a ToUnicode CMap (the shape of Adobe-Japan1-UCS2)
// gives them: single pairs, ranges that count up from one value or list
// their values, surrogate pairs, the first of several characters, and what
// is not a pair left out.

#include <gtest/gtest.h>

#include <cstdint>

#include "font/CidCharacters.h"

namespace {

using ksdvi::CidCharacters;

constexpr char kCMap[] = R"(%!PS-Adobe-3.0 Resource-CMap
/CIDInit /ProcSet findresource begin
12 dict begin
begincmap
1 begincodespacerange
  <0000> <FFFF>
endcodespacerange
4 beginbfchar
<0000> <fffd>
<1de4> <845b>
<3598> <d842dfb7>
<0061> <005c>
endbfchar
3 beginbfrange
<0001> <003c> <0020>
<2000> <2002> [<0041> <00660069> <dc00>]
<3000> <3001> [ <3042>
<3044> ]
endbfrange
2 beginbfchar
<zz> <0041>
<4000> 65
endbfchar
<5000> <0042>
)";

TEST(CidCharacters, PairsAndRangesGiveTheCharacters) {
    CidCharacters const characters = CidCharacters::Parse(kCMap);
    struct Case {
        std::uint32_t cid;
        char32_t character;
    } const cases[] = {
        {0x0000, 0xFFFD}, {0x1DE4, U'葛'},  {0x0061, 0x005C},  // single pairs
        {0x3598, U'𠮷'},                                       // a surrogate pair
        {0x0001, 0x0020}, {0x0022, 0x0041}, {0x003C, 0x005B},  // a range counting up
        {0x2000, 0x0041}, {0x2001, 0x0066},                    // listed: the first of "fi"
        {0x2002, 0},                                           // half a surrogate pair
        {0x3000, 0x3042}, {0x3001, 0x3044},                    // a list spread over lines
        {0x003D, 0},      {0x4000, 0},      {0x5000, 0},       // none, no pair, outside a block
        {0x10000, 0},
    };
    for (Case const& c : cases) EXPECT_EQ(characters.Of(c.cid), c.character) << std::hex << c.cid;
    EXPECT_TRUE(CidCharacters::Parse("1 beginbfchar\n<0001>\nendbfchar\n").Empty());
}

}  // namespace

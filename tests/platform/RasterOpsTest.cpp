// The raster operations against their truth tables, bit by bit.
#include <gtest/gtest.h>

#include "platform/gdi/RasterOps.h"

namespace ksdvi::gdi {
namespace {

// Every ternary operation, on pixels that hold all eight (P, S, D) bit
// combinations side by side: bit i of the result must be truth-table bit
// (P<<2 | S<<1 | D) of that combination.
TEST(RasterOpsTest, AllTernaryOperationsFollowTheirTruthTables) {
    const std::uint32_t p = 0b11110000, s = 0b11001100, d = 0b10101010;
    for (int index = 0; index < 256; ++index) {
        const std::uint32_t r = ApplyRop3(BYTE(index), p, s, d) & 0xFF;
        EXPECT_EQ(r, std::uint32_t(index)) << "rop index " << index;
    }
}

TEST(RasterOpsTest, AllBinaryModesFollowTheirTruthTables) {
    const std::uint32_t pen = 0b1100, dst = 0b1010;
    for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode)
        EXPECT_EQ(ApplyRop2(mode, pen, dst) & 0xF, std::uint32_t(mode - 1)) << "mode " << mode;
}

// The named codes: each index is its function of the pattern, source and
// destination bytes of the truth tables above, and an operation uses the
// source or the pattern exactly when its table depends on it.
TEST(RasterOpsTest, NamedCodesMeanWhatTheirNamesSay) {
    constexpr std::uint32_t P = 0xF0, S = 0xCC, D = 0xAA;
    const std::pair<DWORD, std::uint32_t> named[] = {
        {SRCCOPY, S},       {SRCAND, S & D},        {SRCPAINT, S | D},  {SRCINVERT, S ^ D},      {MERGEPAINT, ~S | D},
        {SRCERASE, S & ~D}, {NOTSRCCOPY, ~S},       {MERGECOPY, P & S}, {NOTSRCERASE, ~(S | D)}, {PATCOPY, P},
        {PATINVERT, P ^ D}, {PATPAINT, P | ~S | D}, {DSTINVERT, ~D},    {BLACKNESS, 0},          {WHITENESS, 0xFF}};
    for (const auto& [rop, index] : named) EXPECT_EQ(Rop3Index(rop), index & 0xFF) << std::hex << rop;
    for (int index = 0; index < 256; ++index) {
        const DWORD rop = DWORD(index) << 16;
        // Bits 2, 1 and 0 of a table index are P, S and D.
        bool source = false, pattern = false;
        for (int bit = 0; bit < 8; ++bit) {
            source |= (index >> bit & 1) != (index >> (bit ^ 2) & 1);
            pattern |= (index >> bit & 1) != (index >> (bit ^ 4) & 1);
        }
        EXPECT_EQ(Rop3UsesSource(rop), source) << index;
        EXPECT_EQ(Rop3UsesPattern(rop), pattern) << index;
    }
}

}  // namespace
}  // namespace ksdvi::gdi

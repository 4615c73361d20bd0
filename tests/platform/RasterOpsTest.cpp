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

struct NamedRop {
    DWORD rop;
    std::uint32_t (*expected)(std::uint32_t p, std::uint32_t s, std::uint32_t d);
    bool source, pattern;
};

class NamedRopTest : public testing::TestWithParam<NamedRop> {};

TEST_P(NamedRopTest, NamedCodesMeanWhatTheirNamesSay) {
    const NamedRop& n = GetParam();
    const std::uint32_t p = 0x00F0F0F0, s = 0x00CC33CC, d = 0x00AA55AA;
    EXPECT_EQ(ApplyRop3(Rop3Index(n.rop), p, s, d) & 0xFFFFFF, n.expected(p, s, d) & 0xFFFFFF);
    EXPECT_EQ(Rop3UsesSource(n.rop), n.source);
    EXPECT_EQ(Rop3UsesPattern(n.rop), n.pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Named, NamedRopTest,
    testing::Values(NamedRop{SRCCOPY, [](auto, auto s, auto) { return s; }, true, false},
                    NamedRop{SRCAND, [](auto, auto s, auto d) { return s & d; }, true, false},
                    NamedRop{SRCPAINT, [](auto, auto s, auto d) { return s | d; }, true, false},
                    NamedRop{SRCINVERT, [](auto, auto s, auto d) { return s ^ d; }, true, false},
                    NamedRop{MERGEPAINT, [](auto, auto s, auto d) { return ~s | d; }, true, false},
                    NamedRop{SRCERASE, [](auto, auto s, auto d) { return s & ~d; }, true, false},
                    NamedRop{NOTSRCCOPY, [](auto, auto s, auto) { return ~s; }, true, false},
                    NamedRop{NOTSRCERASE, [](auto, auto s, auto d) { return ~(s | d); }, true, false},
                    NamedRop{MERGECOPY, [](auto p, auto s, auto) { return p & s; }, true, true},
                    NamedRop{PATCOPY, [](auto p, auto, auto) { return p; }, false, true},
                    NamedRop{PATINVERT, [](auto p, auto, auto d) { return p ^ d; }, false, true},
                    NamedRop{PATPAINT, [](auto p, auto s, auto d) { return p | ~s | d; }, true, true},
                    NamedRop{DSTINVERT, [](auto, auto, auto d) { return ~d; }, false, false},
                    NamedRop{BLACKNESS, [](auto, auto, auto) { return 0u; }, false, false},
                    NamedRop{WHITENESS, [](auto, auto, auto) { return ~0u; }, false, false}));

}  // namespace
}  // namespace ksdvi::gdi

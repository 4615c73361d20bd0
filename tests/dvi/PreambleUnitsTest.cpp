// The preamble's num and den are positive: a file with 0 or a value TeX's
// readers take as negative is malformed, and nothing of it is drawn at
// lengths that would be nothing or endless.

#include <gtest/gtest.h>

#include "dvi/KsDvi.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

namespace {

struct UnitsCase {
    char const* name;
    size_t at;  // 2: num, 6: den
    uint32_t value;
};

class PreambleUnits : public testing::TestWithParam<UnitsCase> {};

TEST_P(PreambleUnits, NotPositiveIsMalformed) {
    DviBuilder b;
    b.Pre().Page().Post();
    for (int i = 0; i < 4; ++i)
        b.bytes[GetParam().at + static_cast<size_t>(i)] = static_cast<uint8_t>(GetParam().value >> (24 - 8 * i));
    TempFile file(b.bytes);
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    dvi.NewPageWritten(0);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Malformed);
    EXPECT_EQ(dvi.GetScanProblem(), KsDvi::ScanProblem::BadUnits);
    EXPECT_EQ(dvi.GetScanProblemOffset(), static_cast<int32_t>(GetParam().at));
    EXPECT_EQ(dvi.GetNPage(), 0);
}

INSTANTIATE_TEST_SUITE_P(Preamble, PreambleUnits,
                         testing::Values(UnitsCase{"num_0", 2, 0}, UnitsCase{"num_2_31", 2, 0x80000000},
                                         UnitsCase{"den_0", 6, 0}, UnitsCase{"den_all_ones", 6, 0xFFFFFFFF}),
                         [](auto const& info) { return std::string(info.param.name); });

TEST(PreambleLimits, TheLargestPositiveUnitsAreRead) {
    DviBuilder b;
    b.Pre().Page().Post();
    for (size_t at : {size_t{2}, size_t{6}}) {
        b.bytes[at] = 0x7F;
        b.bytes[at + 1] = b.bytes[at + 2] = b.bytes[at + 3] = 0xFF;
    }
    TempFile file(b.bytes);
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    dvi.NewPageWritten(0);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(dvi.GetDviNum(), 0x7FFFFFFFu);
    EXPECT_EQ(dvi.GetDviDen(), 0x7FFFFFFFu);
}

}  // namespace

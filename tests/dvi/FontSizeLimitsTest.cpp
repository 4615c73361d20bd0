// Font sizes stay below 2048pt (2^27 sp), as TeX writes them: a definition at
// that size or more, or of size 0 with no design size, loads no font.

#include <gtest/gtest.h>

#include <string>

#include "dvi/KsDvi.h"
#include "font/ItrnFont.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

namespace {

TEST(FontSizeLimits, SizesFrom2048ptOnLoadNoFont) {
    constexpr uint32_t k2048pt = 1u << 27;
    DviBuilder b;
    b.Pre().Bop(1);
    b.FntDef(0, "kstest", k2048pt).FntDef(1, "kstest", k2048pt - 1).FntDef(2, "kstest", 0x7FFFFFFF);
    b.FntDef(3, "kstest", 0, k2048pt).FntDef(4, "kstest", 0, 0).FntDef(5, "kstest", 0x80000000, 655360);
    TempFile file(b.Eop().Post().bytes);
    DList<String8> metrics;
    metrics.Append(String8((std::string(KSDVI_TEST_DATA) + "/metrics/").c_str()));
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), metrics, {});
    dvi.NewPageWritten(0);
    ASSERT_EQ(dvi.GetMode(), KsDvi::Complete);
    auto const* fonts = dvi.GetExtFontIndex();
    for (int number : {0, 2, 3, 4}) EXPECT_EQ(fonts[number], nullptr) << number;
    ASSERT_NE(fonts[1], nullptr);
    EXPECT_EQ(fonts[1]->GetScaleSize(), static_cast<int>(k2048pt - 1));
    ASSERT_NE(fonts[5], nullptr);  // a negative size: the design size, rotated
    EXPECT_EQ(fonts[5]->GetScaleSize(), 655360);
    EXPECT_EQ(dvi.GetMissingFonts(), std::vector<std::string>{"kstest"});
}

}  // namespace

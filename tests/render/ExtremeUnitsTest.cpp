// A page whose units make every DVI length millions of dots long, at the far
// end of the DVI range: positions and sizes in dots are held far outside the
// device instead of overflowing, and the page draws to its end.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"
#include "stream/DeviceRounding.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

namespace {

// num 2^31 - 1 and den 1: the largest units a preamble can give.
std::vector<uint8_t> HugeUnitsPage() {
    DviBuilder b;
    b.Pre(10000);
    for (size_t i = 0; i < 4; ++i) {
        b.bytes[2 + i] = i == 0 ? 0x7F : 0xFF;
        b.bytes[6 + i] = i == 3 ? 1 : 0;
    }
    b.Bop(1);
    b.Special(std::string("#\0\0\0\1", 5));  // record resolution 1: one inch per record unit
    b.Special("html:<a href=\"far\">");
    b.Op(160).U(0x7FFFFFF0, 4).Op(146).U(0x7FFFFFF0, 4);  // down4, right4
    b.Op('A');                                            // no fonts: a Windows-font character
    b.Rule(0x7FFFFFFF, 0x7FFFFFFF, true);
    b.Special("line: 0pt 0pt 1in 1in").Special("boxfill: -1in -1in 2in 2in 1pt 1pt 1 0 0");
    b.Special("html:</a>").Special("hypertext: 2147483647 -2147483648 2147483647 2147483647 ref=x");
    return b.Eop().Post().bytes;
}

TEST(ExtremeUnits, DotsStayInsideTheirRange) {
    TempFile file(HugeUnitsPage());
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    dvi.NewPageWritten(0);
    ASSERT_EQ(dvi.GetNPage(), 1);
    auto device = ksdvi::gdi::RasterDevice::Create({64, 64, 72, 72});
    ksdvi::gdi::CDC dc(*device);
    KsDviDrawer drawer;
    ASSERT_TRUE(drawer.Open(dc, dvi, 0, fpreal4::FromDouble(1.0), 72, 72, 0, String8()));
    EXPECT_EQ(drawer.Draw(-1), 1);
    ASSERT_EQ(drawer.GetHyLinkList().GetCount(), 2);
    for (KsDviDrawer::HyLinkInfo const* link : drawer.GetHyLinkList()) {
        for (KsDviDrawer::LinkRect const& r : link->rects) {
            EXPECT_LE(std::abs(static_cast<double>(r.x)), 2 * DeviceLimit);
            EXPECT_LE(std::abs(static_cast<double>(r.y)), 2 * DeviceLimit);
            EXPECT_GE(r.w, 0);
            EXPECT_GE(r.h, 0);
        }
    }
    drawer.Close();
}

}  // namespace

// Virtual fonts load into stored packets: dimensions scaled, movements widened,
// and a font whose file disagrees with its metrics stays a plain font.

#include <gtest/gtest.h>

#include "MetricFiles.h"
#include "support/ScratchDocument.h"
#include "support/VfBuilder.h"

namespace {

// kstest has characters A, B, C, E and 0177; every one of them needs a packet.
VfBuilder AllCharacters(std::vector<uint8_t> const& packetOfA = {'A'}) {
    VfBuilder vf;
    vf.Pre().FntDef(0, "kstest").Char('A', packetOfA).OtherKstestChars();
    return vf;
}

// A document defining font "ksv" (kstest's metrics) at 10pt, whose VF file is `vf`.
struct VirtualDocument {
    explicit VirtualDocument(std::vector<uint8_t> const& vf)
        : dir("ksv", vf), doc(OnePage(DviBuilder{}.FntDef(0, "ksv")), Dirs({dir.Path(), MetricsDir()})) {}
    KsDvi::ItrnFont const* Font() const { return doc.dvi.GetExtFontIndex()[0]; }
    VfDir dir;
    ScratchDocument doc;
};

TEST(VfLoading, PacketsAreStoredScaledAndWidened) {
    VirtualDocument doc(AllCharacters({0x94, 0xFF, 'A'}).Post().out.bytes);  // w1 -1, then set A
    ASSERT_NE(doc.Font(), nullptr);
    ASSERT_TRUE(doc.Font()->IsVirtual());
    int length = doc.Font()->GetCharPacketLength('A');
    ASSERT_EQ(length, 6);
    std::vector<uint8_t> stored(doc.Font()->GetCharPacket('A'), doc.Font()->GetCharPacket('A') + length);
    EXPECT_EQ(stored, (std::vector<uint8_t>{151, 0xFF, 0xFF, 0xFF, 0xFF, 'A'}));  // w4 -1
    EXPECT_EQ(doc.Font()->GetFirstLocalFont(), 0);
    ASSERT_NE(doc.Font()->GetLocalFontIndex(), nullptr);
    EXPECT_STREQ(doc.Font()->GetLocalFontIndex()[0]->GetName().c_str(), "kstest");
    EXPECT_EQ(doc.Font()->GetCharPacket('D'), nullptr);
}

struct Failing {
    char const* name;
    std::vector<uint8_t> vf;
};

std::vector<uint8_t> WithXxx2(size_t textBytes) {
    std::vector<uint8_t> packet{240, static_cast<uint8_t>(textBytes >> 8), static_cast<uint8_t>(textBytes)};
    packet.resize(3 + textBytes, 'x');
    return VfBuilder().Pre().FntDef(0, "kstest").LongChar('A', packet).OtherKstestChars().Post().out.bytes;
}

std::vector<Failing> FailingFiles() {
    std::vector<Failing> f;
    auto wrongId = AllCharacters().Post().out.bytes;
    wrongId[1] = 203;
    f.push_back({"identification_203", wrongId});
    f.push_back({"checksum_differs",
                 VfBuilder().Pre(0x12345678).FntDef(0, "kstest").Char('A', {'A'}).OtherKstestChars().Post().out.bytes});
    VfBuilder missing;
    missing.Pre().FntDef(0, "kstest").Char('A', {'A'}).Char('B', {'B'}).Char('C', {'C'}).Char('E', {'E'});
    f.push_back({"character_without_packet", missing.Post().out.bytes});
    f.push_back({"packet_without_character", AllCharacters().Char('D', {'D'}).Post().out.bytes});
    f.push_back({"bop_in_packet", AllCharacters({139}).Post().out.bytes});
    f.push_back({"set3_in_packet", AllCharacters({130, 0, 0, 'A'}).Post().out.bytes});
    f.push_back({"undefined_command", AllCharacters().Post().out.bytes});
    f.back().vf.insert(f.back().vf.end() - 1, 250);
    f.push_back({"cut_short", AllCharacters().out.bytes});
    f.back().vf.resize(f.back().vf.size() - 2);
    f.push_back({"packet_over_1000_bytes", WithXxx2(996)});
    return f;
}

// A file that disagrees with its metrics or breaks a rule leaves a plain font.
TEST(VfLoading, RejectedFilesLeaveAPlainFont) {
    for (Failing const& c : FailingFiles()) {
        VirtualDocument doc(c.vf);
        ASSERT_NE(doc.Font(), nullptr) << c.name;  // the metrics still load
        EXPECT_FALSE(doc.Font()->IsVirtual()) << c.name;
        EXPECT_EQ(doc.Font()->GetCharPacket('A'), nullptr) << c.name;
        EXPECT_EQ(doc.Font()->GetCharWidthA('A'), 327680) << c.name;
    }
}

TEST(VfLoading, AFontThatNamesItselfAtAnotherSizeIsReadOnce) {
    // Each size would read the file again and ask for twice its size, without end.
    VirtualDocument doc(
        VfBuilder().Pre().FntDef(0, "ksv", 1, 2 << 20).Char('A', {'A'}).OtherKstestChars().Post().out.bytes);
    ASSERT_NE(doc.Font(), nullptr);
    ASSERT_TRUE(doc.Font()->IsVirtual());
    KsDvi::ItrnFont const* twice = doc.Font()->GetLocalFontIndex()[0];
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice->GetScaleSize(), 2 * 655360);
    EXPECT_FALSE(twice->IsVirtual());  // its metrics only
    EXPECT_EQ(doc.doc.dvi.GetNItrnFont(), 2);
}

TEST(VfLoading, EdgesThatStillLoad) {
    // A packet of 1000 bytes exactly; an empty packet; a checksum of 0; a
    // local font number too large to hold, read over.
    VirtualDocument full(WithXxx2(995));
    ASSERT_TRUE(full.Font()->IsVirtual());
    EXPECT_EQ(full.Font()->GetCharPacketLength('A'), 1000);

    VirtualDocument empty(AllCharacters({}).Post().out.bytes);
    ASSERT_TRUE(empty.Font()->IsVirtual());
    EXPECT_NE(empty.Font()->GetCharPacket('A'), nullptr);
    EXPECT_EQ(empty.Font()->GetCharPacketLength('A'), 0);

    VirtualDocument ignored(VfBuilder()
                                .Pre()
                                .FntDef(65536, "kstest", 3)
                                .FntDef(2, "kstest")
                                .Char('A', {'A'})
                                .OtherKstestChars()
                                .Post()
                                .out.bytes);
    ASSERT_TRUE(ignored.Font()->IsVirtual());
    EXPECT_EQ(ignored.Font()->GetFirstLocalFont(), 2);
}

}  // namespace

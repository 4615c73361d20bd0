// Characters of virtual fonts draw through their packets, at the character's
// position, with the virtual font's own fonts; the page goes on after them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "dvi/KsDvi.h"
#include "font/ItrnFont.h"
#include "platform/kpathsea/KPathSea.h"
#include "support/DviBuilder.h"
#include "support/RecordingDrawer.h"
#include "support/TempDir.h"
#include "support/TempFile.h"
#include "support/VfBuilder.h"

namespace {

std::string const kMetrics = std::string(KSDVI_TEST_DATA) + "/metrics/";

// A one-page document over the metric files of tests/data/metrics and `extra`.
struct Page {
    Page(DviBuilder const& body, std::string const& extra = "") {
        DviBuilder b;
        b.Pre().Bop(1);
        b.bytes.insert(b.bytes.end(), body.bytes.begin(), body.bytes.end());
        b.Eop().Post();
        file = std::make_unique<TempFile>(b.bytes);
        DList<String8> dirs;
        if (!extra.empty()) dirs.Append(String8((extra + "/").c_str()));
        dirs.Append(String8(kMetrics.c_str()));
        dvi.SetKPathSea(&finder);
        dvi.Open(String8(file->Path().c_str()), dirs, dirs);
        dvi.NewPageWritten(0);
        drawer.Open(dvi, 0);
        drawer.Draw(-1);
    }
    KPathSea finder;
    std::unique_ptr<TempFile> file;
    KsDvi dvi;
    RecordingDrawer drawer;
};

TEST(VirtualFonts, PacketsDrawAtTheCharacterAndMoveByItsWidth) {
    DviBuilder b;
    b.FntDef(0, "ksvirt").Op(171).Op('B').Op('C').Rule(1, 1);
    Page page(b);
    auto const& calls = page.drawer.calls;
    ASSERT_EQ(calls.size(), 5u);
    // B: push, right 0.5, rule 0.1 x 0.2, pop, special, then kstest's B.
    EXPECT_EQ(calls[0].kind, "rule");
    EXPECT_EQ(calls[0].h, 327680);
    EXPECT_EQ(calls[0].a, 65536);
    EXPECT_EQ(calls[0].b, 131071);  // 0.2 is not a whole fix-word: TeX rounds down
    EXPECT_EQ(calls[1].text, "hello");
    EXPECT_EQ(calls[2].kind, "char");
    EXPECT_EQ(calls[2].h, 0);
    EXPECT_EQ(calls[2].b, 655360);  // kstest's width of B
    // C: up a quarter, cmr10 at 20pt, x.
    EXPECT_EQ(calls[3].h, 3 * 327680);  // after B's virtual width, not kstest's
    EXPECT_EQ(calls[3].v, -163840);
    EXPECT_EQ(calls[3].a, 0xF000 + 'x');  // no map here: the default encoding's symbol range
    EXPECT_GT(calls[3].b, 0);
    // Registers come back after each packet.
    EXPECT_EQ(calls[4].h, 3 * 327680 + 655360);
    EXPECT_EQ(calls[4].v, 0);
    // All reported at the offset of the instruction that set the virtual character.
    EXPECT_EQ(calls[0].offset, calls[2].offset);
    EXPECT_NE(calls[2].offset, calls[3].offset);
}

TEST(VirtualFonts, ASelfReferenceStopsTenLevelsDeep) {
    TempDir dir;
    std::filesystem::copy_file(kMetrics + "kstest.tfm", dir / "kss.tfm");
    VfBuilder vf;
    vf.Pre().FntDef(0, "kss").Char('A', {'A'}).Char('B', {'B'}).Char('C', {'C'}).Char('E', {'E'});
    vf.Char(0177, {0177}).Post();
    std::ofstream(dir / "kss.vf", std::ios::binary)
        .write(reinterpret_cast<char const*>(vf.out.bytes.data()), static_cast<std::streamsize>(vf.out.bytes.size()));
    DviBuilder b;
    b.FntDef(0, "kss").Op(171).Op('A').Rule(1, 1);
    Page page(b, dir.Path());
    auto const* font = page.dvi.GetExtFontIndex()[0];
    ASSERT_TRUE(font->IsVirtual());
    EXPECT_EQ(font->GetLocalFontIndex()[0], font);  // its own record, not a second load
    EXPECT_EQ(page.dvi.GetNItrnFont(), 1);
    ASSERT_EQ(page.drawer.calls.size(), 1u);    // the innermost A is dropped
    EXPECT_EQ(page.drawer.calls[0].h, 327680);  // but the outer A still moved h
}

TEST(VirtualFonts, PacketsThatMultiplyStillEndThePage) {
    // A sets itself 200 times: ten levels deep that is 200^10 packets.
    TempDir dir;
    std::filesystem::copy_file(kMetrics + "kstest.tfm", dir / "kss.tfm");
    VfBuilder vf;
    vf.Pre().FntDef(0, "kss").Char('A', std::vector<uint8_t>(200, 'A')).Char('B', {'B'}).Char('C', {'C'});
    vf.Char('E', {'E'}).Char(0177, {0177}).Post();
    std::ofstream(dir / "kss.vf", std::ios::binary)
        .write(reinterpret_cast<char const*>(vf.out.bytes.data()), static_cast<std::streamsize>(vf.out.bytes.size()));
    DviBuilder b;
    b.FntDef(0, "kss").Op(171).Op('A').Rule(1, 1);
    Page page(b, dir.Path());
    ASSERT_EQ(page.drawer.calls.size(), 1u);  // nothing but the rule after A
    EXPECT_EQ(page.drawer.calls[0].h, 327680);
}

}  // namespace

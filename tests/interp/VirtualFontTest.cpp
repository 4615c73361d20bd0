// Characters of virtual fonts draw through their packets, at the character's
// position, with the virtual font's own fonts; the page goes on after them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/ItrnFont.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"
#include "support/VfBuilder.h"

namespace {

// A page of `body` over the fonts of `dir` and tests/data/metrics, drawn whole.
struct Page {
    explicit Page(DviBuilder const& body, std::string const& dir = MetricsDir())
        : doc(OnePage(body), Dirs({dir, MetricsDir()})) {
        drawer.Open(doc.dvi, 0);
        drawer.Draw(-1);
    }
    ScratchDocument doc;
    RecordingDrawer drawer;
};

// ksvirt.vpl: B pushes, moves right 0.5, sets a rule 0.1 x 0.2, pops, writes
// a special and sets kstest's B; C moves up a quarter and sets x in cmr10 at
// 20pt. B is 1.5 wide.
TEST(VirtualFonts, PacketsDrawAtTheCharacterAndMoveByItsWidth) {
    Page page(DviBuilder{}.FntDef(0, "ksvirt").Op(171).Op('B').Op('C').Rule(1, 1));
    KsDvi::ItrnFont const* ksvirt = page.doc.dvi.GetExtFontIndex()[0];
    ASSERT_NE(ksvirt, nullptr);
    EXPECT_EQ(page.doc.dvi.GetNItrnFont(), 3);  // ksvirt and its fonts kstest and cmr10 at 20pt
    KsDvi::ItrnFont const *kstest = ksvirt->GetLocalFontIndex()[0], *cmr20 = ksvirt->GetLocalFontIndex()[1];
    EXPECT_EQ(cmr20->GetScaleSize(), 2 * 655360);
    // Everything a packet draws is reported at the instruction that set the
    // virtual character; the registers come back after each packet.
    int const b = 45 + 22 + 1, c = b + 1;  // after the bop, the font definition and fnt_num_0
    EXPECT_EQ(page.drawer.calls,
              (std::vector<Call>{{"rule", b, 327680, 0, 65536, 131071, ""},  // 0.2 is no whole fix-word: rounded down
                                 {"special", b, 0, 0, 5, 0, "hello"},
                                 // no map here: the default encoding's symbol range
                                 {"char", b, 0, 0, 0xF000 + 'B', 655360, "", kstest->GetCharHeight('B')},
                                 {"char", c, 3 * 327680, -163840, 0xF000 + 'x', cmr20->GetCharWidthA('x'), "",
                                  cmr20->GetCharHeight('x')},
                                 {"rule", c + 1, 3 * 327680 + 655360, 0, 1, 1, ""}}));
}

// C's packet selects cmr10 at 20pt; the page's next character is the virtual
// font's again, and so is the font the page goes on with.
TEST(VirtualFonts, ThePageFontComesBackAfterAPacket) {
    Page page(DviBuilder{}.FntDef(0, "ksvirt").Op(171).Op('C').Op('B'));
    KsDvi::ItrnFont const* ksvirt = page.doc.dvi.GetExtFontIndex()[0];
    ASSERT_EQ(page.drawer.calls.size(), 4u);  // x, then B's rule, special and B
    EXPECT_EQ(page.drawer.calls[0].b, ksvirt->GetLocalFontIndex()[1]->GetCharWidthA('x'));
    EXPECT_EQ(page.drawer.calls[3].a, 0xF000 + 'B');
    EXPECT_EQ(page.drawer.calls[3].h, ksvirt->GetCharWidthA('C'));
    EXPECT_EQ(page.drawer.CurrentFont(), 0);
}

TEST(VirtualFonts, ASelfReferenceStopsTenLevelsDeep) {
    VfDir dir("kss", VfBuilder().Pre().FntDef(0, "kss").Char('A', {'A'}).OtherKstestChars().Post().out.bytes);
    Page page(DviBuilder{}.FntDef(0, "kss").Op(171).Op('A').Rule(1, 1), dir.Path());
    auto const* font = page.doc.dvi.GetExtFontIndex()[0];
    ASSERT_TRUE(font->IsVirtual());
    EXPECT_EQ(font->GetLocalFontIndex()[0], font);  // its own record, not a second load
    EXPECT_EQ(page.doc.dvi.GetNItrnFont(), 1);
    ASSERT_EQ(page.drawer.calls.size(), 1u);    // the innermost A is dropped
    EXPECT_EQ(page.drawer.calls[0].h, 327680);  // but the outer A still moved h
}

TEST(VirtualFonts, PacketsThatMultiplyStillEndThePage) {
    // A sets itself 200 times: ten levels deep that is 200^10 packets.
    VfDir dir("kss", VfBuilder()
                         .Pre()
                         .FntDef(0, "kss")
                         .Char('A', std::vector<uint8_t>(200, 'A'))
                         .OtherKstestChars()
                         .Post()
                         .out.bytes);
    Page page(DviBuilder{}.FntDef(0, "kss").Op(171).Op('A').Rule(1, 1), dir.Path());
    ASSERT_EQ(page.drawer.calls.size(), 1u);  // nothing but the rule after A
    EXPECT_EQ(page.drawer.calls[0].h, 327680);
}

// Each page may run a million packet instructions, the document 32 pages'
// worth, counted once per page: drawing a page again costs nothing and looks
// the same, and a drawing cut short counts nothing. kss's A sets kstest's B,
// then 200 of its own A: each expansion shows one B until the budget ends.
TEST(VirtualFonts, ADocumentsPagesShareOneBudgetCountedOncePerPage) {
    std::vector<uint8_t> packet = {171, 'B', 172};
    packet.insert(packet.end(), 200, 'A');
    VfDir dir("kss", VfBuilder().Pre().FntDef(0, "kstest").FntDef(1, "kss").Char('A', packet).OtherKstestChars().Post().out.bytes);
    int const pagesWorth = static_cast<int>(KsDvi::MostVirtualInstructions / KsDviDrawerBase::MaxPacketInstructions);
    DviBuilder b;
    b.Pre();
    for (int page = 0; page < pagesWorth + 2; ++page) {
        b.Bop(page + 1);
        if (page == 0) b.FntDef(0, "kss");
        b.Op(171).Op('A').Eop();
    }
    ScratchDocument doc(b.Post().bytes, Dirs({dir.Path(), MetricsDir()}));
    ASSERT_EQ(doc.dvi.GetNPage(), pagesWorth + 2);

    struct Drawn {
        size_t shown;
        bool cut;
    };
    auto draw = [&](int page, int count = -1) {
        RecordingDrawer drawer;
        drawer.Open(doc.dvi, page);
        drawer.Draw(count);
        return Drawn{drawer.calls.size(), drawer.IsVirtualWorkCut()};
    };
    EXPECT_EQ(draw(0, 1).shown, 0u);  // cut short before A: counts nothing
    Drawn const full = draw(0);
    EXPECT_TRUE(full.cut);
    EXPECT_GT(full.shown, 4000u);
    for (int page = 1; page < pagesWorth; ++page) EXPECT_EQ(draw(page).shown, full.shown);
    EXPECT_TRUE(doc.dvi.IsVirtualBudgetSpent());
    // Pages drawn before keep their share; one never drawn gets none.
    EXPECT_EQ(draw(0).shown, full.shown);
    EXPECT_EQ(draw(pagesWorth - 1).shown, full.shown);
    Drawn const late = draw(pagesWorth + 1);
    EXPECT_EQ(late.shown, 0u);
    EXPECT_TRUE(late.cut);
}

}  // namespace

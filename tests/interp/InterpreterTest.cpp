#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "font/ItrnFont.h"
#include "interp/KsDviDrawerBase.h"
#include "platform/kpathsea/KPathSea.h"
#include "support/DviBuilder.h"
#include "support/RecordingDrawer.h"
#include "support/TempFile.h"

namespace {

// A one-page document whose page body is given; fonts are found through kpathsea.
class Page {
public:
    explicit Page(DviBuilder body, int pages = 1) {
        DviBuilder b;
        b.Pre();
        for (int i = 1; i < pages; ++i) b.Page(i);
        b.Bop(pages);
        b.bytes.insert(b.bytes.end(), body.bytes.begin(), body.bytes.end());
        b.Eop().Post();
        file_ = std::make_unique<TempFile>(b.bytes);
        dvi.SetKPathSea(&finder_);
        dvi.Open(String8(file_->Path().c_str()), {}, {});
        dvi.NewPageWritten(0);
    }
    KsDvi dvi;

private:
    KPathSea finder_;
    std::unique_ptr<TempFile> file_;
};

// Offsets inside a page: the bop takes 45 bytes.
constexpr int kBody = 45;

TEST(Interpreter, RejectsAPageIndexItDoesNotHave) {
    Page page(DviBuilder{});
    RecordingDrawer d;
    EXPECT_EQ(d.Open(page.dvi, 1), 0);
    EXPECT_EQ(d.Open(page.dvi, -1), 0);
    EXPECT_FALSE(d.IsWorking());
    EXPECT_EQ(d.Open(page.dvi, 0), 1);
    EXPECT_EQ(d.Open(page.dvi, 5), 0);
    EXPECT_TRUE(d.IsWorking());  // the open page stays open
}

TEST(Interpreter, MovesRegistersWithSignedParameters) {
    DviBuilder b;
    b.Op(145).U(0xFFFFFE, 3).Rule(1, 1);     // right3 -2
    b.Op(144).U(0x8000, 2).Rule(1, 1);       // right2 -0x8000
    b.Op(148).U(10, 1).Op(147).Rule(1, 1);   // w1 10, w0
    b.Op(157).U(0xFF, 1).Rule(1, 1);         // down1 -1
    b.Op(167).U(100, 1).Op(166).Rule(1, 1);  // z1 100, z0
    Page page(b);
    RecordingDrawer d;
    ASSERT_TRUE(d.Open(page.dvi, 0));
    EXPECT_EQ(d.Draw(-1), 1);
    ASSERT_EQ(d.calls.size(), 5u);
    EXPECT_EQ(d.calls[0].h, -2);
    EXPECT_EQ(d.calls[1].h, -2 - 0x8000);
    EXPECT_EQ(d.calls[2].h, -2 - 0x8000 + 20);
    EXPECT_EQ(d.calls[3].v, -1);
    EXPECT_EQ(d.calls[4].v, 199);
    EXPECT_EQ(d.calls[0].offset, kBody + 4);
}

TEST(Interpreter, RulesNeedPositiveSizesAndSetRuleMovesAnyway) {
    DviBuilder b;
    b.Rule(0, 1000, true).Rule(5, 7).Rule(-1, 5, true).Rule(3, 4, true).Rule(2, 2);
    Page page(b);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    d.Draw(-1);
    ASSERT_EQ(d.calls.size(), 3u);
    EXPECT_EQ(d.calls[0].h, 1000);  // after the empty set_rule
    EXPECT_EQ(d.calls[0].a, 5);
    EXPECT_EQ(d.calls[0].b, 7);
    EXPECT_EQ(d.calls[1].h, 1005);  // put_rule did not move, the negative one did
    EXPECT_EQ(d.calls[2].h, 1009);
}

TEST(Interpreter, StackHoldsFiveHundredFrames) {
    DviBuilder ok;
    for (int i = 0; i < 500; ++i) ok.Op(141).Op(143).Op(1);
    for (int i = 0; i < 500; ++i) ok.Op(142);
    ok.Rule(1, 1);
    Page fine(ok);
    RecordingDrawer d;
    d.Open(fine.dvi, 0);
    EXPECT_EQ(d.Draw(-1), 1);
    EXPECT_EQ(d.calls.back().h, 0);

    DviBuilder over;
    for (int i = 0; i < 501; ++i) over.Op(141);
    Page overflow(over);
    RecordingDrawer e;
    e.Open(overflow.dvi, 0);
    EXPECT_THROW(e.Draw(-1), KsDviDrawerBase::MalformedDviError);
    EXPECT_EQ(e.GetInstOffset(), kBody + 500);

    DviBuilder under;
    under.Op(142);
    Page underflow(under);
    RecordingDrawer f;
    f.Open(underflow.dvi, 0);
    EXPECT_THROW(f.Draw(-1), KsDviDrawerBase::MalformedDviError);
}

class NotAccepted : public testing::TestWithParam<int> {};

TEST_P(NotAccepted, ThrowsAndStaysOnTheInstruction) {
    // The scan rejects these, so the page is built by hand after a good one.
    Page page(DviBuilder{}.Rule(1, 1));
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    // Patch the page copy: the rule's opcode becomes the rejected one.
    std::vector<unsigned char> bytes(64, 0);
    bytes[0] = static_cast<unsigned char>(GetParam());
    EXPECT_EQ(d.ProcessInstruction(bytes.data()), -1);
}

INSTANTIATE_TEST_SUITE_P(Opcodes, NotAccepted, testing::Values(130, 131, 135, 136, 237, 238, 247, 248, 249, 250, 255));

TEST(Interpreter, ProcessInstructionNeverReadsPastThePage) {
    DviBuilder b;
    b.Op(138);
    Page page(b);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    // Pointers outside the page are not accepted.
    unsigned char stray[2] = {143, 1};
    EXPECT_EQ(d.ProcessInstruction(stray), -1);
    EXPECT_EQ(d.ProcessInstruction(nullptr), -1);
}

TEST(Interpreter, DrawRunsInSlices) {
    DviBuilder b;
    b.Rule(1, 1).Rule(2, 2);
    Page page(b);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    EXPECT_EQ(d.Draw(0), 0);
    EXPECT_TRUE(d.calls.empty());
    EXPECT_EQ(d.Draw(2), 0);  // bop and the first rule
    EXPECT_EQ(d.calls.size(), 1u);
    EXPECT_EQ(d.Draw(1), 0);
    EXPECT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.Draw(1), 1);  // at the eop
    EXPECT_EQ(d.Draw(5), 1);

    RecordingDrawer whole;
    whole.Open(page.dvi, 0);
    EXPECT_EQ(whole.Draw(4), 1);  // bop, two rules, and the eop ends it
    EXPECT_EQ(whole.calls.size(), 2u);
}

TEST(Interpreter, SpecialsArriveWithTheirBytesAndFontDefsAreSkipped) {
    DviBuilder b;
    b.Special("").Special("color push rgb 1 0 0").FntDef(3, "cmr10").Rule(1, 1);
    Page page(b);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    d.Draw(-1);
    ASSERT_EQ(d.calls.size(), 3u);
    EXPECT_EQ(d.calls[0].a, 0);
    EXPECT_EQ(d.calls[1].text, "color push rgb 1 0 0");
    EXPECT_EQ(d.calls[1].offset, kBody + 2);
    EXPECT_EQ(d.calls[2].kind, "rule");
    EXPECT_EQ(d.CurrentFont(), -1);
}

TEST(Interpreter, CharactersAdvanceByTheirWidthAndUndefinedFontsDropThem) {
    DviBuilder b;
    b.FntDef(0, "cmr10").FntDef(63, "cmr10");
    b.Op('A');                  // no font selected yet: dropped, h stays
    b.Op(171).Op('A').Op('V');  // fnt_num_0
    b.Op(234).Op(133).Op('A');  // fnt_num_63, put1
    b.Op(235).Op(9).Op('A');    // fnt1 9: undefined
    b.Rule(1, 1);
    Page page(b);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    d.Draw(-1);
    ASSERT_EQ(d.calls.size(), 4u);
    KsDvi::ItrnFont const* cmr10 = page.dvi.GetExtFontIndex()[0];
    ASSERT_NE(cmr10, nullptr);
    EXPECT_EQ(page.dvi.GetExtFontIndex()[63], cmr10);
    int wA = cmr10->GetCharWidthA('A');
    EXPECT_EQ(d.calls[0].h, 0);
    EXPECT_EQ(d.calls[0].b, wA);
    EXPECT_EQ(d.calls[1].h, wA);
    EXPECT_EQ(d.calls[2].h, wA + cmr10->GetCharWidthA('V'));  // put1 does not move
    EXPECT_EQ(d.calls[3].kind, "rule");
    EXPECT_EQ(d.calls[3].h, d.calls[2].h);
    EXPECT_EQ(d.CurrentFont(), -1);
}

TEST(Interpreter, BinaryRecordsSetTheDocumentTextState) {
    auto record = [](int command, std::vector<uint8_t> operand) {
        std::string s = "#";
        s.push_back(static_cast<char>(command >> 8));
        s.push_back(static_cast<char>(command & 0xFF));
        s.append(operand.begin(), operand.end());
        return s;
    };
    DviBuilder b;
    b.Special(record(0, {0x05, 0xA0}))     // 1440 units per inch
        .Special(record(4, {0xFF, 0xF4}))  // width -12
        .Special(record(5, {0x00, 0x20}))  // height 32
        .Special(record(3, {0, 0, 0, 2}))
        .Special(record(6, {}))
        .Special(record(8, {}))
        .Special(record(11, {0x03, 0x84}))  // 900
        .Special(record(4, {0x01}))         // too short: ignored
        .Special(record(99, {1, 2, 3}));
    Page page(b);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    d.Draw(-1);
    KsDvi::WinFontTextState const& s = page.dvi.GetWinFontTextState();
    EXPECT_EQ(page.dvi.GetRecordResolution(), 1440);
    EXPECT_EQ(s.charWidth, 12);
    EXPECT_EQ(s.charHeight, 32);
    EXPECT_EQ(s.faceIndex, 2);
    EXPECT_EQ(s.bold, 1);
    EXPECT_EQ(s.italic, 1);
    EXPECT_EQ(s.escapement, 900);
}

TEST(Interpreter, WindowsFontDocumentsReportEveryCharacter) {
    DviBuilder b;
    // set needs a selected font even here; put shows the character at once
    b.Special(std::string("#\0\x04\0\x0A", 5)).Op('x').Op(133).Op('x');
    Page page(b);
    page.dvi.SetWinFont(1);
    RecordingDrawer d;
    d.Open(page.dvi, 0);
    EXPECT_TRUE(d.IsWinFont());
    d.Draw(-1);
    ASSERT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.calls[1].kind, "char");
    EXPECT_EQ(d.calls[1].a, 'x');
    EXPECT_EQ(d.calls[1].b, 10);
}

}  // namespace

// The page interpreter: registers, rules, the stack, instructions it refuses,
// drawing in slices, specials, characters and the binary records.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/ItrnFont.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"

namespace {

// Offsets inside a page: the bop takes 45 bytes.
constexpr int kBody = 45;

// The one page of a document holding `body`, open in a recording drawer.
struct Drawn {
    explicit Drawn(DviBuilder const& body) : doc(OnePage(body)) { drawer.Open(doc.dvi, 0); }
    std::vector<Call> const& All() {
        drawer.Draw(-1);
        return drawer.calls;
    }
    ScratchDocument doc;
    RecordingDrawer drawer;
};

TEST(Interpreter, RejectsAPageIndexItDoesNotHave) {
    ScratchDocument doc(OnePage({}));
    RecordingDrawer d;
    EXPECT_EQ(d.Open(doc.dvi, 1), 0);
    EXPECT_EQ(d.Open(doc.dvi, -1), 0);
    EXPECT_FALSE(d.IsWorking());
    EXPECT_EQ(d.Open(doc.dvi, 0), 1);
    EXPECT_EQ(d.Open(doc.dvi, 5), 0);
    EXPECT_TRUE(d.IsWorking());  // the open page stays open
}

TEST(Interpreter, MovesRegistersWithSignedParameters) {
    DviBuilder b;
    b.Op(145).U(0xFFFFFE, 3).Rule(1, 1);     // right3 -2
    b.Op(144).U(0x8000, 2).Rule(1, 1);       // right2 -0x8000
    b.Op(148).U(10, 1).Op(147).Rule(1, 1);   // w1 10, w0
    b.Op(157).U(0xFF, 1).Rule(1, 1);         // down1 -1
    b.Op(167).U(100, 1).Op(166).Rule(1, 1);  // z1 100, z0
    // x and y keep their own values beside w and z: each zero form repeats its own.
    b.Op(153).U(7, 1).Op(148).U(3, 1).Op(152).Rule(1, 1);  // x1 7, w1 3, x0
    b.Op(162).U(5, 1).Op(166).Op(161).Rule(1, 1);          // y1 5, z0, y0
    int32_t const h = -0x8002 + 20, v = 199;
    EXPECT_EQ(Drawn(b).All(), (std::vector<Call>{{"rule", kBody + 4, -2, 0, 1, 1, ""},
                                                 {"rule", kBody + 16, -0x8002, 0, 1, 1, ""},
                                                 {"rule", kBody + 28, h, 0, 1, 1, ""},
                                                 {"rule", kBody + 39, h, -1, 1, 1, ""},
                                                 {"rule", kBody + 51, h, v, 1, 1, ""},
                                                 {"rule", kBody + 65, h + 17, v, 1, 1, ""},
                                                 {"rule", kBody + 78, h + 17, v + 110, 1, 1, ""}}));
}

TEST(Interpreter, RulesNeedPositiveSizesAndSetRuleMovesAnyway) {
    DviBuilder b;
    b.Rule(0, 1000, true).Rule(5, 7).Rule(-1, 5, true).Rule(3, 4, true).Rule(2, 2);
    // put_rule does not move; the empty and the negative set_rule do
    EXPECT_EQ(Drawn(b).All(), (std::vector<Call>{{"rule", kBody + 9, 1000, 0, 5, 7, ""},
                                                 {"rule", kBody + 27, 1005, 0, 3, 4, ""},
                                                 {"rule", kBody + 36, 1009, 0, 2, 2, ""}}));
}

TEST(Interpreter, StackHoldsFiveHundredFrames) {
    DviBuilder ok;
    for (int i = 0; i < 500; ++i) ok.Op(141).Op(143).Op(1);
    for (int i = 0; i < 500; ++i) ok.Op(142);
    Drawn fine(ok.Rule(1, 1));
    EXPECT_EQ(fine.drawer.Draw(-1), 1);
    EXPECT_EQ(fine.drawer.calls.back().h, 0);

    DviBuilder over;
    for (int i = 0; i < 501; ++i) over.Op(141);
    Drawn overflow(over);
    EXPECT_THROW(overflow.drawer.Draw(-1), KsDviDrawerBase::MalformedDviError);
    EXPECT_EQ(overflow.drawer.GetInstOffset(), kBody + 500);

    Drawn underflow(DviBuilder{}.Op(142));
    EXPECT_THROW(underflow.drawer.Draw(-1), KsDviDrawerBase::MalformedDviError);
}

class NotAccepted : public testing::TestWithParam<int> {};

TEST_P(NotAccepted, ThrowsAndStaysOnTheInstruction) {
    // The scan refuses most of these, so the page changes after it: the
    // drawer reads it from the file, where the rule's opcode becomes this one.
    Drawn page(DviBuilder{}.Rule(1, 1));
    std::vector<uint8_t> bytes = ReadFileBytes(page.doc.file.Path());
    bytes[static_cast<size_t>(page.doc.dvi.GetPageStartOffset(0) + kBody)] = static_cast<uint8_t>(GetParam());
    page.doc.file.Write(bytes);
    ASSERT_EQ(page.drawer.Open(page.doc.dvi, 0), 1);
    EXPECT_THROW(page.drawer.Draw(-1), KsDviDrawerBase::MalformedDviError);
    EXPECT_EQ(page.drawer.GetInstOffset(), kBody);
    EXPECT_TRUE(page.drawer.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Opcodes, NotAccepted, testing::Values(131, 136, 237, 238, 247, 248, 249, 250));

TEST(Interpreter, ProcessInstructionNeverReadsOutsideThePage) {
    // The special's text shows where the page's bytes lie.
    struct Locating : RecordingDrawer {
        unsigned char const* pageStart = nullptr;
        void DoSpecial(unsigned int length, InstPtr text) override {
            if (!pageStart) pageStart = text.Get() - GetInstOffset() - 2;  // xxx1 and its length byte
            RecordingDrawer::DoSpecial(length, text);
        }
    };
    ScratchDocument doc(OnePage(DviBuilder{}.Special("x").Rule(1, 1)));
    Locating d;
    ASSERT_EQ(d.Open(doc.dvi, 0), 1);
    d.Draw(-1);
    ASSERT_NE(d.pageStart, nullptr);
    EXPECT_EQ(d.ProcessInstruction(d.pageStart + kBody), 3);  // the special itself
    EXPECT_EQ(d.ProcessInstruction(d.pageStart - 1), -1);
    EXPECT_EQ(d.ProcessInstruction(d.pageStart + doc.dvi.GetPageContents(0, nullptr)), -1);
    unsigned char stray[2] = {143, 1};
    EXPECT_EQ(d.ProcessInstruction(stray), -1);
    EXPECT_EQ(d.ProcessInstruction(nullptr), -1);
}

TEST(Interpreter, DrawRunsInSlices) {
    Drawn page(DviBuilder{}.Rule(1, 1).Rule(2, 2));
    RecordingDrawer& d = page.drawer;
    EXPECT_EQ(d.Draw(0), 0);
    EXPECT_TRUE(d.calls.empty());
    EXPECT_EQ(d.Draw(2), 0);  // bop and the first rule
    EXPECT_EQ(d.calls.size(), 1u);
    EXPECT_EQ(d.Draw(1), 0);
    EXPECT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.Draw(1), 1);  // at the eop
    EXPECT_EQ(d.Draw(5), 1);

    RecordingDrawer whole;
    whole.Open(page.doc.dvi, 0);
    EXPECT_EQ(whole.Draw(4), 1);  // bop, two rules, and the eop ends it
    EXPECT_EQ(whole.calls.size(), 2u);
}

// Specials and the font definitions inside pages: the trace of TeX's output agrees with dvitype (tests/tools).

TEST(Interpreter, CharactersAdvanceByTheirWidthAndUndefinedFontsDropThem) {
    DviBuilder b;
    b.FntDef(0, "cmr10").FntDef(63, "cmr10");
    b.Op('A');                  // no font selected yet: dropped, h stays
    b.Op(171).Op('A').Op('V');  // fnt_num_0
    b.Op(234).Op(133).Op('A');  // fnt_num_63, put1
    b.Op(235).Op(9).Op('A');    // fnt1 9: undefined
    Drawn page(b.Rule(1, 1));
    KsDvi::ItrnFont const* cmr10 = page.doc.dvi.GetExtFontIndex()[0];
    ASSERT_NE(cmr10, nullptr);
    EXPECT_EQ(page.doc.dvi.GetExtFontIndex()[63], cmr10);
    int wA = cmr10->GetCharWidthA('A'), wV = cmr10->GetCharWidthA('V');
    int hA = cmr10->GetCharHeight('A'), hV = cmr10->GetCharHeight('V');
    int const A = 0xF000 + 'A', V = 0xF000 + 'V';  // no map here: the default encoding's symbol range
    EXPECT_EQ(page.All(), (std::vector<Call>{{"char", kBody + 44, 0, 0, A, wA, "", hA},
                                             {"char", kBody + 45, wA, 0, V, wV, "", hV},
                                             {"char", kBody + 47, wA + wV, 0, A, wA, "", hA},  // put1 does not move
                                             {"rule", kBody + 52, wA + wV, 0, 1, 1, ""}}));
    EXPECT_EQ(page.drawer.CurrentFont(), -1);
}

TEST(Interpreter, BinaryRecordsSetTheDocumentTextState) {
    DviBuilder b;
    b.Record(0, {0x05, 0xA0})     // 1440 units per inch
        .Record(4, {0xFF, 0xF4})  // width -12
        .Record(5, {0x00, 0x20})  // height 32
        .Record(3, {0, 0, 0, 2})
        .Record(6, {})
        .Record(8, {})
        .Record(11, {0x03, 0x84})  // 900
        .Record(4, {0x01})         // too short: ignored
        .Record(99, {1, 2, 3});
    Drawn page(b);
    page.All();
    KsDvi::WinFontTextState const& s = page.doc.dvi.GetWinFontTextState();
    EXPECT_EQ(page.doc.dvi.GetRecordResolution(), 1440);
    EXPECT_EQ((std::vector<int>{s.charWidth, s.charHeight, s.faceIndex, s.bold, s.italic, s.escapement}),
              (std::vector<int>{12, 32, 2, 1, 1, 900}));
}

TEST(Interpreter, WindowsFontDocumentsReportEveryCharacter) {
    // set needs a selected font even here; put shows the character at once
    ScratchDocument doc(OnePage(DviBuilder{}.Record(4, {0, 0x0A}).Op('x').Op(133).Op('x')));
    doc.dvi.SetWinFont(1);
    RecordingDrawer d;
    d.Open(doc.dvi, 0);
    EXPECT_TRUE(d.IsWinFont());
    d.Draw(-1);
    ASSERT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.calls[1], (Call{"char", kBody + 8, 0, 0, 'x', 10, ""}));
}

}  // namespace

// A page of more instructions than a drawing may run is drawn up to the
// bound, in slices or at once; a page of exactly as many is drawn whole.
TEST(Interpreter, PagesAreBoundedInInstructions) {
    int const most = KsDviDrawerBase::MaxPageInstructions;
    struct Case {
        int nops;  // between two rules; with the bop, three more instructions
        bool cut;
    };
    for (Case c : {Case{most - 3, false}, Case{most - 2, true}, Case{most + 1000, true}}) {
        DviBuilder b;
        b.Rule(1, 1);
        b.bytes.insert(b.bytes.end(), static_cast<size_t>(c.nops), uint8_t{138});  // nop
        b.Rule(2, 2);
        for (int slice : {-1, 100000}) {
            Drawn page(b);
            while (page.drawer.Draw(slice) == 0) {}
            EXPECT_EQ(page.drawer.IsPageCut(), c.cut) << c.nops;
            ASSERT_FALSE(page.drawer.calls.empty());
            EXPECT_EQ(page.drawer.calls.size(), c.cut ? 1u : 2u) << c.nops << " slice " << slice;
            page.drawer.Close();
        }
    }
}

// Korean characters: double-byte codes, the xhan, xhanja, xsymb and hlatex
// subfonts of korean.tex (made by TeX over the fonts of tests/data/metrics),
// and the tables behind them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/KsDviTTFMap.h"
#include "interp/HLatexSubfonts.h"
#include "interp/XHanTable.h"
#include "stream/EucKr.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"

namespace {

constexpr int kPt = 65536;

// Each line of korean.tex shows a character as a double-byte pair at h = 0 and
// through a subfont one inch after the pair (20pt wide).
TEST(KoreanText, EachCharacterIsReportedOnceAtItsFirstByte) {
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendTTFMapFile((std::string(KSDVI_TEST_DATA) + "/korean.map").c_str()), 1);
    ScratchDocument doc(ReadFileBytes(std::string(KSDVI_TEST_DATA) + "/korean.dvi"), Dirs({MetricsDir()}), Kpathsea(),
                        &map);
    RecordingDrawer page(doc.dvi, 0);
    ASSERT_FALSE(page.calls.empty());

    struct Shown {
        int line, h, code, width;
    };
    int const right = 20 * kPt + 4736286;  // TeX's inch
    std::vector<Shown> const expected = {
        {0, 0, 0xAC00, 20 * kPt},
        {0, right, 0xAC00, 20 * kPt},  // hlatex Hangul subfont 0, code 0
        {1, 0, 0xAC38, 20 * kPt},
        {1, right, 0xAC38, 40 * kPt},  // two jamo: the absent third byte counts as code 0
        {2, 0, 0xAC01, 20 * kPt},
        {2, right, 0xAC01, 20 * kPt},  // three jamo, the first two of no width
        {3, 0, 0x4F3D, 20 * kPt},
        {3, right, 0x4F3D, 20 * kPt},  // xhanja code 0: 0xCA 0xA1
        {4, 0, 0x5323, 20 * kPt},
        {4, right, 0x5323, 20 * kPt},  // xhanja code 94: 0xCB 0xA1
        {5, 0, 0x21D2, 20 * kPt},
        {5, right, 0x21D2, 20 * kPt},  // hlatex "05" code 93: 0xA2 0xA1
        {6, 0, 0x3001, 20 * kPt},
        {6, right, 0x3001, 20 * kPt},  // xsymb code 2: 0xA1 0xA2
        {7, 11 * kPt, 'A', 10 * kPt},  // the kern drops the lead byte
        {7, right + 21 * kPt, 0x3000,
         20 * kPt},  // xsymb code 0 shows nothing, 1 is 0xA1 0xA1 (after 21pt: 10 + 1 + 10)
    };
    std::vector<Call> want;
    int const top = page.calls.front().v;
    for (Shown const& s : expected) want.push_back({"char", 0, s.h, top + s.line * 30 * kPt, s.code, s.width, ""});
    std::vector<Call> got = page.calls;
    for (Call& c : got) c.offset = 0, c.height = 0;
    EXPECT_EQ(got, want);
}

TEST(KoreanCodes, SubfontTables) {
    // Each table's two bytes as one number; -1 when it has none.
    struct HLatex {
        char const* name;
        int code, bytes;
    };
    for (HLatex const& c : std::vector<HLatex>{
             {"wmj05", 93, 0xA2A1},   // symbol table
             {"wmj5", 0, 0xBDDB},     // Hangul: 1280 = 13 rows of 94 and 58
             {"wmj", 0, 0xB0A1},      // no digit: subfont 0
             {"wmj9", 46, 0xC8FF},    // the last row serves every code after it...
             {"wmj9", 255, 0xC8D0},   // ... its trail byte running on past 0xFF
             {"wmj10", 94, 0xCBA1},   // Hanja
             {"wmj29", 24, 0xFEA1},   // the last Hanja row
             {"wmj07", 222, 0xACC1},  // a symbol row runs to the next one
             {"wmj30", 0, -1},        // no such subfont
             {"wmj03", 0, -1},        // no symbol subfont 3
             {"wmj261", 0, 0xBDDB},   // the number taken as a byte: 261 is 5
         }) {
        unsigned char lead = 0, trail = 0;
        int failed = HLatexSubfontToEucKr(c.name, static_cast<unsigned char>(c.code), lead, trail);
        EXPECT_EQ(failed ? -1 : lead << 8 | trail, c.bytes) << c.name << " " << c.code;
    }

    struct Composed {
        int subfont, b1, b2, b3, bytes;
    };
    for (Composed const& c : std::vector<Composed>{
             {1, 0x0E, 0x22, 0x00, 0xB0A1},
             {1, 0xDC, 0xE3, 0xFF, 0xC8F0},  // the first and last rows
             {2, 0x0E, 0x22, 0xB8, 0xB0A2},
             {2, 0xFF, 0x00, 0x00, 0xC8EB},
             {1, 0x0E, 0x22, 0xB8, -1},
             {3, 0x0E, 0x22, 0x00, -1},  // another subfont's row; no subfont 3
         }) {
        unsigned char lead = 0, trail = 0;
        int found = KsDviDrawerBase::xHanToEucKr(c.subfont, c.b1, c.b2, c.b3, lead, trail);
        EXPECT_EQ(found ? lead << 8 | trail : -1, c.bytes) << std::hex << c.b1 << " " << c.b2 << " " << c.b3;
    }

    struct Wide {
        int lead, trail, unicode;
    };
    for (Wide const& c : std::vector<Wide>{{0xB0, 0xA1, 0xAC00},
                                           {0x81, 0x41, 0xAC02},  // the Unified Hangul Code extension
                                           {0xA1, 0xA1, 0x3000},
                                           {0xA1, 0x41, 0xC8A5},
                                           {0xC7, 0x41, -1},
                                           {0x41, 0xA1, -1},
                                           {0xC9, 0xA1, -1}}) {  // a user-defined row
        unsigned short u = 0;
        int found = ksdvi::EucKrToUnicode(static_cast<unsigned char>(c.lead), static_cast<unsigned char>(c.trail), u);
        EXPECT_EQ(found ? u : -1, c.unicode) << std::hex << c.lead << " " << c.trail;
    }
}

TEST(KoreanCodes, XHanTableFilesAddAndReplaceRows) {
    TempFile table(".tbl");
    table.WriteText("# subfont key code\n1 0f2300 b1f7   # added\n2 fc0000 b0a3\n\n");
    std::string error;
    ASSERT_TRUE(ksdvi::XHanTable::LoadFile(table.Path(), error)) << error;
    unsigned char lead = 0, trail = 0;
    ASSERT_EQ(KsDviDrawerBase::xHanToEucKr(1, 0x0F, 0x23, 0, lead, trail), 1);
    EXPECT_EQ(lead << 8 | trail, 0xB1F7);
    ASSERT_EQ(KsDviDrawerBase::xHanToEucKr(2, 0xFC, 0, 0, lead, trail), 1);
    EXPECT_EQ(lead << 8 | trail, 0xB0A3);  // the file's row wins
    ASSERT_EQ(KsDviDrawerBase::xHanToEucKr(1, 0x0E, 0x24, 0, lead, trail), 1);
    EXPECT_EQ(lead << 8 | trail, 0xB1E2);  // the built-in rows stay

    for (char const* text :
         {"1 0e2200 b0a1\n3 0e2200 b0a1\n", "1 0e2200 b0\n", "1 1000000 b0a1\n", "1 0e2200 b0a1 extra\n"}) {
        TempFile bad(".tbl");
        bad.WriteText(text);
        error.clear();
        EXPECT_FALSE(ksdvi::XHanTable::LoadFile(bad.Path(), error)) << text;
        EXPECT_NE(error.find("line"), std::string::npos) << text;
    }
    EXPECT_FALSE(ksdvi::XHanTable::LoadFile(table.Path() + ".missing", error));
}

}  // namespace

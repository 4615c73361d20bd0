// The scan of a document: its page table, a file that grows or is cut short,
// and the rules that end it malformed.

#include <gtest/gtest.h>

#include <string>

#include "support/Cli.h"
#include "support/ScratchDocument.h"

namespace {

// The preamble's fields are checked through ksdvi info (tests/tools).
TEST(DocumentScan, RealTeXOutputScansCompletely) {
    KsDvi dvi;
    dvi.Open(String8(DataFile("plain.dvi").c_str()), {}, {});
    EXPECT_FALSE(dvi.GetMode() == KsDvi::Complete);
    dvi.NewPageWritten(0);
    ASSERT_EQ(dvi.GetMode(), KsDvi::Complete);
    ASSERT_EQ(dvi.GetNPage(), 3);
    EXPECT_EQ(dvi.GetTeXPageNo(2), -3);
    auto bytes = ReadFileBytes(DataFile("plain.dvi"));
    for (int p = 0; p < 3; ++p) {
        int len = dvi.GetPageContents(p, nullptr);
        EXPECT_EQ(len, dvi.GetPageEndOffset(p) - dvi.GetPageStartOffset(p) + 1);
        std::vector<unsigned char> buf(static_cast<size_t>(len));
        EXPECT_EQ(dvi.GetPageContents(p, buf.data()), len);
        EXPECT_EQ(buf.back(), 140);
        EXPECT_EQ(buf.front(), bytes[static_cast<size_t>(dvi.GetPageStartOffset(p))]);
        if (p > 0) {
            EXPECT_EQ(dvi.GetPageStartOffset(p), dvi.GetPageEndOffset(p - 1) + 1);
        }
    }
    dvi.NewPageWritten(0);  // complete: nothing more to do
    EXPECT_EQ(dvi.GetNPage(), 3);

    dvi.Close();
    EXPECT_FALSE(dvi.IsOpened());
    EXPECT_TRUE(dvi.GetFileName().IsNull());
    EXPECT_EQ(dvi.GetNPage(), 0);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Growing);
}

// TeX writes the file a page at a time; the scan reads as many pages as it
// is told are there and resumes after them when the file has grown.
TEST(DocumentScan, StopsAndResumesAsTheFileGrows) {
    DviBuilder b;
    b.Pre();
    for (int i = 1; i <= 5; ++i) b.Page(i);
    TempFile file(b.bytes);
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    dvi.NewPageWritten(3);
    EXPECT_EQ(dvi.GetNPage(), 3);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Growing);
    int thirdEnd = dvi.GetPageEndOffset(2);
    dvi.NewPageWritten(5);
    EXPECT_EQ(dvi.GetNPage(), 5);
    EXPECT_EQ(dvi.GetPageStartOffset(3), thirdEnd + 1);
    dvi.NewPageWritten(2);  // fewer than recorded: nothing happens
    EXPECT_EQ(dvi.GetNPage(), 5);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Growing);

    size_t written = b.bytes.size();
    for (int i = 6; i <= 10; ++i) b.Page(i);
    b.Post();
    file.Append(std::vector<uint8_t>(b.bytes.begin() + static_cast<long>(written), b.bytes.end()));
    dvi.NewPageWritten(-1);
    EXPECT_EQ(dvi.GetNPage(), 10);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(dvi.GetTeXPageNo(9), 10);
}

TEST(DocumentScan, TruncatedFileKeepsCompletePagesAndRenewRescans) {
    auto full = ReadFileBytes(DataFile("plain.dvi"));
    ScratchDocument doc(std::vector<uint8_t>(full.begin(), full.begin() + 1122));  // page 3 starts at 1102
    EXPECT_EQ(doc.dvi.GetNPage(), 2);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Malformed);
    EXPECT_EQ(doc.dvi.GetScanProblem(), KsDvi::ScanProblem::UnexpectedEnd);
    doc.dvi.NewPageWritten(0);  // Malformed is final until renewed
    EXPECT_EQ(doc.dvi.GetNPage(), 2);

    doc.file.Write(full);
    doc.dvi.RenewDvi();
    EXPECT_EQ(doc.dvi.GetNPage(), 0);
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetNPage(), 3);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
}

struct ScanCase {
    char const* name;
    std::vector<uint8_t> bytes;
    int pagesKept;
    KsDvi::ScanProblem problem;  // KsDvi::ScanProblem::None for a complete scan
};

class ScanRules : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanRules, CompleteOrMalformedKeepingEarlierPages) {
    ScratchDocument doc(GetParam().bytes);
    bool complete = GetParam().problem == KsDvi::ScanProblem::None;
    EXPECT_EQ(doc.dvi.GetMode(), complete ? KsDvi::Complete : KsDvi::Malformed);
    EXPECT_EQ(doc.dvi.GetNPage(), GetParam().pagesKept);
    EXPECT_EQ(doc.dvi.GetScanProblem(), GetParam().problem);
}

std::vector<ScanCase> ScanCases() {
    using P = KsDvi::ScanProblem;
    std::vector<ScanCase> r;
    r.push_back({"empty", {}, 0, P::UnexpectedEnd});
    r.push_back({"not_pre", {0x42, 2, 0, 0}, 0, P::BadPreamble});
    r.push_back({"id3", DviBuilder().Pre(1000, 3).Page().Post().bytes, 0, P::BadIdentification});
    r.push_back({"mag99", DviBuilder().Pre(99).Page().Post().bytes, 0, P::BadMagnification});
    r.push_back({"mag10001", DviBuilder().Pre(10001).Page().Post().bytes, 0, P::BadMagnification});
    r.push_back({"mag100", DviBuilder().Pre(100).Page().Post().bytes, 1, P::None});
    r.push_back({"mag10000", DviBuilder().Pre(10000).Page().Post().bytes, 1, P::None});
    for (int op : {130, 131, 135, 136, 247, 249, 250, 255})
        r.push_back({"opcode", DviBuilder().Pre().Page(1).Bop(2).Op(op).U(0, 4).Eop().Post().bytes, 1, P::BadOpcode});
    r.push_back({"eop_without_bop", DviBuilder().Pre().Page(1).Op(138).Eop().Post().bytes, 1, P::EopWithoutBop});
    DviBuilder longSpecial;
    longSpecial.Pre().Page(1).Bop(2).Op(242).U(1000000, 4).U(0, 4);
    r.push_back({"special_past_end", longSpecial.bytes, 1, P::UnexpectedEnd});
    DviBuilder longName;
    longName.Pre().Bop(1).Op(243).Op(0).U(0, 4).U(655360, 4).U(655360, 4).Op(200).Op(55).U(0, 2);
    r.push_back({"fontdef_past_end", longName.bytes, 0, P::UnexpectedEnd});
    return r;
}

INSTANTIATE_TEST_SUITE_P(Rules, ScanRules, testing::ValuesIn(ScanCases()), [](auto const& info) {
    return std::string(info.param.name) + "_" + std::to_string(info.index);
});

TEST(DocumentScan, PageStartsAtTheFirstByteBeforeItsBop) {
    DviBuilder b;
    b.Pre().Page(1);
    size_t secondStart = b.bytes.size();
    ScratchDocument doc(b.Op(138).Special("before bop").Page(2).Post().bytes);
    ASSERT_EQ(doc.dvi.GetNPage(), 2);
    EXPECT_EQ(doc.dvi.GetPageStartOffset(1), static_cast<int>(secondStart));
}

TEST(DocumentScan, ThreeAndFourByteFontDefinitionsDefineNothing) {
    DviBuilder b;
    b.Op(245).U(7, 3).U(0, 4).U(655360, 4).U(655360, 4).Op(0).Op(5);
    b.bytes.insert(b.bytes.end(), {'c', 'm', 'r', '1', '0'});
    ScratchDocument doc(OnePage(b));
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[7], nullptr);
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "dvi/KsDvi.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

namespace {

std::string Data(char const* name) { return std::string(KSDVI_TEST_DATA) + "/" + name; }

struct Doc {
    explicit Doc(std::string const& path) { dvi.Open(String8(path.c_str()), {}, {}); }
    KsDvi dvi;
};

// n pages of bop/eop, then the postamble.
std::vector<uint8_t> Pages(int n, bool post = true) {
    DviBuilder b;
    b.Pre();
    for (int i = 1; i <= n; ++i) b.Page(i);
    if (post) b.Post();
    return b.bytes;
}

TEST(DocumentScan, RealTeXOutputScansCompletely) {
    Doc doc(Data("plain.dvi"));
    EXPECT_FALSE(doc.dvi.GetMode() == KsDvi::Complete);
    doc.dvi.NewPageWritten(0);
    ASSERT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    ASSERT_EQ(doc.dvi.GetNPage(), 3);
    EXPECT_EQ(doc.dvi.GetDviVersion(), 2);
    EXPECT_EQ(doc.dvi.GetDviNum(), 25400000u);
    EXPECT_EQ(doc.dvi.GetDviDen(), 473628672u);
    EXPECT_EQ(doc.dvi.GetAbsMag().GetRaw(), 10000);
    EXPECT_EQ(doc.dvi.GetTeXPageNo(0), 1);
    EXPECT_EQ(doc.dvi.GetTeXPageNo(2), -3);
    auto bytes = ReadFileBytes(Data("plain.dvi"));
    for (int p = 0; p < 3; ++p) {
        int len = doc.dvi.GetPageContents(p, nullptr);
        EXPECT_EQ(len, doc.dvi.GetPageEndOffset(p) - doc.dvi.GetPageStartOffset(p) + 1);
        std::vector<unsigned char> buf(static_cast<size_t>(len));
        EXPECT_EQ(doc.dvi.GetPageContents(p, buf.data()), len);
        EXPECT_EQ(buf.back(), 140);
        EXPECT_EQ(buf.front(), bytes[static_cast<size_t>(doc.dvi.GetPageStartOffset(p))]);
        if (p > 0) {
            EXPECT_EQ(doc.dvi.GetPageStartOffset(p), doc.dvi.GetPageEndOffset(p - 1) + 1);
        }
    }
    // 4in x 6in plus the depth TeX reports
    EXPECT_NEAR(doc.dvi.GetPageWidth(), 101.6, 0.01);
    int before = doc.dvi.GetNPage();
    doc.dvi.NewPageWritten(0);  // complete: nothing more to do
    EXPECT_EQ(doc.dvi.GetNPage(), before);
}

TEST(DocumentScan, StopsAndResumesWhereItWasTold) {
    TempFile file(Pages(10));
    Doc doc(file.Path());
    doc.dvi.NewPageWritten(3);
    EXPECT_EQ(doc.dvi.GetNPage(), 3);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Growing);
    int thirdEnd = doc.dvi.GetPageEndOffset(2);
    doc.dvi.NewPageWritten(5);
    EXPECT_EQ(doc.dvi.GetNPage(), 5);
    EXPECT_EQ(doc.dvi.GetPageStartOffset(3), thirdEnd + 1);
    doc.dvi.NewPageWritten(2);  // fewer than recorded: nothing happens
    EXPECT_EQ(doc.dvi.GetNPage(), 5);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Growing);
    doc.dvi.NewPageWritten(-1);
    EXPECT_EQ(doc.dvi.GetNPage(), 10);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(doc.dvi.GetTeXPageNo(9), 10);
}

TEST(DocumentScan, FollowsAFileThatGrowsBetweenCalls) {
    DviBuilder b;
    b.Pre().Page(1).Page(2);
    TempFile file(b.bytes);
    Doc doc(file.Path());
    doc.dvi.NewPageWritten(2);
    EXPECT_EQ(doc.dvi.GetNPage(), 2);
    size_t written = b.bytes.size();
    b.Page(3).Post();
    file.Append(std::vector<uint8_t>(b.bytes.begin() + static_cast<long>(written), b.bytes.end()));
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetNPage(), 3);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
}

TEST(DocumentScan, TruncatedFileKeepsCompletePagesAndRenewRescans) {
    auto full = ReadFileBytes(Data("plain.dvi"));
    Doc probe(Data("plain.dvi"));
    probe.dvi.NewPageWritten(0);
    size_t cut = static_cast<size_t>(probe.dvi.GetPageStartOffset(2) + 20);  // inside page 3
    TempFile file(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(cut)));
    Doc doc(file.Path());
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetNPage(), 2);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Malformed);
    EXPECT_EQ(doc.dvi.GetScanProblem(), KsDvi::ScanProblem::UnexpectedEnd);
    doc.dvi.NewPageWritten(0);  // Malformed is final until renewed
    EXPECT_EQ(doc.dvi.GetNPage(), 2);

    file.Write(full);
    doc.dvi.RenewDvi();
    EXPECT_EQ(doc.dvi.GetNPage(), 0);
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetNPage(), 3);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
}

struct Rejection {
    char const* name;
    std::vector<uint8_t> bytes;
    int pagesKept;
    KsDvi::ScanProblem problem;
};

class ScanRejects : public testing::TestWithParam<Rejection> {};

TEST_P(ScanRejects, EndsMalformedKeepingEarlierPages) {
    TempFile file(GetParam().bytes);
    Doc doc(file.Path());
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Malformed);
    EXPECT_EQ(doc.dvi.GetNPage(), GetParam().pagesKept);
    EXPECT_EQ(doc.dvi.GetScanProblem(), GetParam().problem);
}

std::vector<Rejection> Rejections() {
    std::vector<Rejection> r;
    r.push_back({"empty", {}, 0, KsDvi::ScanProblem::UnexpectedEnd});
    r.push_back({"not_pre", {0x42, 2, 0, 0}, 0, KsDvi::ScanProblem::BadPreamble});
    r.push_back({"id3", DviBuilder().Pre(1000, 3).Page().Post().bytes, 0, KsDvi::ScanProblem::BadIdentification});
    r.push_back({"mag99", DviBuilder().Pre(99).Page().Post().bytes, 0, KsDvi::ScanProblem::BadMagnification});
    r.push_back({"mag10001", DviBuilder().Pre(10001).Page().Post().bytes, 0, KsDvi::ScanProblem::BadMagnification});
    for (int op : {130, 131, 135, 136, 247, 249, 250, 255}) {
        DviBuilder b;
        b.Pre().Page(1).Bop(2).Op(op).U(0, 4).Eop().Post();
        r.push_back({"opcode", b.bytes, 1, KsDvi::ScanProblem::BadOpcode});
    }
    r.push_back({"eop_without_bop", DviBuilder().Pre().Page(1).Op(138).Eop().Post().bytes, 1,
                 KsDvi::ScanProblem::EopWithoutBop});
    DviBuilder longSpecial;
    longSpecial.Pre().Page(1).Bop(2).Op(242).U(1000000, 4).U(0, 4);
    r.push_back({"special_past_end", longSpecial.bytes, 1, KsDvi::ScanProblem::UnexpectedEnd});
    DviBuilder longName;
    longName.Pre().Bop(1).Op(243).Op(0).U(0, 4).U(655360, 4).U(655360, 4).Op(200).Op(55).U(0, 2);
    r.push_back({"fontdef_past_end", longName.bytes, 0, KsDvi::ScanProblem::UnexpectedEnd});
    return r;
}

INSTANTIATE_TEST_SUITE_P(Rules, ScanRejects, testing::ValuesIn(Rejections()), [](auto const& info) {
    return std::string(info.param.name) + "_" + std::to_string(info.index);
});

TEST(DocumentScan, MagnificationLimitsAreAccepted) {
    for (uint32_t mag : {100u, 10000u}) {
        TempFile file(DviBuilder().Pre(mag).Page().Post().bytes);
        Doc doc(file.Path());
        doc.dvi.NewPageWritten(0);
        EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
        EXPECT_EQ(doc.dvi.GetAbsMag().GetRaw(), static_cast<int32_t>(mag * 10));
    }
}

TEST(DocumentScan, PageStartsAtTheFirstByteBeforeItsBop) {
    DviBuilder b;
    b.Pre().Page(1);
    size_t secondStart = b.bytes.size();
    b.Op(138).Special("before bop").Page(2).Post();
    TempFile file(b.bytes);
    Doc doc(file.Path());
    doc.dvi.NewPageWritten(0);
    ASSERT_EQ(doc.dvi.GetNPage(), 2);
    EXPECT_EQ(doc.dvi.GetPageStartOffset(1), static_cast<int>(secondStart));
}

TEST(DocumentScan, ThreeAndFourByteFontDefinitionsDefineNothing) {
    DviBuilder b;
    b.Pre().Bop(1);
    b.Op(245).U(7, 3).U(0, 4).U(655360, 4).U(655360, 4).Op(0).Op(5);
    b.bytes.insert(b.bytes.end(), {'c', 'm', 'r', '1', '0'});
    b.Eop().Post();
    TempFile file(b.bytes);
    Doc doc(file.Path());
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[7], nullptr);
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 0);
}

TEST(DocumentScan, CloseForgetsTheFile) {
    Doc doc(Data("plain.dvi"));
    doc.dvi.NewPageWritten(0);
    EXPECT_TRUE(doc.dvi.IsOpened());
    doc.dvi.Close();
    EXPECT_FALSE(doc.dvi.IsOpened());
    EXPECT_TRUE(doc.dvi.GetFileName().IsNull());
    EXPECT_EQ(doc.dvi.GetNPage(), 0);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Growing);
}

}  // namespace

// The scan of a document: its page table, a file that grows or is cut short,
// the rules that end it malformed, its units in dots and millimetres, and the
// font registry its definitions fill: one record per name and size,
// definitions that replace or fail, where metric files are looked for.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "support/Cli.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"

namespace {

// TeX writes the file a page at a time; the scan reads as many pages as it
// is told are there and resumes after them when the file has grown. Once
// complete it reads nothing more; closing forgets it all. The pages of TeX's
// own output, read back through the page table, agree with dvitype
// (tests/tools).
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
    dvi.NewPageWritten(0);
    EXPECT_EQ(dvi.GetNPage(), 10);

    dvi.Close();
    EXPECT_FALSE(dvi.IsOpened());
    EXPECT_TRUE(dvi.GetFileName().IsNull());
    EXPECT_EQ(dvi.GetNPage(), 0);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Growing);
}

// What a cut keeps, the mutants of tests/robustness check; a malformed scan
// stays so until the document is renewed, which scans afresh.
TEST(DocumentScan, MalformedStaysUntilRenewed) {
    auto full = ReadFileBytes(DataFile("plain.dvi"));
    ScratchDocument doc(std::vector<uint8_t>(full.begin(), full.begin() + 1122));  // page 3 starts at 1102
    ASSERT_EQ(doc.dvi.GetMode(), KsDvi::Malformed);
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetNPage(), 2);
    doc.file.Write(full);
    doc.dvi.RenewDvi();
    EXPECT_EQ(doc.dvi.GetNPage(), 0);
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetNPage(), 3);
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
}

// A one-page document whose preamble gives these units.
std::vector<uint8_t> WithUnits(uint32_t num, uint32_t den) {
    std::vector<uint8_t> bytes = DviBuilder().Pre().Page().Post().bytes, units = DviBuilder().U(num, 4).U(den, 4).bytes;
    std::copy(units.begin(), units.end(), bytes.begin() + 2);
    return bytes;
}

struct ScanCase {
    char const* name;
    std::vector<uint8_t> bytes;
    int pagesKept;
    KsDvi::ScanProblem problem;  // KsDvi::ScanProblem::None for a complete scan
    int32_t offset;              // where the problem lies
};

class ScanRules : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanRules, CompleteOrMalformedKeepingEarlierPages) {
    ScratchDocument doc(GetParam().bytes);
    bool complete = GetParam().problem == KsDvi::ScanProblem::None;
    EXPECT_EQ(doc.dvi.GetMode(), complete ? KsDvi::Complete : KsDvi::Malformed);
    EXPECT_EQ(doc.dvi.GetNPage(), GetParam().pagesKept);
    EXPECT_EQ(doc.dvi.GetScanProblem(), GetParam().problem);
    EXPECT_EQ(doc.dvi.GetScanProblemOffset(), GetParam().offset);
}

std::vector<ScanCase> ScanCases() {
    using P = KsDvi::ScanProblem;
    // Offsets: the preamble takes 19 bytes, a bop 45, a whole empty page 46.
    constexpr int32_t kSecondPageBody = 19 + 46 + 45;
    std::vector<ScanCase> r;
    r.push_back({"empty", {}, 0, P::UnexpectedEnd, 0});
    r.push_back({"not_pre", {0x42, 2, 0, 0}, 0, P::BadPreamble, 0});
    r.push_back({"id4", DviBuilder().Pre(1000, 4).Page().Post().bytes, 0, P::BadIdentification, 1});
    // pTeX's: 3 (which its post_post has), dir, and upTeX's three-byte codes
    r.push_back({"id3", DviBuilder().Pre(1000, 3).Page().Post().bytes, 1, P::None, 0});
    r.push_back({"dir_set3", DviBuilder().Pre().Bop(1).Op(255).Op(1).Op(130).U(0x20BB7, 3).Eop().Post().bytes, 1,
                 P::None, 0});
    r.push_back({"mag99", DviBuilder().Pre(99).Page().Post().bytes, 0, P::BadMagnification, 10});
    r.push_back({"mag10001", DviBuilder().Pre(10001).Page().Post().bytes, 0, P::BadMagnification, 10});
    r.push_back({"mag100", DviBuilder().Pre(100).Page().Post().bytes, 1, P::None, 0});
    r.push_back({"mag10000", DviBuilder().Pre(10000).Page().Post().bytes, 1, P::None, 0});
    // num and den are positive: 0, or what TeX's readers take as negative, is not
    r.push_back({"num_0", WithUnits(0, 473628672), 0, P::BadUnits, 2});
    r.push_back({"num_2_31", WithUnits(0x80000000, 473628672), 0, P::BadUnits, 2});
    r.push_back({"den_0", WithUnits(25400000, 0), 0, P::BadUnits, 6});
    r.push_back({"den_all_ones", WithUnits(25400000, 0xFFFFFFFF), 0, P::BadUnits, 6});
    r.push_back({"largest_units", WithUnits(0x7FFFFFFF, 0x7FFFFFFF), 1, P::None, 0});
    for (int op : {131, 136, 247, 249, 250, 254})
        r.push_back({"opcode", DviBuilder().Pre().Page(1).Bop(2).Op(op).U(0, 4).Eop().Post().bytes, 1, P::BadOpcode,
                     kSecondPageBody});
    r.push_back(
        {"eop_without_bop", DviBuilder().Pre().Page(1).Op(138).Eop().Post().bytes, 1, P::EopWithoutBop, 19 + 46 + 1});
    DviBuilder longSpecial;
    longSpecial.Pre().Page(1).Bop(2).Op(242).U(1000000, 4).U(0, 4);
    r.push_back({"special_past_end", longSpecial.bytes, 1, P::UnexpectedEnd, kSecondPageBody});
    DviBuilder longName;
    longName.Pre().Bop(1).Op(243).Op(0).U(0, 4).U(655360, 4).U(655360, 4).Op(200).Op(55).U(0, 2);
    r.push_back({"fontdef_past_end", longName.bytes, 0, P::UnexpectedEnd, 19 + 45});
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

TEST(Units, DotsAtAResolution) {
    KsDvi dvi;
    EXPECT_EQ(dvi.hDot(4736287), 0);  // no resolution yet
    dvi.SethDpi(fpreal4::FromRaw(6000000));
    dvi.SetvDpi(fpreal4::FromRaw(960000));
    EXPECT_EQ(dvi.hDot(4736287), 600);
    EXPECT_EQ(dvi.vDot(4736287), 96);
    EXPECT_EQ(dvi.dhDot(1), 1);
    EXPECT_EQ(dvi.dhDot(0), 0);
    for (int x : {1, 3947, 3948, 100000, 4736287}) EXPECT_EQ(dvi.hDot(-x), -dvi.hDot(x)) << x;
}

// The largest units scan (ScanRules) and the preamble's values show in ksdvi
// info (tests/tools).
TEST(Units, PageSizeFromThePostambleIsMagnified) {
    for (uint32_t mag : {1000u, 2000u}) {
        ScratchDocument doc(DviBuilder().Pre(mag).Page().Post(52099154, 0).bytes);
        EXPECT_NEAR(doc.dvi.GetPageHeight(), 279.4 * mag / 1000, 1e-6);
    }
}

class HashProbe : public KsDvi {
public:
    using KsDvi::GetHashCode;
};

// Bytes above 127 can make the remainder negative.
TEST(FontRegistry, NameHashBucketsStayInRange) {
    HashProbe h;
    for (char const* name : {"", "cmr10", "\xFF", "\x80\x80\x80", "\xC7\xD1\xB1\xDB"}) {
        EXPECT_GE(h.GetHashCode(name), 0) << name;
        EXPECT_LT(h.GetHashCode(name), 73) << name;
    }
}

TEST(FontRegistry, OneRecordPerNameAndSize) {
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(1, "cmr10").FntDef(2, "cmr10").FntDef(3, "cmr10", 2 * 655360)));
    ASSERT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    auto const* index = doc.dvi.GetExtFontIndex();
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 2);
    ASSERT_NE(index[1], nullptr);
    EXPECT_EQ(index[1], index[2]);
    EXPECT_NE(index[3], index[1]);
    EXPECT_EQ(index[1]->GetID(), 0);
    EXPECT_EQ(index[3]->GetID(), 1);
    EXPECT_EQ(index[3]->GetScaleSize(), 2 * 655360);
    KsDvi::ItrnFontItr it(doc.dvi);  // one bucket: the later record first
    EXPECT_EQ(it(), index[3]);
    EXPECT_EQ((++it)(), index[1]);
}

// Sizes stay below 2048pt (2^27 sp), as TeX writes them; a size that is not
// positive takes the design size, the font turned a quarter.
TEST(FontRegistry, SizesBelow2048ptAndDesignSizesRotated) {
    constexpr uint32_t k2048pt = 1u << 27;
    DviBuilder b;
    b.FntDef(0, "kstest", k2048pt).FntDef(1, "kstest", k2048pt - 1).FntDef(2, "kstest", 0x7FFFFFFF);
    b.FntDef(3, "kstest", 0, k2048pt).FntDef(4, "kstest", 0, 0).FntDef(5, "kstest", 0x80000000, 655360);
    ScratchDocument doc(OnePage(b.FntDef(6, "kstest", 0, 655360)), Dirs({MetricsDir()}), nullptr);
    ASSERT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    auto const* fonts = doc.dvi.GetExtFontIndex();
    for (int number : {0, 2, 3, 4}) EXPECT_EQ(fonts[number], nullptr) << number;
    ASSERT_NE(fonts[1], nullptr);
    EXPECT_EQ(fonts[1]->GetScaleSize(), static_cast<int>(k2048pt - 1));
    EXPECT_EQ(fonts[1]->GetRotate(), 0u);
    for (int number : {5, 6}) {
        ASSERT_NE(fonts[number], nullptr) << number;
        EXPECT_EQ(fonts[number]->GetScaleSize(), 655360);
        EXPECT_EQ(fonts[number]->GetRotate(), 900u);
    }
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 3);  // the design size never matches the definition's own
    EXPECT_EQ(doc.dvi.GetMissingFonts(), std::vector<std::string>{"kstest"});
}

TEST(FontRegistry, DirectoriesAreTriedInOrderOfmBeforeTfm) {
    TempDir first, second, both;
    auto put = [](TempDir const& dir, std::string const& source, std::string const& as) {
        std::filesystem::copy_file(MetricsDir() + "/" + source, dir / as);
    };
    put(first, "kstest.tfm", "x.tfm");
    put(second, "kslevel0.ofm", "x.ofm");
    put(both, "kstest.tfm", "y.tfm");
    put(both, "kslevel0.ofm", "y.ofm");
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(0, "x").FntDef(1, "y")),
                        Dirs({first.Path(), second.Path(), both.Path()}), nullptr);
    auto const* x = doc.dvi.GetExtFontIndex()[0];
    auto const* y = doc.dvi.GetExtFontIndex()[1];
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    EXPECT_TRUE(x->IsValidChar('B'));  // kstest.tfm has B, the Omega file does not
    EXPECT_FALSE(y->IsValidChar('B'));
    EXPECT_TRUE(y->IsValidChar(0x100));
}

TEST(FontRegistry, UnknownFontsAreNullAndNamed) {
    DviBuilder b;
    b.FntDef(0, "cmr10").FntDef(1, "nosuchfont").FntDef(2, "nosuchfont").Op(171).Op('A');
    ScratchDocument doc(OnePage(b), {}, nullptr);  // no directories and no finder: nothing can be found
    EXPECT_EQ(doc.dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 0);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[0], nullptr);
    EXPECT_EQ(doc.dvi.GetMissingFonts(), (std::vector<std::string>{"cmr10", "nosuchfont"}));
    KsDvi::ItrnFontItr it(doc.dvi);
    EXPECT_TRUE(it.IsFinished());
    EXPECT_EQ(it(), nullptr);
}

// A later definition of a number replaces its entry; a renewal forgets the
// records and numbers them again.
TEST(FontRegistry, LaterDefinitionsReplaceAndRenewalsStartAfresh) {
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(0, "cmr10").FntDef(1, "cmmi10").FntDef(1, "cmsy10")));
    EXPECT_STREQ(doc.dvi.GetExtFontIndex()[1]->GetName().c_str(), "cmsy10");
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 3);
    doc.dvi.RenewDvi();
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 0);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[0], nullptr);
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[1]->GetID(), 2);
}

}  // namespace

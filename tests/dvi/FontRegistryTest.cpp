// The font registry: one record per name and size, definitions that replace
// or fail, where metric files are looked for, and a renewed document.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"

namespace {

class HashProbe : public KsDvi {
public:
    using KsDvi::GetHashCode;
};

TEST(FontRegistry, NameHashBuckets) {
    HashProbe h;
    EXPECT_EQ((std::vector<int>{h.GetHashCode(""), h.GetHashCode("cmr10"), h.GetHashCode("a")}),
              (std::vector<int>{12, 11, 48}));
    // Bytes above 127 can make the remainder negative.
    for (char const* name : {"\xFF", "\x80\x80\x80", "\xC7\xD1\xB1\xDB"}) {
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

TEST(FontRegistry, ALaterDefinitionOfTheNumberReplacesTheEntry) {
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(5, "cmr10").FntDef(5, "cmmi10")));
    EXPECT_STREQ(doc.dvi.GetExtFontIndex()[5]->GetName().c_str(), "cmmi10");
}

TEST(FontRegistry, NonPositiveSizesUseTheDesignSizeRotated) {
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(1, "cmr10", 0, 655360).FntDef(2, "cmr10", 0, 655360)));
    auto const* f = doc.dvi.GetExtFontIndex()[1];
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetScaleSize(), 655360);
    EXPECT_EQ(f->GetRotate(), 900u);
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 2);  // the size never matches the definition's 0
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

TEST(FontRegistry, RenewForgetsFontsAndNumbersAgain) {
    ScratchDocument doc(OnePage(DviBuilder{}.FntDef(0, "cmr10").FntDef(1, "cmmi10")));
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 2);
    doc.dvi.RenewDvi();
    EXPECT_EQ(doc.dvi.GetNItrnFont(), 0);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[0], nullptr);
    doc.dvi.NewPageWritten(0);
    EXPECT_EQ(doc.dvi.GetExtFontIndex()[1]->GetID(), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "platform/kpathsea/KPathSea.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace fs = std::filesystem;

namespace {

std::string Metric(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/metrics/" + name; }

class HashProbe : public KsDvi {
public:
    using KsDvi::GetHashCode;
};

// A scratch directory for metric files under names the registry looks for.
class FontDir : public TempDir {
public:
    void Put(std::string const& source, std::string const& as) const { fs::copy_file(Metric(source), *this / as); }
    String8 Prefix() const { return String8((Path() + "/").c_str()); }
};

struct Scanned {
    Scanned(DviBuilder const& body, DList<String8> const& tfmPaths, KPathSea* finder) : file(Wrap(body)) {
        dvi.SetKPathSea(finder);
        dvi.Open(String8(file.Path().c_str()), tfmPaths, {});
        dvi.NewPageWritten(0);
    }
    static std::vector<uint8_t> Wrap(DviBuilder const& body) {
        DviBuilder b;
        b.Pre().Bop(1);
        b.bytes.insert(b.bytes.end(), body.bytes.begin(), body.bytes.end());
        return b.Eop().Post().bytes;
    }
    std::vector<KsDvi::ItrnFont*> Walk() {
        std::vector<KsDvi::ItrnFont*> fonts;
        for (KsDvi::ItrnFontItr it(dvi); !it.IsFinished(); ++it) fonts.push_back(it());
        return fonts;
    }
    TempFile file;
    KsDvi dvi;
};

TEST(FontRegistry, NameHashBuckets) {
    HashProbe h;
    EXPECT_EQ(h.GetHashCode(""), 12);
    EXPECT_EQ(h.GetHashCode("cmr10"), 11);
    EXPECT_EQ(h.GetHashCode("a"), 48);
    for (char const* name : {"\xFF", "\x80\x80\x80", "\xC7\xD1\xB1\xDB"}) {
        int bucket = h.GetHashCode(name);
        EXPECT_GE(bucket, 0);
        EXPECT_LT(bucket, 73);
    }
}

TEST(FontRegistry, OneRecordPerNameAndSize) {
    KPathSea finder;
    DviBuilder b;
    b.FntDef(1, "cmr10").FntDef(2, "cmr10").FntDef(3, "cmr10", 2 * 655360);
    Scanned s(b, {}, &finder);
    ASSERT_EQ(s.dvi.GetMode(), KsDvi::Complete);
    auto const* index = s.dvi.GetExtFontIndex();
    EXPECT_EQ(s.dvi.GetNItrnFont(), 2);
    ASSERT_NE(index[1], nullptr);
    EXPECT_EQ(index[1], index[2]);
    EXPECT_NE(index[3], index[1]);
    EXPECT_EQ(index[1]->GetID(), 0);
    EXPECT_EQ(index[3]->GetID(), 1);
    EXPECT_EQ(index[3]->GetScaleSize(), 2 * 655360);
    // Same bucket: the later one comes first in a walk.
    auto fonts = s.Walk();
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0], index[3]);
    EXPECT_EQ(fonts[1], index[1]);
}

TEST(FontRegistry, ALaterDefinitionOfTheNumberReplacesTheEntry) {
    KPathSea finder;
    DviBuilder b;
    b.FntDef(5, "cmr10").FntDef(5, "cmmi10");
    Scanned s(b, {}, &finder);
    EXPECT_STREQ(s.dvi.GetExtFontIndex()[5]->GetName().c_str(), "cmmi10");
}

TEST(FontRegistry, NonPositiveSizesUseTheDesignSizeRotated) {
    KPathSea finder;
    DviBuilder b;
    b.FntDef(1, "cmr10", 0, 655360).FntDef(2, "cmr10", 0, 655360);
    Scanned s(b, {}, &finder);
    auto const* f = s.dvi.GetExtFontIndex()[1];
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetScaleSize(), 655360);
    EXPECT_EQ(f->GetRotate(), 900u);
    EXPECT_EQ(s.dvi.GetNItrnFont(), 2);  // the size never matches the definition's 0
}

TEST(FontRegistry, DirectoriesAreTriedInOrderOfmBeforeTfm) {
    FontDir first, second, both;
    first.Put("kstest.tfm", "x.tfm");
    second.Put("kslevel0.ofm", "x.ofm");
    both.Put("kstest.tfm", "y.tfm");
    both.Put("kslevel0.ofm", "y.ofm");
    DList<String8> paths;
    paths.Append(first.Prefix());
    paths.Append(second.Prefix());
    paths.Append(both.Prefix());
    DviBuilder b;
    b.FntDef(0, "x").FntDef(1, "y");
    Scanned s(b, paths, nullptr);
    auto const* x = s.dvi.GetExtFontIndex()[0];
    auto const* y = s.dvi.GetExtFontIndex()[1];
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    EXPECT_TRUE(x->IsValidChar('B'));  // kstest.tfm has B, the Omega file does not
    EXPECT_FALSE(y->IsValidChar('B'));
    EXPECT_TRUE(y->IsValidChar(0x100));
}

TEST(FontRegistry, UnknownFontsAreNullAndNamed) {
    DviBuilder b;
    b.FntDef(0, "cmr10").FntDef(1, "nosuchfont").FntDef(2, "nosuchfont").Op(171).Op('A');
    Scanned s(b, {}, nullptr);  // no directories and no finder: nothing can be found
    EXPECT_EQ(s.dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(s.dvi.GetNItrnFont(), 0);
    EXPECT_EQ(s.dvi.GetExtFontIndex()[0], nullptr);
    EXPECT_EQ(s.dvi.GetMissingFonts(), (std::vector<std::string>{"cmr10", "nosuchfont"}));
    KsDvi::ItrnFontItr it(s.dvi);
    EXPECT_TRUE(it.IsFinished());
    EXPECT_EQ(it(), nullptr);
}

TEST(FontRegistry, RenewForgetsFontsAndNumbersAgain) {
    KPathSea finder;
    DviBuilder b;
    b.FntDef(0, "cmr10").FntDef(1, "cmmi10");
    Scanned s(b, {}, &finder);
    EXPECT_EQ(s.dvi.GetNItrnFont(), 2);
    s.dvi.RenewDvi();
    EXPECT_EQ(s.dvi.GetNItrnFont(), 0);
    EXPECT_EQ(s.dvi.GetExtFontIndex()[0], nullptr);
    s.dvi.NewPageWritten(0);
    EXPECT_EQ(s.dvi.GetExtFontIndex()[1]->GetID(), 1);
}

}  // namespace

// A document of 20,000 pages, made by plain TeX: the library reads its first
// 3,000 unless told otherwise, and the tool reads them all.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "dvi/KsDvi.h"
#include "support/Cli.h"
#include "support/TempDir.h"

namespace {

constexpr int kPages = 20000;

// big.dvi in `dir`; "needle" is set on page 19,999 only.
std::string MakeLongDocument(TempDir const& dir) {
    std::ofstream(dir / "big.tex") << "\\nopagenumbers \\hsize=2in \\vsize=1in\n"
                                      "\\newcount\\n \\n=1\n"
                                      "\\loop Page \\number\\n.\\ifnum\\n="
                                   << kPages - 1
                                   << " \\ needle\\fi\\vfill\\eject\n"
                                      "\\advance\\n by 1 \\ifnum\\n<"
                                   << kPages + 1 << " \\repeat\n\\bye\n";
    RunOk("cd " + dir.Path() + " && tex -interaction=batchmode big.tex >/dev/null 2>&1");
    return dir / "big.dvi";
}

class LongDocument : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        document_ = MakeLongDocument(*dir_);
    }
    static void TearDownTestSuite() { delete dir_; }
    static TempDir* dir_;
    static std::string document_;
};

TempDir* LongDocument::dir_ = nullptr;
std::string LongDocument::document_;

TEST_F(LongDocument, TheLibraryKeepsItsLimitUnlessLifted) {
    for (int limit : {0, KsDvi::MostPageLimit}) {
        KsDvi dvi;
        if (limit) dvi.SetPageLimit(limit);
        dvi.Open(String8(document_.c_str()), {}, {});
        dvi.NewPageWritten(0);
        EXPECT_EQ(dvi.GetNPage(), limit ? kPages : KsDvi::MaxPages);
        EXPECT_EQ(dvi.IsPageLimitReached(), limit == 0);
        EXPECT_EQ(dvi.GetMode(), limit ? KsDvi::Complete : KsDvi::Growing);
    }
}

TEST_F(LongDocument, TheToolRendersSearchesAndSelects) {
    TempDir out;
    EXPECT_EQ(KsdviInOk(out.Path(), "render -r 20 -p 7,19999 " + document_ + " 2>&1"),
              "big-00007.png\nbig-19999.png\n");

    std::string const found = KsdviOk("search " + document_ + " needle", true);
    EXPECT_EQ(found.rfind("page 19999 ", 0), 0u) << found;
    EXPECT_EQ(std::count(found.begin(), found.end(), '\n'), 1) << found;

    KsdviOk("select -p 20000,19999 -o " + out / "two.dvi " + document_);
    EXPECT_EQ(Ksdvi("trace " + out / "two.dvi | grep '^page'"), "page 1 20000\npage 2 19999\n");
    EXPECT_EQ(Ksdvi("trace -pp 20000 " + document_ + " | grep '^page'"), "page 20000 20000\n");
}

}  // namespace

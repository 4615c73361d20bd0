// `ksdvi trace` is our dvitype-like view of a page: on real TeX output it must
// agree with dvitype itself.

#include <gtest/gtest.h>

#include <string>

#include "Listing.h"
#include "support/Cli.h"
#include "support/TempDir.h"

namespace {

// dvitype shows bytes outside printable ASCII as '?'.
std::string AsDvitypeShows(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return s;
}

struct Case {
    char const* file;
    // Documents set in virtual fonts are compared with the characters dvicopy
    // expands them into; their offsets then belong to another file.
    bool virtualFonts = false;
};

class DvitypeAgreement : public testing::TestWithParam<Case> {};

TEST_P(DvitypeAgreement, PagesRulesSpecialsAndCharacters) {
    std::string dvi = DataFile(GetParam().file);
    bool expanded = GetParam().virtualFonts;
    auto ours = ParseTrace(KsdviOk("trace " + dvi));
    TempDir dir;
    std::string reference = expanded ? dir / "expanded.dvi" : dvi;
    if (expanded) RunCommand("dvicopy " + dvi + " " + reference + " >/dev/null 2>&1");
    auto theirs = ParseDvitype(RunCommand("dvitype -output-level=4 " + reference));
    ASSERT_FALSE(theirs.empty());
    ASSERT_EQ(ours.size(), theirs.size());

    for (size_t p = 0; p < ours.size(); ++p) {
        auto const& mine = ours[p].entries;
        auto const& ref = theirs[p].entries;
        ASSERT_EQ(mine.size(), ref.size()) << "page " << p + 1;
        for (size_t i = 0; i < mine.size(); ++i) {
            ListingEntry const& a = mine[i];
            ListingEntry const& b = ref[i];
            SCOPED_TRACE("page " + std::to_string(p + 1) + " entry " + std::to_string(i));
            ASSERT_EQ(a.kind, b.kind);
            if (!expanded) {
                EXPECT_EQ(a.offset, b.offset);
            }
            if (a.kind == "special") {
                EXPECT_EQ(AsDvitypeShows(a.text), b.text);
                continue;
            }
            EXPECT_EQ(a.h, b.h);
            EXPECT_EQ(a.v, b.v);
            if (a.kind == "rule") {
                EXPECT_EQ(a.a, b.a);
                EXPECT_EQ(a.b, b.b);
            } else {
                EXPECT_EQ(a.a, b.a);  // the DVI code, whatever the font's encoding
                if (b.b >= 0) {
                    EXPECT_EQ(a.b, b.b);  // the width dvitype adds to h
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, DvitypeAgreement,
                         testing::Values(Case{"plain.dvi"}, Case{"latex.dvi"}, Case{"fonts.dvi"}, Case{"t1fonts.dvi"},
                                         Case{"lmodern.dvi"}, Case{"metafont.dvi"}, Case{"times.dvi", true},
                                         Case{"psnfss.dvi", true}),
                         [](auto const& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace

// The keyword table both the scan and the drawer read: which family a
// special belongs to, longer keywords before the ones they begin, and
// where letter case matters.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "specials/SpecialKeywords.h"

namespace {

using ksdvi::SpecialFamily;

std::optional<SpecialFamily> FamilyOf(std::string const& special, size_t* argsAt = nullptr) {
    auto const* text = reinterpret_cast<unsigned char const*>(special.c_str());
    ksdvi::SpecialKeyword const* keyword = ksdvi::FindSpecialKeyword(text, special.size());
    if (!keyword) return std::nullopt;
    if (argsAt) *argsAt = keyword->word.size();
    return keyword->family;
}

TEST(SpecialKeywords, FamiliesOfSpecials) {
    struct Case {
        char const* special;
        std::optional<SpecialFamily> family;
        size_t argsAt = 0;
    };
    Case const cases[] = {
        {"ps::[begin] 10 20 30 40 50 60", SpecialFamily::PsBegin, 11},
        {"ps: gsave", SpecialFamily::Ps, 3},
        {"PS: gsave", SpecialFamily::Ps, 3},
        {"colorpush: 1 0 0", SpecialFamily::ColorPush, 10},
        {"ColorPop:", SpecialFamily::ColorPop, 9},
        {"color: 0 0 1", SpecialFamily::Color, 6},
        {"color push rgb 1 0 0", SpecialFamily::DvipsColor, 6},
        {"Color push rgb 1 0 0", std::nullopt},  // dvips' words keep their case
        {"background gray 0.5", SpecialFamily::DvipsBackground, 11},
        {"backgroundcolor: 1 1 0", SpecialFamily::BackgroundColor, 16},
        {"box: 1 2", SpecialFamily::Box, 4},
        {"boxfill: 1 2", SpecialFamily::BoxFill, 8},
        {"graphics: 0pt 0pt 1pt 1pt 1pt 1pt EPS a.eps", SpecialFamily::Graphics, 9},
        {"GRAPHICS: 0pt 0pt 1pt 1pt 1pt 1pt EPS a.eps", std::nullopt},
        {"papersize=210mm,297mm", SpecialFamily::PaperSize, 10},
        {"PAPERSIZE=210mm,297mm", std::nullopt},
        {"html:<a name=\"x\">", SpecialFamily::Html, 5},
        {"#", SpecialFamily::Record, 1},
        {"psfile=a.eps llx=0", std::nullopt},
        {"", std::nullopt},
    };
    for (Case const& c : cases) {
        size_t at = 0;
        EXPECT_EQ(FamilyOf(c.special, &at), c.family) << c.special;
        if (c.family) {
            EXPECT_EQ(at, c.argsAt) << c.special;
        }
    }
    // A special shorter than a keyword is not taken for it, NULs or not.
    EXPECT_EQ(FamilyOf(std::string("ps:", 2)), std::nullopt);
    EXPECT_EQ(FamilyOf(std::string("colo\0r:", 7)), std::nullopt);
}

}  // namespace

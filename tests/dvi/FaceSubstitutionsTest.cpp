// The default substitution lists send each family to the face of its own
// category: no entry may capture names meant for a later category.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dvi/FaceSubstitutions.h"

TEST(FaceSubstitutions, DefaultsRouteKoreanAndJapaneseFamilies) {
    FaceSubstitutions const defaults = FaceSubstitutions::Defaults();
    std::vector<std::pair<std::string, std::string>> const routes{
        {"BatangChe", "Batang"},
        {"\xB9\xD9\xC5\xC1\xC3\xBC", "Batang"},  // EUC-KR "BatangChe"
        {"Noto Serif CJK KR Bold", "Batang"},
        {"UnDotum", "Dotum"},
        {"NanumGothicCoding", "Dotum"},
        {"NanumBarunGothic", "Gulim"},
        {"\xB1\xBC\xB8\xB2", "Gulim"},
        {"UnGungseo", "Gungsuh"},
        {"IPAGothic", "MS Gothic"},
        {"Noto Sans Mono CJK JP", "MS Gothic"},
        {"IPAPGothic", "MS PGothic"},
        {"MS PGothic", "MS PGothic"},
        {"Noto Sans CJK JP", "MS PGothic"},
        {"IPAMincho", "MS Mincho"},
        {"IPAPMincho", "MS PMincho"},
        {"Noto Serif CJK JP", "MS PMincho"},
        {"DejaVu Serif", "Batang"},  // the default face
        {"batang", "Batang"},        // not listed (case matters): the default too
    };
    for (auto const& [face, expected] : routes) EXPECT_EQ(defaults.Substitute(face), expected) << face;

    FaceSubstitutions host;
    host.defaultFace = "Host Default";
    EXPECT_EQ(host.Substitute("BatangChe"), "Host Default");  // no lists: everything is the default
}

// The keyword table both the scan and the drawer read: which family a
// special belongs to, longer keywords before the ones they begin, and where
// letter case matters. Then preview.sty's specials, in the words its dvips
// driver writes (copied from the DVI file of
// \usepackage[active,tightpage]{preview}, version 12.2).

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "specials/PreviewSpecials.h"
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

constexpr char const* kBopHook =
    "userdict begin/preview-bop-level 0 def/bop-hook{/preview-bop-level dup load dup 0 le{/isls false def/vsize 792 "
    "def/hsize 612 def}if 1 add store}bind def/eop-hook{/preview-bop-level dup load dup 0 gt{1 sub}if store}bind "
    "def end";
constexpr char const* kTightHook =
    "userdict begin/bop-hook{preview-bop-level 0 le{7{currentfile token not{stop}if 65781.76 div DVImag mul}repeat "
    "72 add 72 2 copy gt{exch}if 4 2 roll neg 2 copy lt{exch}if dup 0 gt{pop 0 exch}{exch dup 0 lt{pop 0}if}ifelse "
    "720 add exch 720 add 3 1 roll 4{5 -1 roll add 4 1 roll}repeat <</PageSize[5 -1 roll 6 index sub 5 -1 roll 5 "
    "index sub]/PageOffset[7 -2 roll [1 1 dtransform exch]{0 ge{neg}if exch}forall]>>setpagedevice}if//bop-hook "
    "exec}bind def end";

TEST(PreviewSpecials, PrologueSaysBopHookAndTightPages) {
    struct Case {
        char const* literal;
        bool bopHook, tight;
    } const cases[] = {
        {kBopHook, true, false},
        {"/preview@tightpage true def (compatibility PostScript comment for dvipng<=1.5", false, true},
        {"/preview@tightpage  true def", false, true},
        {"/preview@tightpage false def", false, false},
        // The hook that reads the box, which preview 0.9.1 and older wrote alone.
        {kTightHook, true, true},
        {"/preview@version(12.2)def", false, false},
        {"userdict begin/bop-hook{}def end", false, false},
        {"TeXDict begin /preview-bop-level", false, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.literal);
        EXPECT_EQ(ksdvi::IsPreviewBopHook(c.literal), c.bopHook);
        EXPECT_EQ(ksdvi::IsPreviewTightPage(c.literal), c.tight);
    }
}

TEST(PreviewSpecials, BoxIsSevenIntegers) {
    struct Case {
        char const* code;
        std::optional<ksdvi::PreviewBox> box;
    } const cases[] = {
        {"-32891 -32891 32891 32891 533465 127431 2084863",
         ksdvi::PreviewBox{-32891, -32891, 32891, 32891, 533465, 127431, 2084863}},
        {" 0 0 0 0 0 0 -5 ", ksdvi::PreviewBox{0, 0, 0, 0, 0, 0, -5}},
        {"-32891 -32891 32891 32891 533465 127431", std::nullopt},
        {"-32891 -32891 32891 32891 533465 127431 2084863 7", std::nullopt},
        {"1 2 3 4 5 6 7x", std::nullopt},
        {"1 2 3 4 5 6 99999999999", std::nullopt},
        {"gsave 1 2 3 4 5 6 7", std::nullopt},
        {"", std::nullopt},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(ksdvi::ParsePreviewBox(c.code), c.box);
    }
}

}  // namespace

// xdvipdfmx's pdf: specials as the parser reads them: the forms hyperref's
// xetex driver and the bookmark package write (taken from their output),
// dvipdfm's other spellings, the boxes of pdf:ann, the bookmarks' levels
// and open state, and what does not read. What a scan and a drawer make of
// them is tested with whole documents (XdvScanTest, XdvLinksTest).

#include <gtest/gtest.h>

#include <string>

#include "specials/PdfObjects.h"
#include "specials/PdfSpecials.h"

using namespace ksdvi;

namespace {

using Kind = PdfSpecial::Kind;

struct Case {
    std::string args;  // after "pdf:"
    Kind kind;
    std::string target = {};
    std::string title = {};
    int level = 0;
    bool open = false;
    std::vector<int> box = {};  // left, right, height, depth in scaled points
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.args.substr(0, 80); }

class PdfSpecials : public testing::TestWithParam<Case> {};

TEST_P(PdfSpecials, ReadWhatXetexPackagesWrite) {
    Case const& c = GetParam();
    PdfSpecial special = ParsePdfSpecial(c.args);
    EXPECT_EQ(special.kind, c.kind);
    EXPECT_EQ(special.target, c.target);
    EXPECT_EQ(special.title, c.title);
    EXPECT_EQ(special.level, c.level);
    EXPECT_EQ(special.open, c.open);
    if (!c.box.empty()) {
        EXPECT_EQ((std::vector<int>{special.left, special.right, special.height, special.depth}), c.box);
    }
}

constexpr int kPt = 65536;
constexpr int kInch = 4736287;  // 72.27 pt, rounded as TeX rounds

INSTANTIATE_TEST_SUITE_P(
    Specials, PdfSpecials,
    testing::Values(
        // hyperref's areas: internal links, URLs, other files
        Case{"bann<</Type/Annot/Subtype/Link/Border[0 0 1]/H/I/C[1 0 0]/A<</S/GoTo/D(section.1)>>>>", Kind::AreaStart,
             "#section.1"},
        Case{
            "bann<</Type/Annot/Subtype/Link/Border[0 0 1]/H/I/C[0 1 1]/A<</S/URI/URI(https://example.org/a\\(b\\))>>>>",
            Kind::AreaStart, "https://example.org/a(b)"},
        Case{"bann<</Type/Annot/Subtype/Link/A<</S/GoToR/F(other.pdf)/D(page.2)/NewWindow true>>>>", Kind::AreaStart,
             "other.pdf#page.2"},
        Case{"bann<</Type/Annot/Subtype/Link/A<</S/GoToR/F(other.pdf)/D[0/Fit]>>>>", Kind::AreaStart, "other.pdf"},
        Case{" beginann << /Subtype /Link /Dest (plain) >>", Kind::AreaStart, "#plain"},
        Case{"bannot<</Subtype/Link/Dest/name>>", Kind::AreaStart, "#name"},
        // areas that lead nowhere ksdvi shows: still areas, to be ended
        Case{"bann<</Subtype/Link/A<</S/Named/N/NextPage>>>>", Kind::AreaStart},
        Case{"bann<</Subtype/Widget/A<</S/URI/URI(http://x.org/)>>>>", Kind::AreaStart},
        Case{"bann<</A<</S/URI/URI(http://x.org/)>>>>", Kind::AreaStart}, Case{"eann", Kind::AreaEnd},
        Case{"endann", Kind::AreaEnd}, Case{"eannot", Kind::AreaEnd}, Case{"eann @group", Kind::AreaEnd},
        Case{"nolink", Kind::Pause}, Case{"link", Kind::Resume},
        // boxes: dimensions as TeX writes them, units apart, true units, bbox in bp
        Case{"ann width 10pt height 5pt depth 2pt <</Subtype/Link/Dest(d)>>",
             Kind::Box,
             "#d",
             {},
             0,
             false,
             {0, 10 * kPt, 5 * kPt, 2 * kPt}},
        Case{"annot @nav width 1 in height 0.5 true in<</Subtype/Link/A<</S/URI/URI(u)>>>>",
             Kind::Box,
             "u",
             {},
             0,
             false,
             {0, kInch, 2368143, 0}},
        Case{
            "annotate bbox 0 0 72 36 <</Subtype/Link/Dest(e)>>", Kind::Box, "#e", {}, 0, false, {0, kInch, 2368143, 0}},
        Case{"ann width 10pt depth 3pt <</Subtype/Text/Contents(note)>>",
             Kind::Box,
             {},
             {},
             0,
             false,
             {0, 10 * kPt, 0, 3 * kPt}},
        Case{"ann width 0pt height 5pt <</Subtype/Link/Dest(d)>>", Kind::None},  // dvipdfm asks for a width
        Case{"ann width 5pt <</Subtype/Link/Dest(d)>>", Kind::None},             // and a height or a depth
        Case{"ann width 5 height 5pt <</Subtype/Link/Dest(d)>>", Kind::None},    // lengths have units
        Case{"ann width 5pt height 5pt", Kind::None}, Case{"ann size 5pt <<>>", Kind::None},
        // anchors
        Case{"dest (section.1) [@thispage /XYZ @xpos @ypos null]", Kind::Anchor, "section.1"},
        Case{" dest (Doc-Start) [@thispage /Fit]", Kind::Anchor, "Doc-Start"}, Case{"dest (a) ", Kind::None},
        Case{"dest /a [@thispage /Fit]", Kind::None}, Case{"dest () [@thispage /Fit]", Kind::None},
        // bookmarks: hyperref's closed and open, UTF-16 and PDFDocEncoding titles, dvipdfm's plain form
        Case{"outline [-] 1<</Title(\\376\\377\\000F\\000i\\000r\\000s\\000t)/A<</S/GoTo/D(section.1)>>>>",
             Kind::Outline, "section.1", "First", 1, false},
        Case{"outline [] 2<</Title<FEFF00DC0062006500720020D83DDE00>/A<</S/GoTo/D(sub.1)>>>>", Kind::Outline, "sub.1",
             "\xC3\x9C"
             "ber \xF0\x9F\x98\x80",
             2, true},
        Case{"out 0 << /Title (Caf\\351 \\200) /Dest (ch.1) >>", Kind::Outline, "ch.1", "Caf\xC3\xA9 \xE2\x80\xA2", 0,
             false},
        Case{"out [-] -1 <</Title(Part)/Dest[@page1/Fit]>>", Kind::Outline, "", "Part", -1, false},
        Case{"out [] 1 <</Title(Web)/A<</S/URI/URI(http://x.org/)>>>>", Kind::Outline, "", "Web", 1, true},
        Case{"outline [x] 1 <</Title(t)>>", Kind::None}, Case{"outline 1 (t)", Kind::None},
        Case{"outline <</Title(t)>>", Kind::None}, Case{"out 1001 <</Title(t)>>", Kind::None},
        Case{"outline [-] 1<</Title(\\376\\377\\000F)/A<</S/GoTo/D(s.1)>>", Kind::None},   // a dictionary not closed
        Case{"outline [-] 1<</Title(\\376\\377\\000F/A<</S/GoTo/D(s.1)>>>>", Kind::None},  // a string not closed
        // the paper; what only a PDF holds
        Case{"pagesize width 614.295pt height 794.96999pt", Kind::Paper}, Case{"pagesize default", Kind::None},
        Case{"docinfo<</Title()/Creator(LaTeX with hyperref)>>", Kind::Other},
        Case{"docview<</OpenAction[@page1/Fit]/PageMode/UseOutlines>>", Kind::Other},
        Case{"majorversion 1", Kind::Other}, Case{"obj @x <<>>", Kind::Other}, Case{"", Kind::Other},
        Case{"Bann<</Subtype/Link/Dest(d)>>", Kind::Other}, Case{"banner", Kind::Other}));

TEST(PdfSpecials, KeywordsAndPaperAreKept) {
    EXPECT_EQ(ParsePdfSpecial(" docinfo<<>>").keyword, "docinfo");
    EXPECT_EQ(ParsePdfSpecial("pagesize width 100pt height 20cm").paper, "100pt,20cm");
    std::string longest(kLongestPdfKeyword + 5, 'x');
    EXPECT_EQ(ParsePdfSpecial(longest).keyword.size(), kLongestPdfKeyword);
}

// Past its bound a special of a kind ksdvi reads is not read; past the
// bound on tokens neither; deep nesting neither.
TEST(PdfSpecials, LengthAndNestingAreBounded) {
    std::string const dictionary = "<</Subtype/Link/Dest(d)>>";
    EXPECT_EQ(ParsePdfSpecial("bann" + std::string(kLongestPdfSpecial, ' ') + dictionary).kind, Kind::None);
    EXPECT_EQ(ParsePdfSpecial("bann" + std::string(kLongestPdfSpecial - 100, ' ') + dictionary).kind, Kind::AreaStart);
    std::string many = "bann<</Subtype/Link/Dest(d)/K[";
    for (size_t i = 0; i < kMostPdfTokens; ++i) many += "1 ";
    EXPECT_EQ(ParsePdfSpecial(many + "]>>").kind, Kind::None);
    std::string deep = "bann<</Subtype/Link/Dest(d)/K" + std::string(40, '[') + std::string(40, ']') + ">>";
    EXPECT_EQ(ParsePdfSpecial(deep).kind, Kind::None);
    EXPECT_EQ(ParsePdfSpecial("docinfo" + std::string(kLongestPdfSpecial, ' ')).kind, Kind::Other);
}

}  // namespace

// hyperref's dvips-driver specials as the parser reads them: the forms
// hyperref writes (taken from hyperref-dvips.dvi and from its other link
// kinds), PostScript strings with their escapes, the titles' encodings, and
// what is left to Ghostscript. What a scan and a drawer make of them is
// tested with the whole document (DocumentSpecialsTest, tests/render).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "specials/PdfmarkSpecials.h"
#include "specials/PostScriptSpecials.h"

using namespace ksdvi;

namespace {

using Kind = PdfmarkSpecial::Kind;

struct Case {
    std::string code;  // after "ps:"
    Kind kind;
    std::string target = {};
    std::string title = {};
    int count = 0;
    double points = 0;
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.code; }

class Pdfmark : public testing::TestWithParam<Case> {};

TEST_P(Pdfmark, ReadsWhatHyperrefWrites) {
    Case const& c = GetParam();
    PdfmarkSpecial mark = ParsePdfmarkSpecial(c.code);
    EXPECT_EQ(mark.kind, c.kind);
    EXPECT_EQ(mark.target, c.target);
    EXPECT_EQ(mark.kind == Kind::Information ? mark.info.title : mark.title, c.title);
    EXPECT_EQ(mark.count, c.count);
    EXPECT_EQ(mark.points, c.points);
    // What is read is never run, and what is not read is PostScript.
    std::string special = "ps:" + c.code;
    auto ps = ParsePostScriptSpecial(reinterpret_cast<unsigned char const*>(special.data()), special.size());
    EXPECT_EQ(ps.kind, c.kind == Kind::None ? PostScriptSpecial::Kind::Positioned : PostScriptSpecial::Kind::Pdfmark);
    EXPECT_EQ(IsPdfmarkSpecial(c.code), c.kind != Kind::None);
}

INSTANTIATE_TEST_SUITE_P(
    Specials, Pdfmark,
    testing::Values(
        // areas
        Case{"SDict begin H.S end", Kind::AreaStart}, Case{"SDict begin 12 H.L end", Kind::LinkEnd, {}, {}, 0, 12},
        Case{" SDict  begin 14.5 H.A end ", Kind::AnchorEnd, {}, {}, 0, 14.5},
        Case{"SDict begin H.R end", Kind::BoxEnd},
        Case{"SDict begin /HyperBorder{2.5 PDFToDvips}def end", Kind::Border, {}, {}, 0, 2.5},
        // links: internal, URL (both dictionary spellings), another file, a program
        Case{"SDict begin [/Subtype /Link/Dest (section.2) cvn/H /I/Border [0 0 1]BorderArrayPatch/Color [1 0 0] H.B "
             "/ANN pdfmark end",
             Kind::Link, "#section.2"},
        Case{"SDict begin [/H /I/Border [0 0 1]BorderArrayPatch/Color [0 1 1]/Action <</Subtype/URI/URI(https://"
             "example.com/a_b)>>/Subtype /Link H.B /ANN pdfmark end",
             Kind::Link, "https://example.com/a_b"},
        Case{"SDict begin [/A << /S /URI /URI (http://x.org/\\(1\\)\\%20\\\nz) >> /Subtype /Link H.B /ANN pdfmark end",
             Kind::Link, "http://x.org/(1)%20z"},
        Case{"SDict begin [/Action <</S/GoToR/F(other.pdf)/D(sec.1)>> /Subtype/Link H.B /ANN pdfmark end", Kind::Link,
             "other.pdf#sec.1"},
        Case{"SDict begin [/Action /Launch /File (run.sh) /Subtype /Link H.B /ANN pdfmark end", Kind::Link, "run.sh"},
        Case{"[/Subtype /Link /Dest /plain /ANN pdfmark", Kind::Link, "#plain"},
        // annotations without a place to go: beamer's named actions, notes
        Case{"SDict begin [/Subtype /Link /A <</S/Named/N/GoBack>> H.B /ANN pdfmark end", Kind::Inert},
        Case{"SDict begin [/Subtype /Text /Contents (note) /ANN pdfmark end", Kind::Inert},
        // anchors and bookmarks
        Case{"SDict begin [/View [/XYZ H.V]/Dest (cite.knuth) cvn /DEST pdfmark end", Kind::Anchor, "cite.knuth"},
        Case{"SDict begin [/Count -2/Dest (section.1) cvn/Title (\\376\\377\\000L\\000i\\000n\\000k\\000s) /OUT "
             "pdfmark end",
             Kind::Outline, "section.1", "Links", -2},
        Case{"SDict begin [/Count -0/Dest (s) cvn/Title (\\376\\377\\000\\334\\000b\\000e\\000r\\000\\040\\000G\\000r"
             "\\000\\366\\000\\337\\000e\\000n) /OUT pdfmark end",
             Kind::Outline, "s",
             "\xC3\x9C"
             "ber Gr\xC3\xB6\xC3\x9F"
             "en"},
        Case{"SDict begin [/Count 3/Dest (t) cvn/Title (Caf\\351 \\200 (x)) /OUT pdfmark end", Kind::Outline, "t",
             "Caf\xC3\xA9 \xE2\x80\xA2 (x)", 3},
        Case{"SDict begin [/Title <FEFF0041 0042> /Dest /u /OUT pdfmark end", Kind::Outline, "u", "AB"},
        // the document's information, its title as a bookmark's
        Case{"SDict begin [/Producer (dvips + Distiller)/Title (T)/Creator (LaTeX with hyperref) /DOCINFO pdfmark end",
             Kind::Information, "", "T"},
        // what does nothing for a viewer
        Case{"SDict begin [ {Catalog}<<>> /PUT pdfmark end", Kind::Inert},
        Case{"SDict begin /product where{pop product(Distiller)search{pop pop pop version(.)search{exch pop exch pop"
             "(3011)eq{gsave newpath 0 0 moveto closepath clip/Courier findfont 10 scalefont setfont 72 72 moveto(.)"
             "show grestore}if}{pop}ifelse}{pop}ifelse}if end",
             Kind::Inert},
        Case{"SDict begin [/Subtype /Link/Dest (open /ANN pdfmark end", Kind::Inert},  // the string runs to the end
        Case{"[ /ANN pdfmark", Kind::Inert},
        // PostScript of other kinds
        Case{"H.S", Kind::None}, Case{"SDict begin x H.L end", Kind::None}, Case{"SDict begin nan H.L end", Kind::None},
        Case{"SDict begin /a 1 def end", Kind::None}, Case{"SDict begin H.S legend", Kind::None},
        Case{"gsave 1 0 0 setrgbcolor", Kind::None}));

}  // namespace

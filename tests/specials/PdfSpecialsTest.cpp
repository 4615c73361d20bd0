// xdvipdfmx's pdf: specials as the parser reads them: the forms hyperref's
// xetex driver and the bookmark package write (from their output),
// dvipdfm's other spellings, the object syntax under them (escapes, hex
// strings, #xx in names, references, nesting), what does not read, and the
// bounds on length and nesting. Whole documents: XdvLinksCliTest.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include <string>
#include <vector>

#include "specials/PdfObjects.h"
#include "specials/PdfSpecials.h"

using namespace ksdvi;

namespace {

using Kind = PdfSpecial::Kind;

// What a special reads as, in one line: its kind and what that kind carries.
// "x:" begins dvipdfmx's own specials.
std::string Read(std::string const& args) {
    PdfSpecial s = args.starts_with("x:") ? ParsePdfSpecial(args.substr(2), true) : ParsePdfSpecial(args);
    static char const* const kinds[] = {"none",      "other", "area",    "end",    "nolink",    "link",
                                        "box",       "dest",  "outline", "paper",  "info",      "mapline",
                                        "tounicode", "clip",  "image",   "btrans", "transform", "etrans"};
    std::string out = kinds[static_cast<int>(s.kind)];
    switch (s.kind) {
    case Kind::AreaStart:
    case Kind::Anchor: return out + " " + s.target;
    case Kind::Box:
        return out + " " + s.target + " " + std::to_string(s.left) + "," + std::to_string(s.right) + "," +
               std::to_string(s.height) + "," + std::to_string(s.depth);
    case Kind::Outline:
        return out + " " + std::to_string(s.level) + (s.open ? " open " : " closed ") + s.target + " " + s.title;
    case Kind::Paper: return out + " " + s.paper;
    case Kind::MapLine:
    case Kind::ToUnicode: return out + " " + s.target;
    case Kind::ClipRect:
        for (double edge : *s.box) out.append(" ").append(std::to_string(std::lround(edge * 10)));
        return out;
    case Kind::Information: return out + " " + s.info.title + "|" + s.info.author + "|" + s.info.creator;
    case Kind::Image:
        out += " " + s.target + " " + std::to_string(s.right) + "x" + std::to_string(s.height);
        if (s.page != 1 || s.matrix[0] != 1)
            out += " page " + std::to_string(s.page) + " scale " + std::to_string(s.matrix[0]);
        return out;
    case Kind::Other: return out + " " + s.keyword;
    case Kind::TransformStart:
    case Kind::Transform:
        for (double m : s.matrix) {
            char number[32];
            std::snprintf(number, sizeof number, " %g", std::round(m * 1000) / 1000 + 0.0);
            out += number;
        }
        return out;
    default: return out;
    }
}

TEST(PdfSpecials, ReadAsXdvipdfmxReadsThem) {
    struct Case {
        std::string args, read;
    } const cases[] = {
        // areas: hyperref's GoTo, URI and GoToR; escapes, nested parentheses, hex strings, #xx, references
        {"bann<</Type/Annot/Subtype/Link/Border[0 0 1]/H/I/C[1 0 0]/A<</S/GoTo/D(section.1)>>>>", "area #section.1"},
        {"bann<</Subtype/Link/A<</S/URI/URI(https://x.org/\\(1\\)(2)\\101\\\n\\q)>>>>", "area https://x.org/(1)(2)Aq"},
        {"bann<</Subtype/Link/A<</S/GoToR/F(o.pdf)/D<7061 6765 2E3>/NewWindow true>>>>", "area o.pdf#page.0"},
        {"bann<</Subtype/Link/A<</S/GoToR/F<</Type/Filespec/F(f.pdf)>>/D[0/Fit]>>>>", "area f.pdf"},
        {" beginann << /Subtype /Link /Dest /a#20b >>", "area #a b"},
        {"bannot<</Subtype/Link/Dest 12 0 R/Action<</Subtype/URI/URI(u)>>>>", "area u"},
        // areas that lead nowhere ksdvi shows are still areas, to be ended
        {"bann<</Subtype/Link/A<</S/Named/N/NextPage>>>>", "area "},
        {"bann<</Subtype/Widget/A<</S/URI/URI(u)>>>>", "area "},
        {"eann @form", "end"},
        {"endann", "end"},
        {"nolink", "nolink"},
        {"link", "link"},
        // boxes: TeX's dimensions, units apart or true, or a bbox in bp
        {"ann width 10pt height 5pt depth 2pt <</Subtype/Link/Dest(d)>>", "box #d 0,655360,327680,131072"},
        {"annot @nav width 1 in height 0.5 true in<</Subtype/Link/A<</S/Launch/F(run.sh)>>>>",
         "box run.sh 0,4736287,2368143,0"},
        {"annotate bbox 0 0 72 36 <</Subtype/Link/Dest(e)>>", "box #e 0,4736287,2368143,0"},
        {"ann width 0pt height 5pt <</Subtype/Link/Dest(d)>>", "none"},  // dvipdfm asks for a width
        {"ann width 5pt <</Subtype/Link/Dest(d)>>", "none"},             // and a height or a depth
        {"ann width 5 height 5pt <</Subtype/Link/Dest(d)>>", "none"},
        {"ann width 5pt height 5pt", "none"},
        // anchors
        {"dest (section.1) [@thispage /XYZ @xpos @ypos null]", "dest section.1"},
        {"dest (a)", "none"},
        {"dest /a [@thispage /Fit]", "none"},
        // bookmarks: closed, open or neither; UTF-16 and PDFDocEncoding titles; targets that are no anchor
        {"outline [-] 1<</Title(\\376\\377\\000F\\000i)/A<</S/GoTo/D(section.1)>>>>", "outline 1 closed section.1 Fi"},
        {"outline [] 2<</Title<FEFF00DC 0062 D83DDE00>/Dest(s)>>",
         "outline 2 open s \xC3\x9C"
         "b\xF0\x9F\x98\x80"},
        {"out 0 << /Title (Caf\\351 \\200) /Dest [@page1 /Fit] >>", "outline 0 closed  Caf\xC3\xA9 \xE2\x80\xA2"},
        {"out [] -1 <</Title(Web)/A<</S/URI/URI(u)>>>>", "outline -1 open  Web"},
        {"outline [x] 1 <</Title(t)>>", "none"},
        {"outline 1 (t)", "none"},
        {"out 1001 <</Title(t)>>", "none"},
        // what is no object: unended dictionaries, strings and hex strings, stray closes, keys that are no names
        {"outline 1<</Title(F)/A<</S/GoTo/D(s)>>", "none"},
        {"outline 1<</Title(F/Dest(s)>>", "none"},
        {"bann<</Subtype/Link/Dest<41", "none"},
        {"bann<</Subtype/Link/Dest(d)]>>", "none"},
        {"bann<</Subtype/Link (k) 1>>", "none"},
        {"bann<</Subtype/Link/Dest>>", "none"},
        // the paper; what only a PDF holds
        {"pagesize width 614.295pt height 794.96999pt", "paper 614.295pt,794.96999pt"},
        {"pagesize default", "none"},
        {"docinfo<</Title()/Creator(LaTeX with hyperref)>>", "info ||LaTeX with hyperref"},
        {"docinfo << /Author (A. Author) /Title <FEFF00C9> >>", "info \u00c9|A. Author|"},
        {"docinfo /Title (x)", "none"},
        {"majorversion 1", "other majorversion"},
        {"", "other "},
        {"Bann<</Subtype/Link/Dest(d)>>", "other Bann"},
        // pictures as graphicx's xetex and dvipdfmx drivers write them: the width given, the height
        // in the bbox's proportion; both given; the bbox's own size in bp, scaled
        {"image bbox 0 0 59.99985 39.99991 clip 0 width 85.35826pt (red.png) ", "image red.png 5594039x3729360"},
        {"image bbox 0 0 60 40 width 10pt height 2pt (a b.jpg)", "image a b.jpg 655360x131072"},
        {"img @pic scale 2 bbox 0 0 72 36 page 1 pagebox cropbox (x.gif)", "image x.gif 9472573x4736286"},
        {"image height 10pt bbox 0 0 0 0 (z.png)", "other image"},  // no width to keep in proportion
        // dvipdfm's turned pictures: sized, then turned about their lower left corner
        {"image bbox 0 0 72 72 rotate 90 (r.png)", "image r.png 4736286x4736286 page 1 scale 0.000000"},
        {"image rotate 45 scale 0.50 (mwicks.jpeg)", "image mwicks.jpeg 0x0 page 1 scale 0.353553"},
        {"image rotate (r.png)", "other image"},
        {"image width 72bp (fig.eps)", "other image"},  // an EPS file
        // xetex.def's PDF pages: at their own size (which the file gives), scaled by the matrix
        {"image matrix 1.0 0.0 0.0 1.0 0.0 0.0 page 0 pagebox cropbox (./f.pdf)", "image ./f.pdf 0x0"},
        {"image scale 2 page 3 (f.pdf)", "image f.pdf 0x0 page 3 scale 2.000000"},
        {"image width 72bp (f.pdf)", "image f.pdf 4736287x0"},  // a width alone: the height in proportion
        {"image height 1in scale 2 (f.png)", "image f.png 0x9472574"},
        {"image width 72bp bbox 0 0 0 0 (z.png)", "other image"},  // a box with nothing to keep in proportion
        // graphicx's xetex driver cuts a trimmed figure; other literals draw
        {"literal 0 -0 219.99869 79.99934 re W n ", "clip 0 0 2200 800"},
        {"literal -5 10 20 -8 re W n", "clip -50 20 150 100"},
        {"literal direct 0 0 20 8 re W n", "other literal"},
        {"literal q 0 0 20 8 re W n", "other literal"},
        {"literal 0 0 20 8 re f", "other literal"},
        // pxchfon's faces for pTeX's fonts
        {"mapline  uprml-h UniJIS-UTF16-H :1:HaranoAjiGothic-Bold.otc ",
         "mapline uprml-h UniJIS-UTF16-H :1:HaranoAjiGothic-Bold.otc"},
        // graphicx's dvipdfmx driver, for PDF files
        {"epdf pagebox cropbox bbox 0 0 320 240 clip 0 width 85.35826pt (a.pdf) ", "image a.pdf 5594039x4195529"},
        {"image width 72bp", "other image"},
        // transformations: graphicx's \rotatebox and \scalebox with the xetex and dvipdfmx drivers
        {"btrans rotate 90", "btrans 0 1 -1 0 0 0"},
        {"btrans", "btrans 1 0 0 1 0 0"},
        {"bt scale 2 rotate 30", "btrans 1.732 1 -1 1.732 0 0"},
        {"btrans xscale -1", "btrans -1 0 0 1 0 0"},
        {"begintransform matrix 1 2 3 4 5 6", "btrans 1 2 3 4 5 6"},
        {"btrans bbox 0 0 1 1", "btrans 1 0 0 1 0 0"},  // not understood: still saved and given back
        {"btrans rotate", "btrans 1 0 0 1 0 0"},
        {"etrans", "etrans"},
        {"q", "btrans 1 0 0 1 0 0"},
        {"x:scale 1.5 0.5", "transform 1.5 0 0 0.5 0 0"},
        {"x:rotate 90", "transform 0 1 -1 0 0 0"},
        {"x:xscale -1", "transform -1 0 0 1 0 0"},
        {"x:scale 2", "none"},
        {"x:scale 2 2 2", "none"},
        {"x:gsave", "btrans 1 0 0 1 0 0"},
        {"x:grestore", "etrans"},
        {"x:bscale 2 0.5", "btrans 2 0 0 0.5 0 0"},
        {"x:bscale 2", "btrans 1 0 0 1 0 0"},  // not understood: still saved and given back
        {"x:escale", "etrans"},
        {"x:fontmapline rm-lmr10 LMRoman10-Regular", "other fontmapline"},
    };
    for (Case const& c : cases) EXPECT_EQ(Read(c.args), c.read) << c.args;
}

// A link's frame, "width [dash] colour": /Border or /BS /W, /C (or
// pdfmark's /Color), as hyperref's pdfborder, pdfborderstyle and link
// colours write them; what is not a frame reads as none.
TEST(PdfSpecials, LinkFramesAsTheAnnotationAsksForThem) {
    auto frame = [](std::string const& entries) {
        LinkBorder const b = ParsePdfSpecial("bann<</Subtype/Link/Dest(d)" + entries + ">>").border;
        std::string out;
        char number[32];
        for (double w : std::vector<double>{b.width}) std::snprintf(number, sizeof number, "%g", w), out += number;
        for (auto const* list : {&b.dash, &b.colour}) {
            out += " [";
            for (double v : *list) std::snprintf(number, sizeof number, " %g", v), out += number;
            out += " ]";
        }
        return out + (b.Shown() ? " shown" : "");
    };
    struct Case {
        char const* entries;
        char const* frame;
    } const cases[] = {
        {"/Border[0 0 1]/H/I/C[1 0 0]", "1 [ ] [ 1 0 0 ] shown"},
        {"/Border[0 0 2 [3 1]]/C[0 1 1]", "2 [ 3 1 ] [ 0 1 1 ] shown"},
        {"/Border[0 0 1]/BS<</Type/Border/W 0.5/S/U>>/C[0.5]", "0.5 [ ] [ 0.5 ] shown"},
        {"/Border[0 0 0]/C[1 0 0]", "0 [ ] [ 1 0 0 ]"},            // colorlinks
        {"/Border[0 0 1]", "1 [ ] [ ]"},                           // transparent
        {"/Border[0 0 1]/C[1 0]", "1 [ ] [ ]"},                    // no colour space has two
        {"/Border[0 0 1]/C[0 0 0 1]", "1 [ ] [ 0 0 0 1 ] shown"},  // CMYK
        {"/Border[0 0 1000000000]/C[2 -1 0]", "100 [ ] [ 1 0 0 ] shown"},
        {"/Border[0 0 /W]/C[1 0 0]", "0 [ ] [ 1 0 0 ]"},
        {"/Border(0 0 1)/C(red)", "0 [ ] [ ]"},
    };
    for (Case const& c : cases) EXPECT_EQ(frame(c.entries), c.frame) << c.entries;
}

TEST(PdfSpecials, LengthTokensAndNestingAreBounded) {
    std::string const link = "<</Subtype/Link/Dest(d)>>";
    EXPECT_EQ(Read("bann" + std::string(kLongestPdfSpecial, ' ') + link), "none");
    EXPECT_EQ(Read("bann" + std::string(kLongestPdfSpecial - 100, ' ') + link), "area #d");
    EXPECT_EQ(Read("docinfo" + std::string(kLongestPdfSpecial, ' ')), "none");
    std::string many = "bann<</Subtype/Link/Dest(d)/K[";
    for (size_t i = 0; i + 9 < kMostPdfTokens; ++i) many += "1 ";  // 7 tokens before, 2 after
    EXPECT_EQ(Read(many + "]>>"), "area #d");
    EXPECT_EQ(Read(many + "1 1 1 1 1 1 1 1]>>"), "none");
    // The dictionary is the first level.
    auto nested = [&](int arrays) {
        return "bann<</Subtype/Link/Dest(d)/K" + std::string(arrays, '[') + std::string(arrays, ']') + ">>";
    };
    EXPECT_EQ(Read(nested(kDeepestPdfObject - 1)), "area #d");
    EXPECT_EQ(Read(nested(kDeepestPdfObject)), "none");
}

TEST(PdfSpecials, TextStringsInUtf16AndPdfDocEncoding) {
    using namespace std::string_view_literals;
    EXPECT_EQ(PdfTextToUtf8("\xFE\xFF\xD8\x3D\xDE\x00"sv), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(PdfTextToUtf8("\x18\x9F\xA0\xE9"), "\xCB\x98\xEF\xBF\xBD\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(PdfTextToUtf8(""), "");
    EXPECT_EQ(PdfTextToUtf8("\xFE\xFF\x00"sv), "\xEF\xBF\xBD");    // cut in a character
    EXPECT_EQ(PdfTextToUtf8("\xFE\xFF\xDC\x00"), "\xEF\xBF\xBD");  // a lone low surrogate
}

}  // namespace

// What a scan keeps from the specials of real TeX documents (specials.tex,
// colorstack.tex; the colours dvipscolor.tex carries across pages are drawn
// in tests/render), the parse rules of each keyword on single specials, and
// the faces that stand in for those records name.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dvi/KsDvi.h"
#include "support/Cli.h"
#include "support/ExactBytes.h"
#include "support/ScratchDocument.h"

using namespace ksdvi;

namespace {

using Tags = std::vector<std::pair<std::string, int>>;
using Names = std::vector<std::string>;

// Records the picture names and, for the bounds test, every special met.
class RecordingDocument : public KsDvi {
public:
    explicit RecordingDocument(char const* file = nullptr) {
        if (file) Open(String8(DataFile(file).c_str()), {}, {});
    }
    void DoSpecial(unsigned char* text, int length) override {
        specials.emplace_back(reinterpret_cast<char const*>(text), static_cast<size_t>(length));
        KsDvi::DoSpecial(text, length);
    }
    void Special(std::string_view text) {
        ExactBytes bytes(text);
        KsDvi::DoSpecial(bytes.Get(), bytes.Length());
    }

    Names pictures;
    Names specials;

protected:
    void AppendPictFile(String8 const& name) override { pictures.emplace_back(name.view()); }
};

using Stacks = std::vector<std::vector<unsigned int>>;

// Each page's colour stack at its bop, and its background at its eop.
Stacks StacksOf(KsDvi const& dvi) {
    Stacks stacks;
    for (int page = 0; page < dvi.GetNPage(); ++page) {
        unsigned int const* colors = dvi.GetPageColorStack(page);
        stacks.emplace_back(colors, colors + dvi.GetPageColorStackSize(page));
    }
    return stacks;
}

std::vector<unsigned int> BackgroundsOf(KsDvi const& dvi) {
    std::vector<unsigned int> colors;
    for (int page = 0; page < dvi.GetNPage(); ++page) colors.push_back(dvi.GetPageBackgroundColor(page));
    return colors;
}

Tags TagsOf(KsDvi const& dvi) {
    Tags tags;
    for (KsDvi::TagInfo const& t : dvi.GetTagList()) tags.emplace_back(std::string(t.name.view()), t.page);
    return tags;
}

Names FacesOf(KsDvi const& dvi) {
    Names faces;
    for (String8 const& f : dvi.GetFontList()) faces.emplace_back(f.view());
    return faces;
}

KsDvi::CDC* FakeDevice() {
    static int device;  // the document only keeps the pointer
    return reinterpret_cast<KsDvi::CDC*>(&device);
}

constexpr unsigned int kBlack = 0, kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// The pages' colour stacks and backgrounds; anchors, pictures and face
// records in scan order. A rescan records them anew, as a viewer rescans a
// file TeX wrote again: the same ones, once.
TEST(DocumentSpecials, WhatAScanKeepsAndARescanRecordsAnew) {
    RecordingDocument doc("specials.dvi");
    doc.NewPageWritten(0);
    ASSERT_EQ(doc.GetMode(), KsDvi::Complete);
    EXPECT_EQ(StacksOf(doc),
              (Stacks{{kBlack}, {kBlack, kRed}, {kBlack, kRed}, {kBlack}, {kBlack}, {kBlack, 0x4000FF}}));
    EXPECT_EQ(BackgroundsOf(doc), (std::vector<unsigned int>{kWhite, kWhite, kBlue, kBlue, 0x80FFFF, 0x80FFFF}));

    Tags const tags{{"sec1", 0}, {"abc", 1}, {"def", 1}, {"sec 2", 2}, {"sec1", 4}};
    EXPECT_EQ(TagsOf(doc), tags);
    EXPECT_EQ(doc.FindTagPage("sec1"), 0);  // the first of two
    EXPECT_EQ(doc.FindTagPage("sec 2"), 2);
    EXPECT_EQ(doc.FindTagPage("sec2"), -1);
    EXPECT_EQ(doc.FindTagPage("SEC1"), -1);
    EXPECT_EQ(doc.FindTagPage("ab"), -1);  // a NUL inside the name dropped that anchor
    EXPECT_EQ(doc.pictures, (Names{"fig.eps", "a.eps", "b.eps", "pic.wmf", "second.eps", "c.eps"}));
    EXPECT_EQ(doc.GetRecordResolution(), 300);
    Names const faces{"MS Mincho", "Dotum", "Batang"};  // no device: no face counts as installed
    EXPECT_EQ(FacesOf(doc), faces);

    doc.RenewDvi();
    doc.NewPageWritten(0);
    EXPECT_EQ(StacksOf(doc)[0], std::vector<unsigned int>{kBlack});
    EXPECT_EQ(BackgroundsOf(doc)[0], kWhite);
    EXPECT_EQ(TagsOf(doc), tags);
    EXPECT_EQ(FacesOf(doc), faces);
}

using Outline = std::vector<std::tuple<std::string, std::string, int, int>>;  // title, target, level, count

Outline OutlineOf(KsDvi const& dvi) {
    Outline outline;
    for (KsDvi::OutlineEntry const& e : dvi.GetOutline())
        outline.emplace_back(std::string(e.title.view()), std::string(e.target.view()), e.level, e.count);
    return outline;
}

// One LaTeX document made with both of hyperref's drivers for DVI: the dvips
// driver's pdfmarks give the anchors the hypertex driver's html: specials
// give, on the same pages, and the bookmarks, which a rescan reads afresh.
// None of its pages has PostScript to run.
TEST(DocumentSpecials, HyperrefDriversGiveTheSameAnchors) {
    RecordingDocument dvips("hyperref-dvips.dvi"), hypertex("hyperref-hypertex.dvi");
    dvips.NewPageWritten(0);
    hypertex.NewPageWritten(0);
    Tags ours = TagsOf(dvips), theirs = TagsOf(hypertex);
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs);
    EXPECT_GE(ours.size(), 10u);
    for (int page = 0; page < dvips.GetNPage(); ++page) EXPECT_FALSE(dvips.PageHasPostScript(page));

    Outline const outline{{"Links", "section.1", 0, -2},
                          {"\xC3\x9C"
                           "ber Gr\xC3\xB6\xC3\x9F"
                           "en",
                           "subsection.1.1", 1, 0},
                          {"A broken link", "subsection.1.2", 1, 0},
                          {"Targets", "section.2", 0, 0}};
    EXPECT_EQ(OutlineOf(dvips), outline);
    EXPECT_TRUE(OutlineOf(hypertex).empty());
    dvips.RenewDvi();
    dvips.NewPageWritten(0);
    EXPECT_EQ(OutlineOf(dvips), outline);
}

// Each bookmark lies under the last one that still expects entries; a count's
// sign (open or closed) does not matter, nor a count that is never used up.
TEST(DocumentSpecials, BookmarkLevelsFollowTheirCounts) {
    RecordingDocument doc;
    for (auto [count, name] : {std::pair{2, "a"}, {-1, "a1"}, {0, "a1x"}, {0, "a2"}, {0, "b"}, {5, "c"}, {0, "c1"}})
        doc.Special("ps:SDict begin [/Count " + std::to_string(count) + " /Dest (" + name + ") cvn /Title (" + name +
                    ") /OUT pdfmark end");
    EXPECT_EQ(OutlineOf(doc), (Outline{{"a", "a", 0, 2},
                                       {"a1", "a1", 1, -1},
                                       {"a1x", "a1x", 2, 0},
                                       {"a2", "a2", 1, 0},
                                       {"b", "b", 0, 0},
                                       {"c", "c", 0, 5},
                                       {"c1", "c1", 1, 0}}));
}

TEST(DocumentSpecials, ColourStackHoldsTwoHundredEntries) {
    RecordingDocument doc("colorstack.dvi");
    doc.NewPageWritten(0);
    ASSERT_EQ(doc.GetNPage(), 3);
    std::vector<unsigned int> full(KsDvi::ColorStackSize, kGreen);  // the red pushes after 199 green ones are dropped
    full[0] = kBlack;
    EXPECT_EQ(StacksOf(doc)[1], full);
    EXPECT_EQ(StacksOf(doc)[2], std::vector<unsigned int>{kBlack});  // extra pops leave the bottom
}

// Face records keep the faces the reference device has and substitute the
// others, by the lists the host gives.
TEST(DocumentSpecials, FaceRecordsAskTheReferenceDeviceThenSubstitute) {
    std::vector<std::pair<KsDvi::CDC*, std::string>> asked;
    auto query = [&asked](KsDvi::CDC* device, char const* face) {
        asked.emplace_back(device, face);
        return std::string(face) == "Times" || face[0] == 'L';
    };

    RecordingDocument noDevice("specials.dvi");
    noDevice.SetFaceQuery(query);
    FaceSubstitutions lists;
    lists.lists[1] = {"IPAMin"};
    lists.lists[7] = {"Nanum"};
    lists.defaultFace = "Fallback Face";
    noDevice.SetFaceSubstitutions(lists);
    noDevice.NewPageWritten(0);
    EXPECT_TRUE(asked.empty());  // no device to ask
    EXPECT_EQ(FacesOf(noDevice), (Names{"Dotum", "MS PMincho", "Fallback Face"}));

    RecordingDocument doc("specials.dvi");
    doc.SetFaceQuery(query);
    doc.RegisterDevice(FakeDevice(), fpreal4::FromRaw(10000));
    doc.NewPageWritten(0);
    EXPECT_EQ(FacesOf(doc), (Names{"MS Mincho", "Dotum", "Times"}));
    EXPECT_EQ(asked, (std::vector<std::pair<KsDvi::CDC*, std::string>>{
                         {FakeDevice(), "IPAMincho"}, {FakeDevice(), "NanumGothic Bold"}, {FakeDevice(), "Times"}}));

    // Names are cut at 259 bytes before they are looked up.
    doc.Special(std::string("#\0\2\0\0\0\0", 7) + std::string(300, 'L'));
    EXPECT_EQ(FacesOf(doc).back(), std::string(259, 'L'));
}

TEST(DocumentSpecials, ShortBinaryRecordsChangeNothing) {
    RecordingDocument doc;
    doc.Special(std::string("#\0\0\1\x2c", 5));
    ASSERT_EQ(doc.GetRecordResolution(), 300);
    for (std::string const& text : {std::string("#"), std::string("#\0", 2), std::string("#\0\0\1", 4),
                                    std::string("#\0\2\0\0\0", 6), std::string("#\0\1\0\0\0\0Face", 11)})
        doc.Special(text);
    EXPECT_EQ(doc.GetRecordResolution(), 300);
    EXPECT_TRUE(doc.GetFontList().IsEmpty());
    doc.Special(std::string("#\0\2\0\0\0\0", 7));  // an empty name is still a record
    EXPECT_EQ(FacesOf(doc), Names{"Batang"});
}

// The first category, in order, with an entry that is a prefix of the name
// (case matters) gives the face, else the default face. The default lists
// send each family to the face of its own category: no entry may capture
// names meant for a later category.
TEST(FaceSubstitutions, FirstCategoryWithAPrefixWins) {
    FaceSubstitutions host;
    host.lists[0] = {"ipa"};
    host.lists[1] = {"Nothing", "IPAMin"};
    host.lists[6] = {"IPAMincho"};
    host.defaultFace = "Host Default";
    FaceSubstitutions const defaults = FaceSubstitutions::Defaults();
    // Batang is the default face too: for DejaVu Serif and for batang, not
    // listed. The names in bytes are EUC-KR BatangChe and Gulim.
    std::vector<std::tuple<FaceSubstitutions const*, std::string, std::vector<std::string>>> const routes{
        {&host, "Dotum", {"IPAMincho"}},
        {&host, "Host Default", {"BatangChe", "Ipa"}},
        {&defaults,
         "Batang",
         {"BatangChe", "\xB9\xD9\xC5\xC1\xC3\xBC", "Noto Serif CJK KR Bold", "DejaVu Serif", "batang"}},
        {&defaults, "Dotum", {"UnDotum", "NanumGothicCoding"}},
        {&defaults, "Gulim", {"NanumBarunGothic", "\xB1\xBC\xB8\xB2"}},
        {&defaults, "Gungsuh", {"UnGungseo"}},
        {&defaults, "MS Gothic", {"IPAGothic", "Noto Sans Mono CJK JP"}},
        {&defaults, "MS PGothic", {"IPAPGothic", "MS PGothic", "Noto Sans CJK JP"}},
        {&defaults, "MS Mincho", {"IPAMincho"}},
        {&defaults, "MS PMincho", {"IPAPMincho", "Noto Serif CJK JP"}},
    };
    for (auto const& [lists, expected, faces] : routes)
        for (std::string const& face : faces) EXPECT_EQ(lists->Substitute(face), expected) << face;
    EXPECT_EQ(FaceSubstitutions{}.Substitute("BatangChe"), "Batang");  // no lists: everything is the default
}

struct ParseCase {
    std::string text;
    Names anchors;
    Names pictures;
};

void PrintTo(ParseCase const& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class SingleSpecial : public testing::TestWithParam<ParseCase> {};

TEST_P(SingleSpecial, YieldsItsAnchorsAndPictures) {
    ParseCase const& c = GetParam();
    RecordingDocument doc;
    doc.Special(c.text);
    Names anchors;
    for (auto const& [name, page] : TagsOf(doc)) anchors.push_back(name);
    EXPECT_EQ(anchors, c.anchors);
    EXPECT_EQ(doc.pictures, c.pictures);
}

std::vector<ParseCase> ParseCases() {
    using C = ParseCase;
    return {// html: anchors; what is no a element goes on to the later tests whole
            C{"HTML:<A name=\"Q\">", {"Q"}, {}}, C{"html:\t<a\nname\r=\f\"tab and all\"", {"tab and all"}, {}},
            C{"html:<aname=\"r\">", {"r"}, {}}, C{"html:<a name=\"\">", {""}, {}}, C{"html:<a name=r>", {}, {}},
            C{"html:<abbr name=\"s\">", {}, {}}, C{"html:<a name=\"t", {}, {}}, C{"html:a name=\"u\"", {}, {}},
            C{"html:<b=1 psfile=c.eps", {}, {"c.eps"}}, C{"html:x=1 psfile=c.eps", {}, {}},
            // hypertext: anchors
            C{"hypertext:  name = \"q\"", {"q"}, {}}, C{"hypertext: -1 +2 3 4 name=x", {"x"}, {}},
            C{"hypertext: 1 2 3 4 5 name=x", {}, {}}, C{"hypertext: name=\"x", {"\"x"}, {}},
            C{"hypertext: name=\"a b\"", {"\"a"}, {}}, C{std::string("hypertext: name=ab\xA0") + "cd", {"ab"}, {}},
            C{"hypertext: NAME=z", {"z"}, {}}, C{"hypertext: name=", {""}, {}}, C{"hypertext: nam=z", {}, {}},
            C{"hypertext: name z", {}, {}},
            // graphics: pictures
            C{"graphics: 0pt 0pt 1pt 1pt 1pt 1pt EPSfig.eps", {}, {"fig.eps"}},
            C{"graphics:0pt0pt1pt1pt1pt1ptEps x y.eps ", {}, {"x y.eps "}},
            C{"graphics: 0pt 0pt 1pt 1pt 1pt 1pt WMF  \t", {}, {}}, C{"graphics: 0pt 0pt 1pt 1pt 1pt 1pt\tWM", {}, {}},
            C{"graphics: 0pt 0pt 1pt 1pt 1pt 1 pt EPS a.eps", {}, {}}, C{"graphics: 0pt 0pt 1pt 1pt 1pt", {}, {}},
            // key=value pairs
            C{"psfile =a.eps", {}, {"a.eps"}}, C{"psfile= a.eps rwi=100", {}, {"a.eps"}},
            C{"a=1 b=2 PsFile=z.eps", {}, {"z.eps"}}, C{"x psfile=a.eps", {}, {}}, C{"psfile=", {}, {}},
            C{"psfile=\"\"", {}, {""}}, C{"psfile=\"a", {}, {"\"a"}}, C{"psfilex=a.eps", {}, {}}, C{"", {}, {}},
            // graphicx quotes names, blanks and all, as dvips reads them
            C{"PSfile=\"my figure.eps\" llx=0", {}, {"my figure.eps"}}, C{"psfile=\"a b c", {}, {"\"a b c"}}};
}
INSTANTIATE_TEST_SUITE_P(Keywords, SingleSpecial, testing::ValuesIn(ParseCases()));

using Headers = std::vector<std::tuple<bool, std::string, int>>;  // literal, text, page

Headers HeadersOf(KsDvi const& dvi) {
    Headers headers;
    for (KsDvi::PostScriptHeader const& h : dvi.GetPostScriptHeaders()) headers.emplace_back(h.literal, h.text, h.page);
    return headers;
}

// dvips' prologue: ! and header= specials of any page, and the page
// PostScript that defines in global VM (as pgf's patterns do), which the
// pages after its own see; nothing else of the pages.
TEST(DocumentSpecials, PrologueHoldsHeadersAndGlobalDefinitions) {
    RecordingDocument doc;
    for (char const* special :
         {"!/a 1 def", "header=x.pro", "ps: save true setglobal globaldict begin /p 1 def end restore",
          "ps: 1 0 0 setrgbcolor", "ps:: true\tsetglobal", "ps:: false setglobal", "ps::[begin] truesetglobal",
          "\" true setglobal", "ps: plotfile true setglobal"})
        doc.Special(special);
    EXPECT_EQ(HeadersOf(doc), (Headers{{true, "/a 1 def", -1},
                                       {false, "x.pro", -1},
                                       {true, " save true setglobal globaldict begin /p 1 def end restore", 0},
                                       {true, " true\tsetglobal", 0},
                                       {true, " true setglobal", 0}}));
    EXPECT_FALSE(doc.IsPostScriptHeadersCut());
}

// A bop-hook or eop-hook of the ! specials paints every page (draftcopy);
// preview's move the page to its box, which needs no interpreter. Hooks are
// the document's once the page that defines them is whole: not while TeX is
// still writing it, nor in a file cut inside it.
TEST(DocumentSpecials, PageHooksOfTheDocumentButNotOfPreview) {
    DviBuilder page;
    for (char const* special :
         {"!userdict begin/preview-bop-level 0 def/bop-hook{/preview-bop-level dup load dup 0 le{/isls false def}if 1 "
          "add store}bind def/eop-hook{/preview-bop-level dup load dup 0 gt{1 sub}if store}bind def end",
          "!userdict begin/bop-hook{7{currentfile token not{stop}if 65781.76 div DVImag mul}repeat 72 add}def end",
          "ps: /eop-hook { } def"})  // a page's own PostScript: not the prologue
        page.Special(special);
    EXPECT_FALSE(ScratchDocument(OnePage(page)).dvi.HasPageHooks());

    page.Special("!userdict begin /eop-hook { 0 0 moveto (DRAFT) show } def end");
    DviBuilder plainThenHooks;
    plainThenHooks.Pre().Bop(1).Eop().Bop(2);
    plainThenHooks.bytes.insert(plainThenHooks.bytes.end(), page.bytes.begin(), page.bytes.end());
    ScratchDocument cut(plainThenHooks.bytes);
    ASSERT_EQ(cut.dvi.GetNPage(), 1);
    EXPECT_FALSE(cut.dvi.HasPageHooks());
    EXPECT_FALSE(cut.dvi.PageHasPostScript(0));

    ScratchDocument whole(plainThenHooks.Eop().Post().bytes);
    ASSERT_EQ(whole.dvi.GetMode(), KsDvi::Complete);
    EXPECT_TRUE(whole.dvi.HasPageHooks());
    EXPECT_TRUE(whole.dvi.PageHasPostScript(0));  // the page before the hooks too
    whole.dvi.RenewDvi();
    EXPECT_FALSE(whole.dvi.HasPageHooks());
}

// The prologue is bounded: a piece that does not fit is left out, and so is
// every one after it, so that what is kept is what dvips' prologue begins with.
TEST(DocumentSpecials, PrologueStopsAtItsBound) {
    RecordingDocument doc;
    std::string const third(KsDvi::MostPostScriptHeaderBytes / 3, '%');
    for (int i = 0; i < 3; ++i) doc.Special("!" + third);
    EXPECT_FALSE(doc.IsPostScriptHeadersCut());
    doc.Special("!" + third);
    doc.Special("!/small 1 def");
    EXPECT_TRUE(doc.IsPostScriptHeadersCut());
    EXPECT_EQ(HeadersOf(doc).size(), 3u);
    doc.RenewDvi();
    EXPECT_FALSE(doc.IsPostScriptHeadersCut());
    EXPECT_TRUE(HeadersOf(doc).empty());
}

// Every special of the TeX document and of the cases above, cut at every
// length, in a block that ends with its NUL: nothing is read past it (the
// sanitizer build checks) and every name comes from inside the special.
TEST(DocumentSpecials, NoSpecialReadsPastItsBytes) {
    RecordingDocument scanned("specials.dvi");
    scanned.NewPageWritten(0);
    Names texts = scanned.specials;
    ASSERT_EQ(texts.size(), 37u);
    for (ParseCase const& c : ParseCases()) texts.push_back(c.text);

    for (std::string const& text : texts) {
        for (size_t cut = 0; cut <= text.size(); ++cut) {
            std::string prefix = text.substr(0, cut);
            RecordingDocument doc;
            doc.SetFaceQuery([](KsDvi::CDC*, char const*) { return true; });  // keep face names as read
            doc.RegisterDevice(FakeDevice(), fpreal4::FromRaw(10000));
            doc.Special(prefix);
            Names names = FacesOf(doc);
            names.insert(names.end(), doc.pictures.begin(), doc.pictures.end());
            for (auto const& [name, page] : TagsOf(doc)) names.push_back(name);
            for (std::string const& name : names)
                EXPECT_NE(prefix.find(name), std::string::npos) << name << " from " << prefix;
        }
    }
}

}  // namespace

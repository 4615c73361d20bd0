// The drawer's special parsing on single specials, each handed over in a heap
// block of exactly its length with no NUL after it, as specials lie in a page:
// AddressSanitizer reports any read past the end. The drawer stands at the
// DVI origin of an empty page, at 72 dpi with the origin at (72, 72).

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "render/RenderedPage.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"

namespace ksdvi::test {
namespace {

class SpecialDrawer : public KsDviDrawer {
public:
    SpecialDrawer() : doc_(DviBuilder().Pre().Page().Post().bytes), canvas_(64, 64, 72) {
        Open(canvas_.dc, doc_.dvi, 0, fpreal4::FromDouble(1.0), 72, 72, kLinkBlue, String8("here"));
    }
    ~SpecialDrawer() override { Close(); }

    void Special(std::string const& text) {
        auto block = std::make_unique<unsigned char[]>(text.size());
        std::memcpy(block.get(), text.data(), text.size());
        DoSpecial(static_cast<unsigned>(text.size()), InstPtr(block.get()));
    }
    std::vector<HyLinkInfo const*> Links() const { return {GetHyLinkList().begin(), GetHyLinkList().end()}; }

private:
    ScratchDocument doc_;
    Canvas canvas_;
};

struct LinkCase {
    std::string special;
    int links;  // 0 or 1
    std::string href, target;
};

void PrintTo(LinkCase const& c, std::ostream* os) { *os << c.special; }

class LinkSpecial : public testing::TestWithParam<LinkCase> {};

TEST_P(LinkSpecial, MakesALinkOrNone) {
    LinkCase const& c = GetParam();
    SpecialDrawer drawer;
    drawer.Special(c.special);
    auto links = drawer.Links();
    ASSERT_EQ(static_cast<int>(links.size()), c.links);
    if (links.empty()) return;
    EXPECT_EQ(std::string(links[0]->href.view()), c.href);
    EXPECT_EQ(std::string(links[0]->target.view()), c.target);
}

std::vector<LinkCase> HtmlCases() {
    return {
        {"HTML:  <A HREF = \"x y\">", 1, "x y", "_self"},
        {"html:<a href=\"x\" target=\"y", 1, "x", "y"},  // an open target runs to the end
        {"html:<a href=\"x\"target=\"y\"", 1, "x", "y"},
        {"html:<a href=\"\">", 1, "", "_self"},
        {"html:<a href=x>", 0, "", ""},
        {"html:<a href \"x\">", 0, "", ""},
        {"html:<a href=\"x", 0, "", ""},
        {"html:<a target=\"y\" href=\"x\">", 0, "", ""},
        {"html:<a href=\"x\" target=y>", 0, "", ""},
        {"html:a href=\"x\"", 0, "", ""},
        {"html:<b href=\"x\">", 0, "", ""},
    };
}
INSTANTIATE_TEST_SUITE_P(Html, LinkSpecial, testing::ValuesIn(HtmlCases()));

std::vector<LinkCase> HypertextCases() {
    return {
        {"hypertext: 1 2 3 4 ref=\"q\"", 1, "q", "_self"},
        {"HYPERTEXT:-1 +2 3 4 REF=q TARGET=t", 1, "q", "t"},
        {"hypertext: 1 2 3 4 ref=q target=\"\"", 0, "", ""},
        {"hypertext: 1 2 3 4 ref=", 0, "", ""},
        {"hypertext: 1 2 3 4 ref= q", 0, "", ""},
        {"hypertext: 1 2 3 ref=q", 0, "", ""},
        {"hypertext: 1 2 3 4 ref q", 0, "", ""},
        {"hypertext: 1 2 3 4 name=q", 0, "", ""},
    };
}
INSTANTIATE_TEST_SUITE_P(Hypertext, LinkSpecial, testing::ValuesIn(HypertextCases()));

TEST(DrawerSpecials, ColourStackHoldsTwoHundredEntriesAndKeepsItsBottom) {
    SpecialDrawer drawer;
    for (int i = 0; i < 199; ++i) drawer.Special("colorpush: 0 1 0");
    drawer.Special("colorpush: 1 0 0");  // the stack is full: the colour changes, the entry is dropped
    EXPECT_EQ(drawer.GetCurColor(), RGB(255, 0, 0));
    drawer.Special("colorpop:");
    EXPECT_EQ(drawer.GetCurColor(), RGB(0, 255, 0));
    for (int i = 0; i < 300; ++i) drawer.Special("colorpop:");
    EXPECT_EQ(drawer.GetCurColor(), RGB(0, 0, 0));
}

struct ColourCase {
    std::vector<std::string> specials;
    COLORREF color;
};

void PrintTo(ColourCase const& c, std::ostream* os) {
    for (std::string const& s : c.specials) *os << s << "; ";
}

class ColourSpecials : public testing::TestWithParam<ColourCase> {};

TEST_P(ColourSpecials, LeaveTheCurrentColour) {
    SpecialDrawer drawer;
    for (std::string const& s : GetParam().specials) drawer.Special(s);
    EXPECT_EQ(drawer.GetCurColor(), GetParam().color);
}

std::vector<ColourCase> ColourCases() {
    return {
        {{"color: 1 0"}, 0},
        {{"color: 0 0 1 \t "}, RGB(0, 0, 255)},
        {{"color: 1 0 0", "colorpush: 0 1 0", "colorpop:"}, 0},  // color: leaves the stack alone
        // dvips: "color" replaces the stack, pops stop at its bottom
        {{"color push rgb 1 0 0", "color push Blue", "color pop"}, RGB(255, 0, 0)},
        {{"color push rgb 1 0 0", "color cmyk 0 0 1 0", "color pop"}, RGB(255, 255, 0)},
        {{"color push gray 0.5", "color push rgb 1 0"}, RGB(128, 128, 128)},
        {{"color push Red", "Color push Blue"}, RGB(255, 0, 0)},
        {{"background rgb 1 0 0"}, 0},
    };
}
INSTANTIATE_TEST_SUITE_P(All, ColourSpecials, testing::ValuesIn(ColourCases()));

// Every special of the test documents and of the cases above, cut at every
// length: whatever the drawer records names text from inside the special.
TEST(DrawerSpecials, NoSpecialReadsPastItsBytes) {
    std::vector<std::string> texts;
    for (char const* file : {"graphics.dvi", "links.dvi", "hyperref.dvi", "dvipscolor.dvi", "specials.dvi"}) {
        KsDvi dvi;
        dvi.Open(String8(DataFile(file).c_str()), {}, {});
        dvi.NewPageWritten(0);
        for (int page = 0; page < dvi.GetNPage(); ++page)
            for (Call const& call : RecordingDrawer(dvi, page).calls)
                if (call.kind == "special") texts.push_back(call.text);
    }
    for (auto const& cases : {HtmlCases(), HypertextCases()})
        for (LinkCase const& c : cases) texts.push_back(c.special);
    for (ColourCase const& c : ColourCases()) texts.insert(texts.end(), c.specials.begin(), c.specials.end());
    for (char const* extra : {"html:<a name=\"here\">", "hypertext: 1 2 3 4 name=here", "ps::[begin] 1 2 3 4 5 6",
                              "ps: plotfile x.eps", "psfile=\"a b.eps\" llx=1 lly=2 urx=3 ury=4 rwi=5"})
        texts.emplace_back(extra);
    ASSERT_GT(texts.size(), 100u);

    SpecialDrawer drawer;
    for (std::string const& text : texts) {
        for (size_t cut = 0; cut <= text.size(); ++cut) {
            std::string prefix = text.substr(0, cut);
            size_t links = drawer.Links().size(), pictures = static_cast<size_t>(drawer.GetPictList().GetCount());
            KsDviDrawer::PictInfo const *mask = drawer.GetMask(), *watermark = drawer.GetWaterMark();
            drawer.Special(prefix);
            std::vector<String8> names;
            auto all = drawer.Links();
            for (size_t i = links; i < all.size(); ++i) {
                names.push_back(all[i]->href);
                if (all[i]->target.view() != "_self") names.push_back(all[i]->target);
            }
            size_t index = 0;
            for (KsDviDrawer::PictInfo const* p : drawer.GetPictList())
                if (index++ >= pictures) names.push_back(p->fileName);
            if (drawer.GetMask() && drawer.GetMask() != mask) names.push_back(drawer.GetMask()->fileName);
            if (drawer.GetWaterMark() != watermark) names.push_back(drawer.GetWaterMark()->fileName);
            for (String8 const& name : names)
                EXPECT_NE(prefix.find(name.view()), std::string::npos) << name.c_str() << " from " << prefix;
        }
    }
}

}  // namespace
}  // namespace ksdvi::test

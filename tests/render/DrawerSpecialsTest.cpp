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
    // The href and the target of each link from the `from`th on.
    std::vector<std::string> Links(size_t from = 0) const {
        std::vector<std::string> out;
        size_t index = 0;
        for (HyLinkInfo const* link : GetHyLinkList())
            if (index++ >= from)
                out.insert(out.end(), {std::string(link->href.view()), std::string(link->target.view())});
        return out;
    }

private:
    ScratchDocument doc_;
    Canvas canvas_;
};

// Specials in order, and the drawer's current colour and links after them.
struct SpecialCase {
    std::vector<std::string> specials;
    COLORREF color;
    std::vector<std::string> link;  // href and target; none for no link
};

std::vector<SpecialCase> SpecialCases() {
    using C = SpecialCase;
    return {// html: (an open target runs to the end of the special)
            C{{"HTML:  <A HREF = \"x y\">"}, 0, {"x y", "_self"}}, C{{"html:<a href=\"x\" target=\"y"}, 0, {"x", "y"}},
            C{{"html:<a href=\"x\"target=\"y\""}, 0, {"x", "y"}}, C{{"html:<a href=\"\">"}, 0, {"", "_self"}},
            C{{"html:<a href=x>"}, 0, {}}, C{{"html:<a href \"x\">"}, 0, {}}, C{{"html:<a href=\"x"}, 0, {}},
            C{{"html:<a target=\"y\" href=\"x\">"}, 0, {}}, C{{"html:<a href=\"x\" target=y>"}, 0, {}},
            C{{"html:a href=\"x\""}, 0, {}}, C{{"html:<b href=\"x\">"}, 0, {}},
            // hypertext:
            C{{"hypertext: 1 2 3 4 ref=\"q\""}, 0, {"q", "_self"}},
            C{{"HYPERTEXT:-1 +2 3 4 REF=q TARGET=t"}, 0, {"q", "t"}},
            C{{"hypertext: 1 2 3 4 ref=q target=\"\""}, 0, {}}, C{{"hypertext: 1 2 3 4 ref="}, 0, {}},
            C{{"hypertext: 1 2 3 4 ref= q"}, 0, {}}, C{{"hypertext: 1 2 3 ref=q"}, 0, {}},
            C{{"hypertext: 1 2 3 4 ref q"}, 0, {}}, C{{"hypertext: 1 2 3 4 name=q"}, 0, {}},
            // color: leaves the stack alone; dvips' "color" replaces it, and pops stop at its bottom
            C{{"color: 1 0"}, 0, {}}, C{{"color: 0 0 1 \t "}, RGB(0, 0, 255), {}},
            C{{"color: 1 0 0", "colorpush: 0 1 0", "colorpop:"}, 0, {}},
            C{{"color push rgb 1 0 0", "color push Blue", "color pop"}, RGB(255, 0, 0), {}},
            C{{"color push rgb 1 0 0", "color cmyk 0 0 1 0", "color pop"}, RGB(255, 242, 0), {}},
            C{{"color push gray 0.5", "color push rgb 1 0"}, RGB(128, 128, 128), {}},
            C{{"color push Red", "Color push Blue"}, RGB(238, 28, 36), {}}, C{{"background rgb 1 0 0"}, 0, {}}};
}

TEST(DrawerSpecials, ColoursAndLinksOrNone) {
    for (SpecialCase const& c : SpecialCases()) {
        SpecialDrawer drawer;
        for (std::string const& s : c.specials) drawer.Special(s);
        EXPECT_EQ(drawer.GetCurColor(), c.color) << testing::PrintToString(c.specials);
        EXPECT_EQ(drawer.Links(), c.link) << testing::PrintToString(c.specials);
    }
}

TEST(DrawerSpecials, ColourStackHoldsTwoHundredEntriesAndKeepsItsBottom) {
    SpecialDrawer drawer;
    for (int i = 0; i < 199; ++i) drawer.Special("colorpush: 0 1 0");
    drawer.Special("colorpush: 1 0 0");  // the stack is full: the colour changes, the entry is dropped
    EXPECT_EQ(drawer.GetCurColor(), RGB(255, 0, 0));
    for (int i = 0; i < 198; ++i) drawer.Special("colorpop:");
    EXPECT_EQ(drawer.GetCurColor(), RGB(0, 255, 0));  // the first green entry
    drawer.Special("colorpop:");
    EXPECT_EQ(drawer.GetCurColor(), RGB(0, 0, 0));  // the bottom: 200 entries in all
    for (int i = 0; i < 300; ++i) drawer.Special("colorpop:");
    EXPECT_EQ(drawer.GetCurColor(), RGB(0, 0, 0));
}

// Every special of the test documents and of the cases above, cut at every
// length: whatever the drawer records names text from inside the special.
TEST(DrawerSpecials, NoSpecialReadsPastItsBytes) {
    std::vector<std::string> texts;
    for (char const* file : {"graphics.dvi", "links.dvi", "hyperref-hypertex.dvi", "hyperref-dvips.dvi",
                             "dvipscolor.dvi", "specials.dvi"}) {
        KsDvi dvi;
        dvi.Open(String8(DataFile(file).c_str()), {}, {});
        dvi.NewPageWritten(0);
        for (int page = 0; page < dvi.GetNPage(); ++page)
            for (Call const& call : RecordingDrawer(dvi, page).calls)
                if (call.kind == "special") texts.push_back(call.text);
    }
    for (SpecialCase const& c : SpecialCases()) texts.insert(texts.end(), c.specials.begin(), c.specials.end());
    for (char const* extra :
         {"html:<a name=\"here\">", "hypertext: 1 2 3 4 name=here", "ps::[begin] 1 2 3 4 5 6", "ps: plotfile x.eps",
          "psfile=\"a b.eps\" llx=1 lly=2 urx=3 ury=4 rwi=5",
          "pdf:ann width 10pt height 5pt <</Subtype/Link/A<</S/URI/URI(http://x.org/)>>>>",
          "pdf:annot @a bbox 0 0 72 36 <</Subtype/Link/Dest(e)>>", "pdf:bann<</Subtype/Link/Dest(d)>>", "pdf:eann",
          "pdf:dest (here) [@thispage /Fit]", "pdf:outline [-] 1 <</Title(t)/Dest(here)>>"})
        texts.emplace_back(extra);
    ASSERT_GT(texts.size(), 100u);

    SpecialDrawer drawer;
    for (std::string const& text : texts) {
        for (size_t cut = 0; cut <= text.size(); ++cut) {
            std::string prefix = text.substr(0, cut);
            size_t links = drawer.GetHyLinkList().GetCount(), pictures = drawer.GetPictList().GetCount();
            KsDviDrawer::PictInfo const *mask = drawer.GetMask(), *watermark = drawer.GetWaterMark();
            drawer.Special(prefix);
            std::vector<std::string> names = drawer.Links(links);
            size_t index = 0;
            for (KsDviDrawer::PictInfo const* p : drawer.GetPictList())
                if (index++ >= pictures) names.emplace_back(p->fileName.view());
            if (drawer.GetMask() && drawer.GetMask() != mask) names.emplace_back(drawer.GetMask()->fileName.view());
            if (drawer.GetWaterMark() != watermark) names.emplace_back(drawer.GetWaterMark()->fileName.view());
            std::erase(names, "_self");  // the target of a link that names none
            for (std::string name : names) {
                if (name.starts_with('#')) name.erase(0, 1);  // a pdfmark's /Dest (name) links to #name
                EXPECT_NE(prefix.find(name), std::string::npos) << name << " from " << prefix;
            }
        }
    }
}

}  // namespace
}  // namespace ksdvi::test

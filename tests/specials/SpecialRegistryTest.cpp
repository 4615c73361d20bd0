// Which handler each special reaches and what it asks of the document and
// of the page.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "specials/DvipsColour.h"
#include "specials/HyperlinkSpecials.h"
#include "specials/PdfSpecials.h"
#include "specials/PdfmarkSpecials.h"
#include "specials/PictureSpecials.h"
#include "specials/SpecialPage.h"
#include "specials/SpecialRegistry.h"
#include "specials/SpecialScan.h"
#include "support/ExactBytes.h"

using namespace ksdvi;

namespace {

using Log = std::vector<std::string>;

std::string Hex(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(colour));
    return text;
}

class RecordingPage final : public SpecialPage {
public:
    Log log;
    void SetColour(std::uint32_t colour) override { log.push_back("colour " + Hex(colour)); }
    void SetPenWidth(int width) override { log.push_back("pen " + std::to_string(width)); }
    void DrawShape(SpecialShape const& shape) override {
        static char const* const kinds[] = {"line", "arc", "box", "ellipse"};
        std::string entry = std::string("shape ") + kinds[static_cast<int>(shape.kind)];
        for (int d : shape.d) entry.append(" ").append(std::to_string(d));
        if (shape.fill) entry += " fill " + Hex(*shape.fill);
        log.push_back(entry);
    }
    void Html(HtmlSpecial const& html) override {
        log.push_back("html " + std::to_string(static_cast<int>(html.kind)) + " " + html.href.c_str());
    }
    void Hypertext(HypertextSpecial const& area) override {
        log.push_back("hypertext " + std::string(area.value.c_str()));
    }
    void Pdfmark(PdfmarkSpecial const& mark) override {
        log.push_back("pdfmark " + std::to_string(static_cast<int>(mark.kind)));
    }
    void Pdf(PdfSpecial const& special) override { log.push_back("pdf " + special.keyword + " " + special.target); }
    void PdfContent(std::string_view keyword, std::string_view) override {
        log.push_back("pdf content " + std::string(keyword));
    }
    void GraphicsPicture(GraphicsSpecial const& graphics) override {
        log.push_back("graphics " + std::string(graphics.file.c_str()));
    }
    void PlotfilePicture(std::string_view file, PlotFrame const& f) override {
        log.push_back("plotfile " + std::string(file) + " " + std::to_string(f.width) + " " + std::to_string(f.height) +
                      " " + std::to_string(f.llx) + " " + std::to_string(f.lly) + " " + std::to_string(f.urx) + " " +
                      std::to_string(f.ury));
    }
    void PsfilePicture(PsfileSpecial const& psfile) override {
        log.push_back("psfile " + std::string(psfile.file->c_str()));
    }
    void RecordPicture(unsigned char* args, unsigned char* end) override {
        log.push_back("record " + std::to_string(end - args));
    }
};

class RecordingScan final : public SpecialScan {
public:
    Log log;
    void ChangeColour(DvipsColorChange const& change) override {
        using Action = DvipsColorChange::Action;
        log.push_back(change.action == Action::Pop ? "pop"
                      : change.keep
                          ? "change " + std::to_string(static_cast<int>(change.action)) + " keep"
                          : "change " + std::to_string(static_cast<int>(change.action)) + " " + Hex(change.color));
    }
    void SetBackground(std::uint32_t colour) override { log.push_back("background " + Hex(colour)); }
    void AddAnchor(String8 const& name) override { log.push_back("anchor " + std::string(name.c_str())); }
    void SetPaper(std::string_view words) override { log.push_back("paper " + std::string(words)); }
    void SetLandscape() override { log.push_back("landscape"); }
    void SetPageRotation(int degrees) override { log.push_back("rotate " + std::to_string(degrees)); }
    void NotePicture(std::string_view file, int type) override {
        log.push_back("picture " + std::string(file) + " " + std::to_string(type));
    }
    void AddPictureFile(String8 const& file) override { log.push_back("file " + std::string(file.c_str())); }
    void SetRecordResolution(unsigned short resolution) override {
        log.push_back("resolution " + std::to_string(resolution));
    }
    void RegisterFace(String8 const& face) override { log.push_back("face " + std::string(face.c_str())); }
    void NoteEngineSpecial(std::string kind) override { log.push_back("engine " + kind); }
    void NotePdfSpecial() override {}
    void NotePathDrawing() override { log.push_back("paths"); }
    void NotePdfDrawing(std::string_view keyword, std::string_view) override {
        log.push_back("drawing " + std::string(keyword));
    }
    void AddBookmark(String8 const& title, String8 const& target, int level, bool open) override {
        log.push_back("bookmark " + std::string(title.c_str()) + " " + target.c_str() + " " + std::to_string(level) +
                      (open ? " open" : " closed"));
    }
    void BeginLinkArea(std::string const& target, LinkBorder const&) override { log.push_back("area " + target); }
    void EndLinkArea() override { log.push_back("area end"); }
    void AddFontMapLine(std::string_view line) override { log.push_back("mapline " + std::string(line)); }
    void SetBookmarkCMap(std::string_view cmap) override { cmap_ = cmap; }
    std::string BookmarkCMap() const override { return cmap_; }
    std::string cmap_;
    void AddDocumentInfo(DocumentInfo const& info) override {
        log.push_back("info " + info.title + "|" + info.author + "|" + info.subject + "|" + info.keywords + "|" +
                      info.creator);
    }
};

constexpr int kPt = 65536;

struct PageCase {
    char const* what;
    std::vector<std::string> specials;
    bool invisible;
    Log expected;
};

TEST(SpecialRegistry, PagePassReachesTheRightHandler) {
    std::string const pt = std::to_string(kPt), twoPt = std::to_string(2 * kPt);
    PageCase const cases[] = {
        {"the stack keeps its bottom entry and drops pushes past 200",
         {"colorpush: 1 0 0", "colorpush: 0 1 0", "colorpop:", "colorpop:", "colorpop:"},
         false,
         {"colour 0000ff", "colour 00ff00", "colour 0000ff"}},
        {"dvips' words share the stack; a pop of the last entry is ignored",
         {"color push rgb 0 0 1", "color pop", "color rgb 0 1 0"},
         false,
         {"colour ff0000", "colour 00ff00"}},
        {"color: changes the colour only when nothing follows it",
         {"color: 1 1 0", "color: 1 1 0 x"},
         false,
         {"colour 00ffff"}},
        {"shapes in DVI units; anything after the values ignores them",
         {"width: 2pt", "line: 1pt 0pt 1pt 2pt", "line: 1pt 0pt 1pt 2pt z", "boxfill: 0pt 0pt 1pt 1pt 0pt 0pt 1 0 0",
          "ellipsefill: 0pt 0pt 2pt 1pt 0 0 1"},
         false,
         {"pen " + twoPt, "shape line " + pt + " 0 " + pt + " " + twoPt + " 0 0 0 0",
          "shape box 0 0 " + pt + " " + pt + " 0 0 0 0 fill 0000ff",
          "shape ellipse 0 0 " + twoPt + " " + pt + " 0 0 0 0 fill ff0000"}},
        {"ps::[begin] frames the next plotfile",
         {"ps::[begin] 100 200 1 2 30 40", "ps: plotfile fig.eps", "ps::[begin] 1 2", "ps: plotfile b.eps"},
         false,
         {"plotfile fig.eps 100 200 1 2 30 40", "plotfile b.eps 100 200 1 2 30 40"}},
        {"what no keyword takes is read as psfile pairs; paper and background paint nothing",
         {"psfile=fig.eps hscale=50", "backgroundcolor: 1 0 0", "papersize=10in,5in", "unknown: psfile=x.eps"},
         false,
         {"psfile fig.eps"}},
        {"links, anchors and records",
         {"html:<a href=\"#x\">", "html:</a>", "hypertext: 1 2 3 4 name=a", std::string("#\0\x13\x01z", 5),
          "src:12 paper.tex"},
         false,
         {"html 2 #x", "html 4 ", "hypertext a", "record 4"}},
        {"xdvipdfmx's areas and anchors reach the page; its bookmarks and the rest do not",
         {"pdf:bann<</Subtype/Link/A<</S/URI/URI(http://x.org/)>>>>", "pdf:nolink", "pdf:link", "pdf:eann",
          "pdf:dest (d) [@thispage /Fit]", "pdf:out 1 << /Title (t) /Dest (d) >>", "pdf:docview << >>", "pdf:dest"},
         false,
         {"pdf bann http://x.org/", "pdf nolink ", "pdf link ", "pdf eann ", "pdf dest d"}},
        {"dvipdfmx's bcolor sets the text's colour on the same stack, CMYK and grey too",
         {"pdf:bcolor [1 0 0] [0 0 1]", "pdf:bc [0 1 0 0]", "pdf:ec", "pdf: bcolor [0.5]", "pdf:ecolor", "pdf:ecolor",
          "pdf:ecolor", "pdf:bcolor (red)"},
         false,
         {"colour 0000ff", "pdf content bcolor", "colour 8c00ed", "pdf content bc", "colour 0000ff", "pdf content ec",
          "colour 808080", "pdf content bcolor", "colour 0000ff", "pdf content ecolor", "pdf content ecolor",
          "pdf content ecolor", "colour 0000ff", "pdf content bcolor"}},
        {"under the null device only what carries state passes",
         {"line: 0pt 0pt 1pt 1pt", "colorpush: 1 0 0", "graphics: 0pt 0pt 1pt 1pt 1pt 1pt EPS a.eps", "psfile=a.eps",
          "width: 1pt", "html:</a>"},
         true,
         {"colour 0000ff", "pen " + pt, "html 4 "}},
    };
    KsDvi empty;
    for (PageCase const& c : cases) {
        SpecialRegistry registry;
        registry.BeginPage(empty, 0);
        RecordingPage page;
        for (std::string const& special : c.specials) {
            ExactBytes bytes(special);
            registry.Paint(page, bytes.Get(), special.size(), c.invisible);
        }
        EXPECT_EQ(page.log, c.expected) << c.what;
    }
}

TEST(SpecialRegistry, NextPageForgetsThePlotfileFrame) {
    SpecialRegistry registry;
    KsDvi empty;
    RecordingPage page;
    ExactBytes frame("ps::[begin] 100 200 1 2 30 40"), plot("ps: plotfile a.eps");
    registry.Paint(page, frame.Get(), frame.Length(), false);
    registry.BeginPage(empty, 1);
    registry.Paint(page, plot.Get(), plot.Length(), false);
    EXPECT_EQ(page.log, Log{"plotfile a.eps 4718592 4718592 0 0 4718592 4718592"});
}

TEST(SpecialRegistry, DocumentPassRecordsWhatTheDocumentKeeps) {
    struct Case {
        std::string special;
        Log expected;
    };
    Case const cases[] = {
        {"colorpush: 1 0 0", {"change 0 0000ff"}},
        {"colorpop:", {"pop"}},
        {"color: 1 0 0", {}},  // a page's own change
        {"color push rgb 0 0 1", {"change 0 ff0000"}},
        {"backgroundcolor: 0 1 0", {"background 00ff00"}},
        {"background rgb 1 0 0", {"background 0000ff"}},
        {"html:<a name=\"n\">", {"anchor n"}},
        {"html:<a href=\"x\">", {}},
        {"hypertext: 1 2 3 4 name=m", {"anchor m"}},
        {"papersize=10in,5in", {"paper 10in,5in"}},
        {"landscape", {"landscape"}},
        {"landscape ", {"landscape"}},
        {"landscapes", {}},
        {"psfile=a.eps hscale=50", {"picture a.eps 1", "file a.eps"}},
        {"psfile=b.eps", {"picture b.eps 1", "file b.eps"}},
        {"line: 0pt 0pt 1pt 1pt", {}},
        {"src:12 paper.tex", {}},
        {"pdf:pagesize width 10in height 5in", {"paper 10in,5in"}},
        {"pdf:pagesize default", {}},
        {"pdf: put @thispage <</Rotate 90>>", {"rotate 90", "drawing put"}},
        {"pdf:put @thispage << /Rotate -90 /Foo 1 >>", {"rotate 270", "drawing put"}},
        {"pdf:put @thispage <</Rotate 45>>", {"drawing put"}},
        {"pdf:put @resources <</Rotate 90>>", {"drawing put"}},
        {"pdf:bcolor [0 0 1] [1 0 0]", {"change 0 ff0000", "drawing bcolor"}},
        {"pdf:bc [0 0 0 1]", {"change 0 201f22", "drawing bc"}},
        {"pdf:bcolor [1 2]", {"change 0 keep", "drawing bcolor"}},  // dvipdfmx keeps the colour in force
        {"pdf:scolor [0 0 1]", {"change 3 ff0000", "drawing scolor"}},
        {"pdf:ecolor", {"pop", "drawing ecolor"}},
        {"pdf:bann << /Subtype /Link /A << /S /GoTo /D (s) >> >>", {"area #s"}},
        {"pdf:eann", {"area end"}},
        {"pdf: dest (a.1) [@thispage /XYZ @xpos @ypos null]", {"anchor a.1"}},
        {"pdf:outline [] 2 << /Title (T) /Dest (a.1) >>", {"bookmark T a.1 2 open"}},
        {"pdf:ann width 1pt height 1pt << /Subtype /Link /Dest (x) >>", {}},
        {"pdf:docinfo << /Title (x) /Author <FEFF00E9> /Keywords (a, b) /Producer (p) >>", {"info x|é||a, b|"}},
        {"pdf:docinfo (not a dictionary)", {}},
        {"pdf:docview << /PageMode /UseOutlines >>", {}},
        {"pdf:minorversion 5", {}},
        {"pdf:bop pdf:code 0 g", {"engine pdf:bop"}},
        {"pdf:bann (broken", {}},
        {std::string("#\0\0\x01\x2c", 5), {"resolution 300"}},
        {std::string("#\0\x02\0\0\0\0Batang\0", 14), {"face Batang"}},
        {std::string("#\0", 2), {}},
    };
    for (Case const& c : cases) {
        SpecialRegistry registry;
        RecordingScan scan;
        ExactBytes bytes(c.special);
        registry.Scan(scan, bytes.Get(), c.special.size());
        EXPECT_EQ(scan.log, c.expected) << c.special;
    }
}

// pLaTeX's bookmarks (pxjahyper) are EUC-JP or Shift_JIS strings after
// pdf:tounicode names the CMap dvipdfmx reads them through; UTF-16 ones
// stay UTF-16, and without the special the bytes are PDFDocEncoding.
TEST(SpecialRegistry, BookmarksReadThroughTheCMapTheDocumentNames) {
    std::string const euc = "pdf:outline 1 << /Title (\xA4\xCF\xA4\xB8) /Dest (a) >>";
    struct Case {
        std::vector<std::string> specials;
        std::string expected;  // the last bookmark
    } const cases[] = {
        {{"pdf:tounicode EUC-UCS2", euc}, "bookmark \xE3\x81\xAF\xE3\x81\x98 a 1 closed"},
        {{"pdf:tounicode 90ms-RKSJ-UCS2", "pdf:outline 1 << /Title (\x82\xCD\x82\xB6) /Dest (a) >>"},
         "bookmark \xE3\x81\xAF\xE3\x81\x98 a 1 closed"},
        {{"pdf:tounicode EUC-UCS2", "pdf:outline 1 << /Title <FEFF00E9> /Dest (a) >>"}, "bookmark \xC3\xA9 a 1 closed"},
        {{euc}, "bookmark \xC2\xA4\xC3\x8F\xC2\xA4\xC2\xB8 a 1 closed"},
        {{"pdf:tounicode Unknown-CMap", euc}, "bookmark \xC2\xA4\xC3\x8F\xC2\xA4\xC2\xB8 a 1 closed"},
    };
    for (Case const& c : cases) {
        SpecialRegistry registry;
        RecordingScan scan;
        for (std::string const& special : c.specials) {
            ExactBytes bytes(special);
            registry.Scan(scan, bytes.Get(), special.size());
        }
        ASSERT_FALSE(scan.log.empty());
        EXPECT_EQ(scan.log.back(), c.expected) << c.specials.front();
    }
}

}  // namespace

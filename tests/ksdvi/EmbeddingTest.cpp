// The embedding interface as a program uses it. <glib.h> comes first: its
// TRUE, FALSE and MIN must not meet anything of ksdvi's headers. Pages are
// drawn onto the program's own Cairo surfaces and must show the pixels
// `ksdvi render` writes.
#include <glib.h>
// glib first, on purpose.
#include <ksdvi/Document.h>
#include <ksdvi/PageDrawing.h>

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/GermanLocale.h"
#include "support/GhostscriptHelpers.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

std::unique_ptr<ksdvi::Document> OpenData(std::string const& name) {
    std::string error;
    auto document = ksdvi::Document::Open(DataFile(name), {}, &error);
    EXPECT_TRUE(document) << error;
    return document;
}

// The caller's surface: white, the size of `area` at `ppp` as ksdvi counts
// whole pixels of paper.
Surface Draw(ksdvi::Document& document, int page, double ppp, ksdvi::Rect area, std::string* problem) {
    int const width = int(std::floor(area.width * ppp + 1e-3)), height = int(std::floor(area.height * ppp + 1e-3));
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
    cairo_t* cr = cairo_create(surface.get());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, ppp, ppp);
    cairo_translate(cr, -area.x, -area.y);
    ksdvi::DrawPage(document, page, cr, ppp, area, nullptr, problem);
    cairo_destroy(cr);
    cairo_surface_flush(surface.get());
    return surface;
}

ksdvi::Rect Paper(ksdvi::Document const& document) {
    ksdvi::Point size = document.PageSize(0);
    return {0, 0, size.x, size.y};
}

uint32_t PixelAt(cairo_surface_t* s, int x, int y) {
    auto const* row = cairo_image_surface_get_data(s) + size_t(y) * size_t(cairo_image_surface_get_stride(s));
    return reinterpret_cast<uint32_t const*>(row)[x] & 0xFFFFFF;
}

// Pixels of `part` that differ from those of `whole` from (x, y) on.
long Differences(cairo_surface_t* whole, cairo_surface_t* part, int x, int y) {
    long n = 0;
    for (int row = 0; row < cairo_image_surface_get_height(part); ++row)
        for (int col = 0; col < cairo_image_surface_get_width(part); ++col)
            n += PixelAt(whole, x + col, y + row) != PixelAt(part, col, row);
    return n;
}

long DarkPixels(cairo_surface_t* s) {
    long n = 0;
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x) n += (PixelAt(s, x, y) & 0xFF) < 128;
    return n;
}

struct PageCase {
    char const* file;
    int page;  // 1-based, as the tool counts
    int dpi;
};

class DrawnLikeTheTool : public testing::TestWithParam<PageCase> {};

// Text in Computer Modern and AMS fonts, an EPS figure through Ghostscript,
// and hyperref's link text in blue.
INSTANTIATE_TEST_SUITE_P(Pages, DrawnLikeTheTool,
                         testing::Values(PageCase{"latex.dvi", 1, 150}, PageCase{"latex.dvi", 2, 96},
                                         PageCase{"figures.dvi", 1, 100}, PageCase{"hyperref-dvips.dvi", 2, 72},
                                         PageCase{"postscript.dvi", 1, 96}),
                         [](auto const& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find_first_of(".-")) + "_page" +
                                    std::to_string(info.param.page) + "_" + std::to_string(info.param.dpi) + "dpi";
                         });

Surface ToolPage(TempDir const& dir, PageCase const& c) {
    KsdviOk("render -p " + std::to_string(c.page) + " -r " + std::to_string(c.dpi) + " -o " + (dir / "tool-%d.png") +
            " " + DataFile(c.file));
    Surface tool(cairo_image_surface_create_from_png((dir / ("tool-" + std::to_string(c.page) + ".png")).c_str()),
                 cairo_surface_destroy);
    EXPECT_EQ(cairo_surface_status(tool.get()), CAIRO_STATUS_SUCCESS);
    return tool;
}

void ExpectDrawnLikeTheTool(cairo_surface_t* tool, PageCase const& c) {
    ASSERT_EQ(cairo_surface_status(tool), CAIRO_STATUS_SUCCESS);
    auto document = OpenData(c.file);
    ASSERT_TRUE(document);
    std::string problem;
    Surface ours = Draw(*document, c.page - 1, c.dpi / 72.0, Paper(*document), &problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(cairo_image_surface_get_width(ours.get()), cairo_image_surface_get_width(tool));
    ASSERT_EQ(cairo_image_surface_get_height(ours.get()), cairo_image_surface_get_height(tool));
    EXPECT_GT(DarkPixels(ours.get()), 300);
    EXPECT_EQ(Differences(tool, ours.get(), 0, 0), 0) << c.file;
}

TEST_P(DrawnLikeTheTool, PixelForPixel) {
    TempDir dir;
    Surface const tool = ToolPage(dir, GetParam());
    ExpectDrawnLikeTheTool(tool.get(), GetParam());
}

// A host in a German locale (GTK sets the user's): TikZ and pgfplots through
// PostScript and the slanted Times that psfonts.map's ".167 SlantFont" makes
// are drawn as in C's.
TEST(Document, DrawnTheSameInAGermanLocale) {
    TempDir dir;
    std::string const locales = MakeGermanLocale(dir);
    if (locales.empty()) GTEST_SKIP() << "no locale definitions to make de_DE from";
    PageCase const pages[] = {{"postscript.dvi", 1, 96}, {"psnfss.dvi", 1, 100}};
    std::vector<Surface> tool;
    for (PageCase const& c : pages) tool.push_back(ToolPage(dir, c));
    InGermanLocale german(locales);
    ASSERT_TRUE(german.Active());
    for (size_t i = 0; i < std::size(pages); ++i) ExpectDrawnLikeTheTool(tool[i].get(), pages[i]);
}

// A turned page's corners and points as a reader is shown them, and a Cairo
// context turned the same way.
TEST(PageTurn, ShowsThePageAsAReaderTurnsIt) {
    struct Row {
        int degrees;
        ksdvi::Point shownPaper, shownTopLeft, shownPoint;  // of the page's point (100, 200)
    } const rows[] = {{0, {595, 842}, {0, 0}, {100, 200}},
                      {90, {842, 595}, {842, 0}, {642, 100}},
                      {180, {595, 842}, {595, 842}, {495, 642}},
                      {270, {842, 595}, {0, 595}, {200, 495}}};
    for (Row const& row : rows) {
        ksdvi::PageTurn const turn{{595, 842}, row.degrees};
        auto expectAt = [&](ksdvi::Point p, ksdvi::Point expected, char const* what) {
            EXPECT_NEAR(p.x, expected.x, 1e-9) << what << " at " << row.degrees;
            EXPECT_NEAR(p.y, expected.y, 1e-9) << what << " at " << row.degrees;
        };
        expectAt(turn.Shown(), row.shownPaper, "paper");
        expectAt(turn.Show(ksdvi::Point{0, 0}), row.shownTopLeft, "top left");
        expectAt(turn.Show(ksdvi::Point{100, 200}), row.shownPoint, "point");
        expectAt(turn.Unshow(row.shownPoint), {100, 200}, "back");
        ksdvi::Rect const r = turn.Show(ksdvi::Rect{100, 200, 10, 30});
        bool const sideways = row.degrees % 180 != 0;
        EXPECT_DOUBLE_EQ(r.width, sideways ? 30 : 10) << row.degrees;
        EXPECT_DOUBLE_EQ(r.height, sideways ? 10 : 30) << row.degrees;
        EXPECT_TRUE(r.x <= row.shownPoint.x && row.shownPoint.x <= r.x + r.width) << row.degrees;
        EXPECT_TRUE(r.y <= row.shownPoint.y && row.shownPoint.y <= r.y + r.height) << row.degrees;

        Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1), cairo_surface_destroy);
        cairo_t* cr = cairo_create(surface.get());
        ksdvi::TurnPage(cr, turn);
        double x = 100, y = 200;
        cairo_user_to_device(cr, &x, &y);
        cairo_destroy(cr);
        expectAt({x, y}, row.shownPoint, "cairo");
    }
}

// pdflscape's page drawn turned onto a caller's surface shows what `ksdvi
// render` writes of it.
TEST(PageTurn, ATurnedPageDrawsAsTheToolWritesIt) {
    TempDir dir;
    KsdviOk("render -p 4 -r 60 -o " + (dir / "tool-%d.png") + " " + DataFile("papers.dvi"));
    Surface tool(cairo_image_surface_create_from_png((dir / "tool-4.png").c_str()), cairo_surface_destroy);
    ASSERT_EQ(cairo_surface_status(tool.get()), CAIRO_STATUS_SUCCESS);
    auto document = OpenData("papers.dvi");
    ASSERT_TRUE(document);
    ksdvi::PageTurn const turn = document->Turn(3);
    ASSERT_EQ(turn.degrees, 90);
    double const ppp = 60 / 72.0;
    int const width = cairo_image_surface_get_width(tool.get()), height = cairo_image_surface_get_height(tool.get());
    EXPECT_EQ(width, int(turn.Shown().x * ppp));
    EXPECT_EQ(height, int(turn.Shown().y * ppp));
    Surface ours(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
    cairo_t* cr = cairo_create(ours.get());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, ppp, ppp);
    ksdvi::TurnPage(cr, turn, ppp);
    EXPECT_TRUE(ksdvi::DrawPage(*document, 3, cr, ppp));
    cairo_destroy(cr);
    cairo_surface_flush(ours.get());
    EXPECT_GT(DarkPixels(ours.get()), 1000);
    EXPECT_EQ(Differences(tool.get(), ours.get(), 0, 0), 0);
}

// A rectangle of the page holds the pixels of the whole page there; slices
// of a few instructions draw what one go draws.
TEST(PageDrawing, RectanglesAndSlicesShowTheWholePagesPixels) {
    auto document = OpenData("figures.dvi");
    ASSERT_TRUE(document);
    double const ppp = 2.0;
    std::string problem;
    Surface whole = Draw(*document, 0, ppp, Paper(*document), &problem);
    ASSERT_EQ(problem, "");
    ASSERT_GT(DarkPixels(whole.get()), 1000);
    for (ksdvi::Rect area : {ksdvi::Rect{72, 72, 300, 200}, ksdvi::Rect{100.5, 250, 250, 300}}) {
        Surface part = Draw(*document, 0, ppp, area, &problem);
        EXPECT_EQ(problem, "");
        EXPECT_GT(DarkPixels(part.get()), 100) << area.x;
        EXPECT_EQ(Differences(whole.get(), part.get(), int(area.x * ppp), int(area.y * ppp)), 0) << area.x;
    }

    ksdvi::PageDrawing slices(*document, 0, ppp);
    int steps = 0;
    while (!slices.Step(7)) ++steps;
    EXPECT_GT(steps, 10);
    EXPECT_TRUE(slices.IsDone());
    EXPECT_EQ(slices.Problem(), "");
    EXPECT_EQ(Differences(whole.get(), slices.Surface(), 0, 0), 0);
}

// A page with a PDF page 100 by 50 points (pdf:image) and, 200 points to
// its right, an EPS figure (200 by 100 points) that the page's PostScript
// draws, beside a line of its own.
std::string BuiltPictures(TempDir const& dir) {
    cairo_surface_t* pdf = cairo_pdf_surface_create((dir / "pic.pdf").c_str(), 100, 50);
    cairo_t* cr = cairo_create(pdf);
    cairo_set_source_rgb(cr, 0.8, 0.1, 0.1);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(pdf);
    std::filesystem::copy_file(DataFile("figure.eps"), dir / "fig.eps");
    DviBuilder dvi;
    dvi.Pre().Bop(1);
    dvi.Special("pdf:image width 100bp height 50bp (pic.pdf)").Rule(0, 200 * 65536, true);
    dvi.Special("ps: gsave currentpoint translate 0 40 moveto 30 0 rlineto 3 setlinewidth stroke grestore");
    dvi.Special("psfile=fig.eps llx=10 lly=20 urx=210 ury=120 rwi=2000").Eop().Post();
    std::string const path = dir / "built.dvi";
    dvi.WriteTo(path);
    return path;
}

// A dark reading mode leaves pictures as they are: their areas hold what
// they draw, and only that on pages of pictures only: raster pictures (one damaged, an EPS
// file that fails and one missing: not drawn; the JPEG is 16 by 12 pixels at
// 96 to the inch, shown at four times that), EPS figures 3 cm wide turned
// by graphicx (the first a quarter, standing 3 cm high); a page of EPS
// figures among text, the first 4 cm wide; and the built page.
TEST(PageDrawing, PictureAreasHoldWhatThePicturesDraw) {
    struct Case {
        std::string file;
        size_t areas;
        long outside;          // dark pixels outside every area: none when 0, else at least this many
        size_t sized;          // the area whose size is known
        double width, height;  // points; 0: not known
    };
    TempDir dir;
    std::string const built = BuiltPictures(dir);
    Case const cases[] = {
        {DataFile("rasters.dvi"), 4, 0, 1, 48, 36},
        {DataFile("turned-figures.dvi"), 4, 0, 0, 0, 3 / 2.54 * 72},
        {DataFile("figures.dvi"), 3, 1000, 0, 4 / 2.54 * 72, 0},  // and text
        {built, 2, 100, 0, 100, 50},                              // and a line
        {built, 2, 100, 1, 200, 100},
    };
    double const ppp = 2.0;
    for (Case const& c : cases) {
        std::string error;
        auto document = ksdvi::Document::Open(c.file, {}, &error);
        ASSERT_TRUE(document) << error;
        ksdvi::PageDrawing drawing(*document, 0, ppp);
        while (!drawing.Step()) {}
        std::vector<ksdvi::Rect> const areas = drawing.PictureAreas();
        ASSERT_EQ(areas.size(), c.areas) << c.file;
        if (c.width > 0) {
            EXPECT_NEAR(areas[c.sized].width, c.width, 1.0 / ppp) << c.file;
        }
        if (c.height > 0) {
            EXPECT_NEAR(areas[c.sized].height, c.height, 1.0 / ppp) << c.file;
        }
        cairo_surface_t* page = drawing.Surface();
        auto within = [&](ksdvi::Rect const& r, int x, int y, double slack) {
            return x + 0.5 >= (r.x - slack) * ppp && x + 0.5 <= (r.x + r.width + slack) * ppp &&
                   y + 0.5 >= (r.y - slack) * ppp && y + 0.5 <= (r.y + r.height + slack) * ppp;
        };
        std::vector<long> inked(areas.size());
        long outside = 0;
        for (int y = 0; y < cairo_image_surface_get_height(page); ++y)
            for (int x = 0; x < cairo_image_surface_get_width(page); ++x) {
                if (PixelAt(page, x, y) == 0xFFFFFF) continue;
                bool in = false;
                for (size_t i = 0; i < areas.size(); ++i)
                    if (within(areas[i], x, y, 0)) inked[i]++, in = true;
                outside += !in && !std::any_of(areas.begin(), areas.end(),
                                               [&](ksdvi::Rect const& r) { return within(r, x, y, 1.0); });
            }
        for (size_t i = 0; i < areas.size(); ++i) EXPECT_GT(inked[i], 500) << c.file << " picture " << i;
        if (c.outside == 0) {
            EXPECT_EQ(outside, 0) << c.file;
        } else {
            EXPECT_GE(outside, c.outside) << c.file;
        }
    }
}

TEST(PageDrawing, CancelledOrUnreadableDrawingsSaySo) {
    auto document = OpenData("latex.dvi");
    ASSERT_TRUE(document);
    std::atomic<bool> cancel{true};
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 10, 10), cairo_surface_destroy);
    cairo_t* cr = cairo_create(surface.get());
    std::string problem;
    EXPECT_FALSE(ksdvi::DrawPage(*document, 0, cr, 1.0, {}, &cancel, &problem));
    EXPECT_EQ(problem, "the drawing was cancelled");
    EXPECT_FALSE(ksdvi::DrawPage(*document, 7, cr, 1.0, {}, nullptr, &problem));
    EXPECT_NE(problem.find("page 8 cannot be read"), std::string::npos) << problem;
    EXPECT_FALSE(ksdvi::DrawPage(*document, 0, cr, 1e6, {}, nullptr, &problem));
    EXPECT_EQ(problem, "the page is too large to draw at this scale");
    cairo_destroy(cr);
}

// Links and anchors in points are the tool's pixels at 720 dpi, a tenth of a
// point each; the outline leads where `ksdvi outline` says.
TEST(Document, LinksAndOutlineInPoints) {
    auto document = OpenData("hyperref-dvips.dvi");
    ASSERT_TRUE(document);
    auto tool = nlohmann::json::parse(KsdviOk("links --json -r 720 " + DataFile("hyperref-dvips.dvi")));
    size_t n = 0, external = 0;
    for (int page = 0; page < document->PageCount(); ++page) {
        for (ksdvi::Link const& link : document->Links(page)) {
            ASSERT_LT(n, tool.size());
            auto const& expected = tool[n++];
            EXPECT_EQ(expected["page"], page + 1);
            std::string href = expected["href"];
            EXPECT_EQ(link.uri.empty() ? "#" + link.anchor : link.uri, href);
            external += !link.uri.empty();
            ASSERT_EQ(link.areas.size(), expected["rects"].size());
            for (size_t i = 0; i < link.areas.size(); ++i) {
                auto const& r = expected["rects"][i];
                EXPECT_DOUBLE_EQ(link.areas[i].x * 10, double(r[0]));
                EXPECT_DOUBLE_EQ(link.areas[i].y * 10, double(r[1]));
                EXPECT_DOUBLE_EQ(link.areas[i].width * 10, double(r[2]));
                EXPECT_DOUBLE_EQ(link.areas[i].height * 10, double(r[3]));
            }
        }
    }
    EXPECT_EQ(n, tool.size());
    EXPECT_GE(external, 2u);

    auto outline = nlohmann::json::parse(KsdviOk("outline --json -r 720 " + DataFile("hyperref-dvips.dvi")));
    std::vector<nlohmann::json> flat;
    std::function<void(nlohmann::json const&)> walk = [&](nlohmann::json const& entries) {
        for (auto const& e : entries) {
            flat.push_back(e);
            walk(e["children"]);
        }
    };
    walk(outline);
    std::vector<ksdvi::OutlineEntry> entries = document->Outline();
    ASSERT_EQ(entries.size(), flat.size());
    ASSERT_GE(entries.size(), 3u);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].title, flat[i]["title"]);
        EXPECT_EQ(entries[i].level, flat[i]["level"]);
        ASSERT_TRUE(entries[i].destination) << entries[i].title;
        EXPECT_EQ(entries[i].destination->page + 1, flat[i]["page"]);
        EXPECT_DOUBLE_EQ(entries[i].destination->at.x * 10, double(flat[i]["x"]));
        EXPECT_DOUBLE_EQ(entries[i].destination->at.y * 10, double(flat[i]["y"]));
    }
    EXPECT_FALSE(document->FindAnchor("no such anchor"));
}

// Words and search hits in points: the tool's boxes at 72 dpi are the
// points rounded outwards to whole pixels.
TEST(Document, TextAndSearchInPoints) {
    auto document = OpenData("latex.dvi");
    ASSERT_TRUE(document);
    auto lines = document->Text(0);
    ASSERT_TRUE(lines);
    std::string all;
    for (auto const& line : *lines)
        for (ksdvi::PageWord const& word : line) all += word.text + " ";
    EXPECT_NE(all.find("Introduction"), std::string::npos) << all;

    std::vector<ksdvi::SearchHit> hits = document->Search("second  PAGE");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].page, 1);
    EXPECT_EQ(hits[0].text, "Secondpage") << "the characters matched, without the space between words";
    ASSERT_EQ(hits[0].areas.size(), 1u);
    auto tool = nlohmann::json::parse(KsdviOk("search --json -r 72 " + DataFile("latex.dvi") + " 'second page'"));
    ASSERT_EQ(tool.size(), 1u);
    ksdvi::Rect const r = hits[0].areas[0];
    auto const& box = tool[0]["rects"][0];
    EXPECT_EQ(std::lround(r.x), int(box[0]));
    EXPECT_EQ(std::lround(r.y), int(box[1]));
    EXPECT_NEAR(r.width, double(box[2]), 1.0);
    EXPECT_NEAR(r.height, double(box[3]), 1.0);
    EXPECT_TRUE(document->Search("second page", true).empty()) << "case kept when asked";
    EXPECT_EQ(document->Search("Introduction", false, {1}).size(), 0u) << "only the pages asked for";
}

// A drag along a word that graphicx turned or scaled, from the drawn start
// of its first letter to the drawn end of its last, selects the word, and
// the area shown is where it is drawn (the search hit's box).
TEST(Document, TransformedWordsAreSelectedWhereTheyAreDrawn) {
    struct Case {
        char const* word;
        double fromX, fromY, toX, toY;  // in the hit's box, 0..1 from its top left
    };
    Case const cases[] = {{"Before", 0.05, 0.5, 0.95, 0.5},
                          {"Rotated", 0.5, 0.95, 0.5, 0.05},  // read upwards
                          {"Big", 0.05, 0.5, 0.95, 0.5},
                          {"tilted", 0.1, 0.1, 0.9, 0.9}};  // read downwards to the right
    for (char const* file : {"postscript.dvi", "rotations.xdv"}) {
        auto document = OpenData(file);
        ASSERT_TRUE(document);
        for (Case const& c : cases) {
            std::vector<ksdvi::SearchHit> const hits = document->Search(c.word, true);
            ASSERT_EQ(hits.size(), 1u) << file << " " << c.word;
            ASSERT_EQ(hits[0].areas.size(), 1u);
            ksdvi::Rect const hit = hits[0].areas[0];
            auto at = [&](double x, double y) { return ksdvi::Point{hit.x + x * hit.width, hit.y + y * hit.height}; };
            ksdvi::Selection const selection = document->Select(hits[0].page, at(c.fromX, c.fromY), at(c.toX, c.toY));
            EXPECT_EQ(selection.text, std::string(c.word) + "\n") << file;
            ASSERT_EQ(selection.areas.size(), 1u) << file << " " << c.word;
            ksdvi::Rect const area = selection.areas[0];
            EXPECT_NEAR(area.x, hit.x, 1) << file << " " << c.word;
            EXPECT_NEAR(area.y, hit.y, 1) << file << " " << c.word;
            EXPECT_NEAR(area.width, hit.width, 1) << file << " " << c.word;
            EXPECT_NEAR(area.height, hit.height, 1) << file << " " << c.word;
        }
    }
}

// A file TeX is still writing opens with its complete pages and grows.
TEST(Document, FollowsAFileBeingWritten) {
    std::string const bytes = ReadFileText(DataFile("pages.dvi"));
    TempDir dir;
    std::string const path = dir / "growing.dvi";
    std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::string error;
    auto document = ksdvi::Document::Open(path, {}, &error);
    ASSERT_TRUE(document) << error;
    EXPECT_EQ(document->State(), ksdvi::DocumentState::Growing);
    int const half = document->PageCount();
    EXPECT_GT(half, 1);
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(document->Update(), ksdvi::Document::Change::Extended);
    EXPECT_EQ(document->State(), ksdvi::DocumentState::Complete);
    EXPECT_GT(document->PageCount(), half);
    EXPECT_EQ(document->Problem(), "");
    EXPECT_EQ(document->TeXPageNumber(document->PageCount() - 1), document->PageCount());

    EXPECT_FALSE(ksdvi::Document::Open(dir / "missing.dvi", {}, &error));
    EXPECT_NE(error.find("missing.dvi"), std::string::npos) << error;
    std::ofstream(dir / "text.dvi") << "A text file, longer than a DVI file's preamble.";
    EXPECT_FALSE(ksdvi::Document::Open(dir / "text.dvi", {}, &error));
    EXPECT_NE(error.find("text.dvi"), std::string::npos) << error;
}

// A program about to draw pages has Ghostscript's helper started while the
// document opens, and only when its pages need one.
TEST(Document, OpensWithGhostscriptStartedWhenPagesNeedIt) {
    if (!RunningGhostscriptHelpers().empty())
        GTEST_SKIP() << "a helper runs already: the test runs alone, as CTest runs it";
    using Start = ksdvi::DocumentOptions::Ghostscript;
    struct {
        char const* file;
        Start start;
        size_t helpers;  // running after the document opened
    } const kCases[] = {
        {"figures.dvi", Start::WhenNeeded, 0},              // EPS pictures, opened only
        {"plain.dvi", Start::EarlyForImages, 0},            // no PostScript
        {"hyperref-dvips.dvi", Start::EarlyForVectors, 0},  // pdfmarks, which ksdvi reads itself
        {"figures.dvi", Start::EarlyForImages, 1},          // EPS pictures
        {"figures.dvi", Start::EarlyForImages, 1},          // the same helper again
        {"postscript.dvi", Start::EarlyForVectors, 2},      // the second, pdfwrite's, helper
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.file);
        ksdvi::DocumentOptions options;
        options.ghostscript = c.start;
        std::string error;
        ASSERT_TRUE(ksdvi::Document::Open(DataFile(c.file), options, &error)) << error;
        EXPECT_EQ(RunningGhostscriptHelpers().size(), c.helpers);
    }
}

// Links and anchors are placed once per page, and anew when TeX rewrites the file.
TEST(Document, LinksFollowARewrittenFile) {
    TempDir dir;
    std::string const path = dir / "links.dvi";
    auto write = [&](std::string const& target) {
        DviBuilder()
            .Pre()
            .Bop(1)
            .Special("html:<a name=\"" + target + "\">")
            .Special("html:<a href=\"#" + target + "\">")
            .Rule(65536, 65536)
            .Special("html:</a>")
            .Eop()
            .Post()
            .WriteTo(path);
    };
    write("one");
    std::string error;
    auto document = ksdvi::Document::Open(path, {}, &error);
    ASSERT_TRUE(document) << error;
    for (std::string const target : {"one", "second"}) {
        if (target == "second") {
            write(target);
            EXPECT_EQ(document->Update(), ksdvi::Document::Change::Renewed);
        }
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<ksdvi::Link> const links = document->Links(0);
            ASSERT_EQ(links.size(), 1u) << target;
            EXPECT_EQ(links[0].anchor, target);
            EXPECT_EQ(links[0].areas.size(), 1u);
            std::optional<ksdvi::Destination> const destination = document->FindAnchor(target);
            ASSERT_TRUE(destination) << target;
            EXPECT_EQ(destination->page, 0);
        }
    }
    EXPECT_FALSE(document->FindAnchor("one")) << "the earlier run's anchor is gone";
}

}  // namespace

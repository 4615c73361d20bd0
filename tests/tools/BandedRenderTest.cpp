// Pages drawn a band of rows at a time make the very PNG file that the page
// drawn whole makes: grey pages, pages whose colour shows up in a later band
// (drawn again in RGB), highlighted words, drawing records (hatches lined up
// with the page, each band from the values the page started with), and pages
// with pictures or PostScript (drawn whole).

#include <gtest/gtest.h>

#include "DocumentSession.h"
#include "render/PageRenderer.h"
#include "render/SharedDrawingValues.h"
#include "support/Cli.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

struct Case {
    char const* file;
    int page;  // 0-based
    bool links;
    char const* highlight = "";
};

class BandedRender : public testing::TestWithParam<Case> {};

TEST_P(BandedRender, WritesTheFileTheWholePageWrites) {
    static ksdvi::TeXFonts fonts;
    Case const& c = GetParam();
    DocumentSession session(DataFile(c.file), {}, fonts);
    ASSERT_TRUE(session.Load());
    RenderSettings settings;
    settings.dpi = 60;
    settings.markLinks = c.links;
    settings.paper = session.PaperSpecial() ? *session.PaperSpecial() : *ksdvi::ParsePaperOption("a4");
    TempDir dir;
    auto render = [&](int64_t bandBytes, std::string const& name) {
        settings.bandBytes = bandBytes;
        PageRenderer renderer(settings);
        renderer.Highlight(c.highlight);
        // Drawing records carry their values from page to page: both start afresh.
        ksdvi::DrawingValuesOf(session.Document()) = {};
        EXPECT_TRUE(renderer.RenderPng(session.Document(), c.page, dir / name)) << renderer.WriteError();
        EXPECT_EQ(renderer.Error(), "");
        return ReadFileBytes(dir / name);
    };
    // Bands of 37 rows: the last one is cut short.
    int64_t const row = 4 * PixelsOf(settings.paper.width, settings.dpi, 1.0);
    std::vector<uint8_t> whole = render(int64_t(1) << 30, "whole.png"), banded = render(37 * row, "banded.png");
    ASSERT_GT(whole.size(), 100u);
    EXPECT_EQ(banded, whole);
}

INSTANTIATE_TEST_SUITE_P(Pages, BandedRender,
                         testing::Values(Case{"latex.dvi", 0, false}, Case{"dvipscolor.dvi", 0, false},
                                         Case{"links.dvi", 0, true}, Case{"figures.dvi", 0, false},
                                         Case{"postscript.dvi", 0, false}, Case{"text.dvi", 0, false, "finite"},
                                         Case{"records.dvi", 0, false}, Case{"records.dvi", 1, false},
                                         Case{"records.dvi", 2, false}, Case{"records.dvi", 3, false}),
                         [](auto const& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.')) + "_" + std::to_string(info.param.page + 1) +
                                    (info.param.links ? "_links" : "");
                         });

}  // namespace

// A page's model: DVI units as pixels (one formula for the drawer, links,
// search and text), paper sizes from the command line and dvips' papersize
// special, and a scan's state with each problem named with its place.

#include <gtest/gtest.h>

#include "page/DocumentState.h"
#include "page/Paper.h"
#include "page/PixelMapping.h"
#include "support/ScratchDocument.h"

namespace {

using ksdvi::PixelMapping;

ScratchDocument Document(uint32_t mag) { return ScratchDocument(DviBuilder{}.Pre(mag).Page().Post().bytes); }

TEST(PixelMapping, AnInchIsTheResolutionMagnifiedAndZoomed) {
    struct Case {
        uint32_t mag;
        double dpi, zoom;
        int inch;  // pixels of an inch of TeX's, 4736286.72 sp
    } const cases[] = {
        {1000, 600, 1.0, 600}, {1000, 96, 1.0, 96},  {2000, 96, 1.0, 192},
        {1000, 96, 1.5, 144},  {500, 600, 0.5, 150}, {1250, 72, 1.0, 90},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << "mag " << c.mag << " at " << c.dpi << " dpi, zoom " << c.zoom);
        ScratchDocument doc = Document(c.mag);
        PixelMapping pixels = PixelMapping::OneInchIn(doc.dvi, c.dpi, c.zoom);
        int const origin = static_cast<int>(std::lround(c.dpi * c.zoom));
        EXPECT_EQ(pixels.OriginX(), origin);
        EXPECT_EQ(pixels.X(4736287), origin + c.inch);
        EXPECT_EQ(pixels.Y(-4736287), origin - c.inch);
        EXPECT_EQ(pixels.Width(4736286), c.inch);  // a little less than an inch: its pixels rounded up
        // Back to DVI units, within half a pixel.
        EXPECT_NEAR(pixels.DviX(origin + c.inch), 4736287, 0.5 / pixels.PerDviX());
    }
}

TEST(PixelMapping, PositionsRoundHalfAwayAndLengthsUp) {
    ScratchDocument doc = Document(1000);
    // 72.27 dpi: a point is a pixel, so half a point is half a pixel.
    PixelMapping pixels(doc.dvi, 72.27, 72.27, fpreal4::FromRaw(10000), 0, 0);
    EXPECT_EQ(pixels.X(32768), 1);
    EXPECT_EQ(pixels.X(-32768), -1);
    EXPECT_EQ(pixels.X(32767), 0);
    EXPECT_EQ(pixels.Width(1), 1);
    EXPECT_EQ(pixels.Width(65535), 1);
    EXPECT_EQ(pixels.Width(65537), 2);
    EXPECT_EQ(pixels.Width(0), 0);
}

TEST(PixelMapping, BoxesAreAtLeastAPixelEachWay) {
    ScratchDocument doc = Document(1000);
    PixelMapping pixels = PixelMapping::OneInchIn(doc.dvi, 72.27);
    EXPECT_EQ(pixels.Box(0, 0, 10 * 65536, 5 * 65536), (std::array<int, 4>{72, 72, 10, 5}));
    EXPECT_EQ(pixels.Box(65536, 65536, 1, 0), (std::array<int, 4>{73, 73, 1, 1}));
    // Far past the device, held there rather than overflowing.
    auto far = pixels.Box(INT32_MAX - 10, 0, INT32_MAX, 65536);
    EXPECT_GE(far[2], 1);
}

// The document's own conversion (KsDvi::hDot) leaves the magnification out;
// the drawer's puts it in.
TEST(PixelMapping, TheDocumentsConversionIsUnmagnified) {
    ScratchDocument doc = Document(2000);
    doc.dvi.SethDpi(fpreal4::FromDouble(600));
    EXPECT_EQ(doc.dvi.hDot(4736287), 600);
    EXPECT_EQ(PixelMapping::OneInchIn(doc.dvi, 600).Width(4736286), 1200);
}

using ksdvi::Paper;

TEST(Paper, OptionsAndSpecialsReadAsTeXDimensions) {
    struct Case {
        std::string text;
        bool special;
        std::optional<Paper> paper;
    } const cases[] = {
        {"a4", false, Paper{39158276, 55380990}},
        {"letter", false, Paper{40258437, 52099154}},
        {"100ptx200pt", false, Paper{100 * 65536, 200 * 65536}},
        {"1inx1in", false, Paper{4736287, 4736287}},
        {"100pt", false, std::nullopt},
        {"0ptx10pt", false, std::nullopt},
        {"-1ptx10pt", false, std::nullopt},
        {"100ptx200ptjunk", false, std::nullopt},
        {"597.50787pt,845.04684pt", true, Paper{39158276, 55380990}},
        {"8.5truein,11truein", true, Paper{40258437, 52099154}},
        {"8.5in,11in  ", true, Paper{40258437, 52099154}},
        {"8.5in 11in", true, std::nullopt},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        auto paper = c.special ? ksdvi::ParsePaperSpecial(c.text) : ksdvi::ParsePaperOption(c.text);
        ASSERT_EQ(paper.has_value(), c.paper.has_value());
        if (!paper) continue;
        // Within a scaled point: the units' factors round.
        EXPECT_NEAR(paper->width, c.paper->width, 1);
        EXPECT_NEAR(paper->height, c.paper->height, 1);
    }
}

TEST(Paper, TheDocumentsFirstValidPapersizeSpecialWinsAndAPageMayNameItsOwn) {
    DviBuilder b;
    b.Pre().Bop(1).Special("papersize=junk").Special("papersize=100pt,200pt").Eop();
    b.Bop(2).Special("papersize=300pt,400pt").Special("papersize=5pt,5pt").Eop();
    b.Bop(3).Eop();
    b.Bop(4).Special("pdf:pagesize width 400bp height 300bp").Eop().Post();
    ScratchDocument doc(b.bytes);
    Paper const fallback{1, 2};
    Paper const first{100 * 65536, 200 * 65536};
    EXPECT_EQ(ksdvi::PaperOf(doc.dvi, fallback), first);
    // As dvipdfmx sizes pages: a page's own first paper special, else the
    // document's paper, not the page's before it.
    Paper const pages[] = {first, {300 * 65536, 400 * 65536}, first, {26312704, 19734528}};
    for (int page = 0; page < 4; ++page) EXPECT_EQ(ksdvi::PaperOf(doc.dvi, page, fallback), pages[page]) << page;
    ScratchDocument plain(DviBuilder{}.Pre().Page().Post().bytes);
    EXPECT_EQ(ksdvi::PaperOf(plain.dvi, fallback), fallback);
    EXPECT_EQ(ksdvi::PaperOf(plain.dvi, 0, fallback), fallback);
}

// dvips' landscape special turns the document's paper, or the default, to
// landscape, as dvipdfmx does.
TEST(Paper, TheLandscapeSpecialTurnsThePaper) {
    Paper const a4{39158276, 55380990}, turned{55380990, 39158276};
    for (bool named : {false, true}) {
        DviBuilder b;
        b.Pre().Bop(1).Special("landscape");
        if (named) b.Special("papersize=597.50787pt,845.04684pt");
        b.Eop().Bop(2).Eop().Post();
        ScratchDocument doc(b.bytes);
        Paper const fallback = named ? Paper{1, 2} : a4;
        EXPECT_EQ(ksdvi::PaperOf(doc.dvi, fallback), turned) << named;
        for (int page = 0; page < 2; ++page) EXPECT_EQ(ksdvi::PaperOf(doc.dvi, page, fallback), turned) << named;
        EXPECT_EQ(ksdvi::PaperOf(doc.dvi, turned), turned) << "already landscape";
    }
    ScratchDocument upright(DviBuilder{}.Pre().Bop(1).Special("landscapes").Eop().Post().bytes);
    EXPECT_EQ(ksdvi::PaperOf(upright.dvi, a4), a4);
}

// KOMA-Script for dvips asks the page device for a page size where the paper
// changes; it holds on the pages after, as in dvips' one job.
TEST(Paper, PostScriptPageSizeHoldsUntilTheNext) {
    DviBuilder b;
    b.Pre().Bop(1).Special("papersize=100pt,200pt").Eop();
    b.Bop(2).Special("ps::%%BeginPageSetup\n<< /PageSize [842 595] >> setpagedevice\n0 0 bop").Eop();
    b.Bop(3).Eop();
    b.Bop(4).Special("ps::<< /PageSize [595 842] >> setpagedevice").Eop();
    b.Bop(5).Special("ps::<< /PageSize [1e9 5] >> setpagedevice").Eop().Post();
    ScratchDocument doc(b.bytes);
    Paper const first{100 * 65536, 200 * 65536}, landscape{55388242, 39140147}, portrait{39140147, 55388242};
    Paper const pages[] = {first, landscape, landscape, portrait, portrait};
    for (int page = 0; page < 5; ++page) EXPECT_EQ(ksdvi::PaperOf(doc.dvi, page, {1, 2}), pages[page]) << page;
}

using ksdvi::DocumentState;

TEST(DocumentState, EachProblemIsNamedWithItsPlace) {
    DviBuilder whole;
    whole.Pre().Page(1).Page(2).Post();
    std::vector<uint8_t> const bytes = whole.bytes;
    auto cut = [&](size_t n) { return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(n)); };
    DviBuilder badOpcode;
    badOpcode.Pre().Bop(1).Op(250).Eop().Post();
    DviBuilder eopAlone;
    eopAlone.Pre().Op(140);
    DviBuilder version;
    version.Pre(1000, 9);

    struct Case {
        char const* what;
        std::vector<uint8_t> bytes;
        DocumentState state;
        std::string problem;
    } const cases[] = {
        {"whole", bytes, DocumentState::Complete, ""},
        {"cut inside page 2", cut(15 + 4 + 46 + 20), DocumentState::Growing,
         "file ends inside page 2 (incomplete: 1 complete pages)"},
        {"cut inside the postamble", cut(bytes.size() - 3), DocumentState::Growing,
         "file ends inside the postamble (incomplete: 2 complete pages)"},
        {"bad opcode", badOpcode.bytes, DocumentState::Malformed,
         "malformed: opcode 250 not allowed at offset 64 (page 1)"},
        {"eop first", eopAlone.bytes, DocumentState::Malformed, "malformed: eop without bop at offset 19 (page 1)"},
        {"identification byte 9", version.bytes, DocumentState::Malformed,
         "unsupported DVI identification byte 9 (expected 2 or 3, or 5 to 7 for XDV)"},
        {"no preamble",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
         DocumentState::Malformed,
         "not a DVI file (no preamble)"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDocument doc(c.bytes);
        ksdvi::DocumentStatus status = ksdvi::StatusOf(doc.dvi);
        EXPECT_EQ(ksdvi::StateName(status.state), std::string(ksdvi::StateName(c.state)));
        EXPECT_EQ(status.problem, c.problem);
    }
}

}  // namespace

// ksdvi select and the DVI writer under it: pages chosen from TeX's output
// make a file that dvitype reads without complaint, with the same characters,
// rules and specials at the same places, and that renders as the same pages.

#include <gtest/gtest.h>

#include "Listing.h"
#include "support/TempDir.h"
#include "support/TempFile.h"
#include "writer/KsDviWriter.h"

namespace {

// A page's entries without the paper and header specials, which the copy
// carries over from the pages it leaves out.
std::vector<ListingEntry> OwnEntries(PageListing const& page) {
    std::vector<ListingEntry> own;
    for (ListingEntry const& e : page.entries)
        if (!(e.kind == "special" && (e.text.starts_with("papersize=") || e.text.starts_with("header="))))
            own.push_back(e);
    return own;
}

void ExpectSameContent(PageListing const& copyPage, PageListing const& originalPage) {
    std::vector<ListingEntry> const copy = OwnEntries(copyPage), original = OwnEntries(originalPage);
    ASSERT_EQ(copy.size(), original.size());
    for (size_t i = 0; i < copy.size(); ++i) {
        ListingEntry const& a = copy[i];
        ListingEntry const& b = original[i];
        EXPECT_EQ(std::tie(a.kind, a.h, a.v, a.a, a.b, a.text), std::tie(b.kind, b.h, b.v, b.a, b.b, b.text)) << i;
    }
}

TEST(SelectCli, ChosenPagesReadBackAsTheOriginals) {
    struct {
        char const* file;
        char const* pages;
        std::vector<int> chosen;  // 0-based
    } const kCases[] = {{"plain.dvi", "3,1", {2, 0}}, {"pages.dvi", "40,2,17-18", {39, 1, 16, 17}}};
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        KsdviOk("select " + DataFile(c.file) + " -p " + c.pages + " -o " + (dir / "out.dvi"));
        std::string listing = RunOk("dvitype -output-level=4 " + (dir / "out.dvi") + " 2>&1");
        EXPECT_EQ(listing.find("Bad DVI file"), std::string::npos) << listing.substr(0, 2000);
        auto copy = ParseDvitype(listing);
        auto original = ParseDvitype(RunCommand("dvitype -output-level=4 " + DataFile(c.file)));
        ASSERT_EQ(copy.size(), c.chosen.size());
        for (size_t i = 0; i < c.chosen.size(); ++i) ExpectSameContent(copy[i], original[c.chosen[i]]);

        KsdviOk("render -r 40 -p 1 -o " + (dir / "copy-%d.png") + " " + (dir / "out.dvi"));
        KsdviOk("render -r 40 -p " + std::to_string(c.chosen[0] + 1) + " -o " + (dir / "orig-%d.png") + " " +
                DataFile(c.file));
        EXPECT_EQ(ReadFileBytes(dir / "copy-1.png"),
                  ReadFileBytes(dir / ("orig-" + std::to_string(c.chosen[0] + 1) + ".png")));
    }
}

// The trailer's padding, the back-pointer chain, the comment limit and the
// stack depth a writer gives when it has none.
TEST(KsDviWriter, RecordsAsDviHasThem) {
    TempFile file;
    KsDviWriter writer;
    writer.open(file.Path(), std::ios::binary | std::ios::trunc);
    std::string const longComment(256, 'x');
    EXPECT_EQ(
        writer.WritePreamble(473628672, 25400000, 1000, reinterpret_cast<unsigned char const*>(longComment.c_str())),
        0);
    EXPECT_EQ(writer.WritePreamble(473628672, 25400000, 1000, reinterpret_cast<unsigned char const*>("ab")), 1);
    int const counters[10] = {7, 0, 0, 0, 0, 0, 0, 0, 0, -3};
    for (int page = 0; page < 2; ++page) {
        writer.WriteBop(counters);
        writer.WriteEop();
    }
    writer.WritePostamble(-1, 10, 20);
    writer.WritePostPostamble();
    writer.close();
    std::vector<uint8_t> const b = ReadFileBytes(file.Path());
    auto word = [&](size_t at) {
        return static_cast<int32_t>(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]);
    };
    // The identification byte ends at 144, a multiple of four: eight 223s.
    ASSERT_EQ(b.size(), 17u + 2 * 46 + 29 + 6 + 8);
    EXPECT_EQ(word(2), 25400000);       // num before den
    EXPECT_EQ(word(17 + 41), -1);       // the first bop points nowhere
    EXPECT_EQ(word(17 + 46 + 41), 17);  // the second to the first
    size_t const post = 17 + 2 * 46;
    EXPECT_EQ(word(post + 1), 17 + 46);                // the postamble to the last bop
    EXPECT_EQ(b[post + 25] << 8 | b[post + 26], 100);  // no stack depth given
    EXPECT_EQ(b[post + 28], 2);                        // pages
    EXPECT_EQ(b.size() % 4, 0u);
    EXPECT_EQ(word(post + 30), static_cast<int32_t>(post));
}

}  // namespace

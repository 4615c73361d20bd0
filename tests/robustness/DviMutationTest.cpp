// Mutants of the DVI files TeX made for the tests, each run through the whole
// pipeline (scan, trace, render). Besides surviving, the scan must keep its
// page table inside the file and keep every page that lies before the first
// changed byte, the two drawers must agree on which pages are malformed, and
// a truncated file must keep exactly the pages before the cut.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DviLayout.h"
#include "Mutator.h"
#include "OriginalDocument.h"

namespace ksdvi::robustness {
namespace {

constexpr int kMutantsPerKind = 10;

void ExpectPageTableInFile(KsDvi& dvi, size_t fileSize) {
    int32_t previousEnd = -1;
    for (int i = 0; i < dvi.GetNPage(); ++i) {
        int32_t start = dvi.GetPageStartOffset(i), end = dvi.GetPageEndOffset(i);
        EXPECT_GT(start, previousEnd) << "page " << i;
        EXPECT_LE(start, end) << "page " << i;
        EXPECT_LT(static_cast<size_t>(end), fileSize) << "page " << i;
        EXPECT_EQ(dvi.GetPageContents(i, nullptr), end - start + 1) << "page " << i;
        int depth = dvi.GetPageColorStackSize(i);
        EXPECT_GE(depth, 0);
        EXPECT_LE(depth, KsDvi::ColorStackSize);
        EXPECT_NE(dvi.GetPageColorStack(i), nullptr);
        previousEnd = end;
    }
}

// The properties every mutant keeps, and for a cut file the pages it keeps.
void CheckMutant(OriginalDocument const& original, MutationKind kind, Mutant const& mutant) {
    DocumentRun run(mutant.bytes);
    KsDvi& dvi = run.Document();
    ExpectPageTableInFile(dvi, mutant.bytes.size());

    // Pages that end before the first changed byte are read as before.
    std::vector<PageSpan> pages = PageTable(dvi);
    for (size_t i = 0; i < original.pages.size(); ++i) {
        if (static_cast<size_t>(original.pages[i].end) >= mutant.firstChange) break;
        ASSERT_LT(i, pages.size());
        EXPECT_EQ(pages[i], original.pages[i]) << "page " << i;
    }

    std::vector<PageTrace> traces = run.Trace();
    EXPECT_EQ(run.OpensFailed(), 0);
    std::vector<std::string> errors = run.Render();
    ASSERT_EQ(errors.size(), traces.size());
    for (size_t i = 0; i < errors.size(); ++i) {
        EXPECT_EQ(!errors[i].empty(), traces[i].malformed) << "page " << i << ": " << errors[i];
        if (!errors[i].empty()) {
            EXPECT_EQ(errors[i].rfind("malformed instruction", 0), 0u) << errors[i];
        }
    }

    if (kind != MutationKind::Truncate) return;
    // A file cut short keeps exactly the pages that end before the cut, and
    // they show what they showed; the postamble decides completeness.
    size_t cut = mutant.bytes.size();
    size_t kept = 0;
    while (kept < original.pages.size() && static_cast<size_t>(original.pages[kept].end) < cut) ++kept;
    ASSERT_EQ(pages.size(), kept);
    for (size_t i = 0; i < kept; ++i) EXPECT_EQ(traces[i], original.traces[i]) << "page " << i;
    if (cut > original.postOffset) {
        EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    } else {
        EXPECT_EQ(dvi.GetMode(), KsDvi::Malformed);
        EXPECT_EQ(dvi.GetScanProblem(), KsDvi::ScanProblem::UnexpectedEnd);
    }
}

class DviMutants : public testing::TestWithParam<std::string> {};

TEST_P(DviMutants, SurviveTheWholePipeline) {
    std::string const& name = GetParam();
    OriginalDocument const& original = OriginalOf(name);
    ForEachMutant(original.bytes, name, LayoutOf(original.bytes).fourByteFields, kMutantsPerKind,
                  [&](MutationKind kind, Mutant const& mutant) {
                      SCOPED_TRACE(name + ": " + mutant.what);
                      CheckMutant(original, kind, mutant);
                  });
}

INSTANTIATE_TEST_SUITE_P(TeXOutput, DviMutants,
                         testing::Values("plain.dvi", "latex.dvi", "fonts.dvi", "times.dvi", "specials.dvi",
                                         "graphics.dvi", "links.dvi", "hyperref.dvi", "dvipscolor.dvi",
                                         "colorstack.dvi"),
                         [](testing::TestParamInfo<std::string> const& info) { return Stem(info.param); });

}  // namespace
}  // namespace ksdvi::robustness

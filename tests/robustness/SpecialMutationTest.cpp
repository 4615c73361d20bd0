// Mutants of the specials TeX's packages wrote: one special of a document has
// its text mutated and is written back (as xxx4), and the document goes
// through the whole pipeline. A special's text never changes what else a
// page holds: the page table, the characters and rules, and the number of
// specials stay those of the unchanged document, and no page is malformed.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DviLayout.h"
#include "Mutator.h"
#include "OriginalDocument.h"

namespace ksdvi::robustness {
namespace {

constexpr int kMutantsPerKind = 8;

// The document with one special changed shows everything else as before.
void CheckMutant(OriginalDocument const& original, std::vector<uint8_t> const& bytes) {
    DocumentRun run(bytes);
    KsDvi& dvi = run.Document();
    EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    ASSERT_EQ(dvi.GetNPage(), static_cast<int>(original.pages.size()));
    for (size_t i = 0; i < original.pages.size(); ++i)
        EXPECT_EQ(dvi.GetTeXPageNo(static_cast<int>(i)), original.pages[i].texPage);
    EXPECT_EQ(run.Trace(), original.traces);
    for (std::string const& error : run.Render()) EXPECT_EQ(error, "");
}

class SpecialMutants : public testing::TestWithParam<std::string> {};

TEST_P(SpecialMutants, ChangeNothingButThemselves) {
    std::string const& name = GetParam();
    OriginalDocument const& original = OriginalOf(name);
    std::vector<DviLayout::Special> specials = LayoutOf(original.bytes).specials;
    ASSERT_FALSE(specials.empty());
    std::mt19937 pick(SeedOf(name));
    for (MutationKind kind : kAllKinds) {
        for (int n = 0; n < kMutantsPerKind; ++n) {
            DviLayout::Special const& special = specials[pick() % specials.size()];
            auto text = original.bytes.begin() + static_cast<long>(special.at + 1 + special.lengthBytes);
            Mutator mutator({text, text + static_cast<long>(special.textLength)}, static_cast<uint32_t>(pick()));
            Mutant mutant = mutator.Next(kind);
            SCOPED_TRACE(name + ": special at " + std::to_string(special.at) + ", " + mutant.what + ": " +
                         std::string(mutant.bytes.begin(), mutant.bytes.end()));
            CheckMutant(original, WithSpecialText(original.bytes, special, mutant.bytes));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TeXPackages, SpecialMutants,
                         testing::Values("specials.dvi", "graphics.dvi", "links.dvi", "hyperref.dvi", "dvipscolor.dvi",
                                         "colorstack.dvi"),
                         [](testing::TestParamInfo<std::string> const& info) { return Stem(info.param); });

}  // namespace
}  // namespace ksdvi::robustness

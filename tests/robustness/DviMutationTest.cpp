// Mutants of the DVI files TeX made for the tests, and of the specials TeX's
// packages wrote into them, each run through the whole pipeline.

#include <algorithm>
#include <map>

#include "Robustness.h"
#include "dvi/DviOpcodes.h"
#include "stream/BigEndian.h"

namespace ksdvi::robustness {
namespace {

// The original files are TeX's output: every value lies inside them.
uint32_t BigEndian(std::vector<uint8_t> const& b, size_t at, int n) { return ksdvi::BigEndianUnsigned(&b[at], n); }

auto Span(PageRun const& page) { return std::tie(page.texPage, page.start, page.end); }

// An unchanged test document: what it gives, and where things lie in it,
// found by walking its instructions: its four-byte fields (preamble units,
// bop counts and pointer, rule sizes, font definitions, four-byte parameters,
// postamble values), where extremes reach checks a random offset rarely hits.
struct Original {
    std::vector<uint8_t> bytes;
    std::vector<size_t> fields{2, 6, 10}, specials;  // specials: their xxx opcodes
    size_t post = 0, postPost = 0;
    std::vector<PageRun> pages;
};

Original const& OriginalOf(std::string const& name) {
    static std::map<std::string, Original> cache;
    auto [it, fresh] = cache.try_emplace(name);
    Original& o = it->second;
    if (!fresh) return o;
    std::vector<uint8_t> const& b = o.bytes = ReadFileBytes(std::string(KSDVI_TEST_DATA) + "/" + name);
    auto add = [&](size_t at, size_t count) {
        for (size_t i = 0; i < count; ++i) o.fields.push_back(at + 4 * i);
    };
    using namespace ksdvi::dvi;
    for (size_t at = 15 + b[14]; at < b.size();) {
        unsigned op = b[at];
        size_t length = 1 + static_cast<size_t>(kParameterBytes[op]);
        if (op == kBop) {
            add(at + 1, 11);
        } else if (op == kSetRule || op == kPutRule) {
            add(at + 1, 2);
        } else if (FamilyOf(op) == kXxx1) {
            o.specials.push_back(at);
            if (FamilyWidth(op) == 4) add(at + 1, 1);
            length += BigEndian(b, at + 1, FamilyWidth(op));
        } else if (FamilyOf(op) == kFntDef1) {  // k c s d a l
            add(at + 1 + static_cast<size_t>(FamilyWidth(op)), 3);
            length += b[at + length - 2] + b[at + length - 1];
        } else if (op == kPost) {
            o.post = at;
            add(at + 1, 6);
        } else if (op == kPostPost) {
            o.postPost = at;
            add(at + 1, 1);
            break;
        } else if (FamilyOf(op) && FamilyWidth(op) == 4) {  // set, put, right, w, x, down, y, z, fnt
            add(at + 1, 1);
        }
        at += length;
    }
    DocumentRun run(b);
    EXPECT_EQ(run.dvi.GetMode(), KsDvi::Complete) << name;
    for (PageRun const& page : run.pages) EXPECT_EQ(page.error, "") << name;  // what the mutants are held to
    o.pages = std::move(run.pages);
    return o;
}

// Besides surviving: the page table stays inside the file and keeps the pages
// that end before the first changed byte; the interpreter and the renderer
// agree on which pages are malformed; a file cut short keeps exactly the
// pages that end before the cut, showing what they showed, and the postamble
// decides whether it is complete.
void CheckDviMutant(Original const& original, Mutant const& mutant) {
    DocumentRun run(mutant.bytes);
    KsDvi& dvi = run.dvi;
    std::vector<PageRun> const& pages = run.pages;
    for (int i = 0; i < dvi.GetNPage(); ++i) {
        PageRun const& page = pages[static_cast<size_t>(i)];
        EXPECT_GT(page.start, i ? pages[static_cast<size_t>(i) - 1].end : -1) << "page " << i;
        EXPECT_LE(page.start, page.end) << "page " << i;
        EXPECT_LT(static_cast<size_t>(page.end), mutant.bytes.size()) << "page " << i;
        EXPECT_EQ(dvi.GetPageContents(i, nullptr), page.end - page.start + 1) << "page " << i;
        EXPECT_GE(dvi.GetPageColorStackSize(i), 0);
        EXPECT_LE(dvi.GetPageColorStackSize(i), KsDvi::ColorStackSize);
        EXPECT_NE(dvi.GetPageColorStack(i), nullptr);
        EXPECT_EQ(!page.error.empty(), page.malformed) << "page " << i << ": " << page.error;
        EXPECT_TRUE(page.error.empty() || page.error.starts_with("malformed instruction")) << page.error;
    }
    size_t kept = 0;  // the original's pages before the first change
    while (kept < original.pages.size() && static_cast<size_t>(original.pages[kept].end) < mutant.firstChange) ++kept;
    ASSERT_GE(pages.size(), kept);
    for (size_t i = 0; i < kept; ++i) EXPECT_EQ(Span(pages[i]), Span(original.pages[i])) << "page " << i;
    if (!mutant.cut) return;
    ASSERT_EQ(pages.size(), kept);
    for (size_t i = 0; i < kept; ++i) EXPECT_EQ(pages[i], original.pages[i]) << "page " << i;
    // Complete only with the postamble whole: post_post, q, i and four 223s.
    if (mutant.bytes.size() >= original.postPost + 1 + 5 + 4) {
        EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    } else {
        EXPECT_EQ(dvi.GetMode(), KsDvi::Malformed);
        EXPECT_EQ(dvi.GetScanProblem(), mutant.bytes.size() > original.post ? KsDvi::ScanProblem::UnfinishedPostamble
                                                                            : KsDvi::ScanProblem::UnexpectedEnd);
    }
}

class DviMutants : public testing::TestWithParam<std::string> {};

TEST_P(DviMutants, SurviveTheWholePipeline) {
    Original const& original = OriginalOf(GetParam());
    for (Mutant const& mutant : MutantsOf(original.bytes, GetParam(), 10, original.fields)) {
        SCOPED_TRACE(mutant.what);
        CheckDviMutant(original, mutant);
    }
}

// Pages as they are apart from the specials' texts and where instructions
// lie, which a changed special moves.
std::vector<PageRun> WithoutSpecialTexts(std::vector<PageRun> pages) {
    for (PageRun& page : pages) {
        page.start = page.end = 0;
        for (Call& call : page.calls) {
            call.offset = 0;
            if (call.kind == "special") call.a = 0, call.text.clear();
        }
    }
    return pages;
}

// One special's text mutated and written back as xxx4: a special never
// changes what else a document holds, so its pages, and the characters,
// rules and specials on them, stay those of the unchanged document, and no
// page is malformed or fails to paint.
class SpecialMutants : public DviMutants {};

TEST_P(SpecialMutants, ChangeNothingButThemselves) {
    Original const& original = OriginalOf(GetParam());
    std::vector<size_t> const& specials = original.specials;
    ASSERT_FALSE(specials.empty());
    std::vector<PageRun> expected = WithoutSpecialTexts(original.pages);
    for (size_t n = 0; n < 8; ++n) {
        size_t at = specials[n * specials.size() / 8];
        int k = ksdvi::dvi::FamilyWidth(original.bytes[at]);
        auto text = original.bytes.begin() + static_cast<long>(at + 1) + k;
        auto end = text + BigEndian(original.bytes, at + 1, k);
        for (Mutant const& mutant : MutantsOf({text, end}, GetParam() + " special " + std::to_string(n), 1)) {
            SCOPED_TRACE(mutant.what + " of the special at " + std::to_string(at) + ": " +
                         std::string(mutant.bytes.begin(), mutant.bytes.end()));
            DviBuilder b;
            b.bytes.assign(original.bytes.begin(), original.bytes.begin() + static_cast<long>(at));
            b.Op(242).U(static_cast<uint32_t>(mutant.bytes.size()), 4);
            b.bytes.insert(b.bytes.end(), mutant.bytes.begin(), mutant.bytes.end());
            b.bytes.insert(b.bytes.end(), end, original.bytes.end());
            DocumentRun run(b.bytes);
            EXPECT_EQ(run.dvi.GetMode(), KsDvi::Complete);
            EXPECT_EQ(WithoutSpecialTexts(run.pages), expected);
        }
    }
}

std::string Stem(testing::TestParamInfo<std::string> const& info) {
    std::string stem = info.param.substr(0, info.param.find('.'));
    std::replace(stem.begin(), stem.end(), '-', '_');
    return stem;
}

INSTANTIATE_TEST_SUITE_P(TeXOutput, DviMutants,
                         testing::Values("plain.dvi", "latex.dvi", "fonts.dvi", "times.dvi", "specials.dvi",
                                         "graphics.dvi", "links.dvi", "hyperref-hypertex.dvi", "hyperref-dvips.dvi",
                                         "dvipscolor.dvi", "colorstack.dvi"),
                         Stem);
INSTANTIATE_TEST_SUITE_P(TeXPackages, SpecialMutants,
                         testing::Values("specials.dvi", "graphics.dvi", "links.dvi", "hyperref-hypertex.dvi",
                                         "hyperref-dvips.dvi", "dvipscolor.dvi", "colorstack.dvi"),
                         Stem);

}  // namespace
}  // namespace ksdvi::robustness

// Under AddressSanitizer an allocation larger than any input here can justify
// is reported instead of served: a size taken from a damaged header must be
// checked against what the file holds.
#if defined(__SANITIZE_ADDRESS__)
extern "C" char const* __asan_default_options() { return "max_allocation_size_mb=256"; }
#endif

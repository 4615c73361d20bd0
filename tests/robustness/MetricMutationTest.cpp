// Mutants of the metric files made by pltotf, opl2ofm and vptovf, loaded the
// way documents load fonts: put in a font directory under the name a
// document defines, found by the registry, then every code of the font set on
// a page that is traced and rendered. A font that cannot be loaded leaves a
// null entry and its name among the missing fonts; a loaded one answers for
// every code without reading outside its tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "DocumentRun.h"
#include "Mutator.h"
#include "font/ItrnFont.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"

namespace ksdvi::robustness {
namespace {

constexpr int kMutantsPerKind = 10;
constexpr char kFontName[] = "ksmutant";
constexpr int kLongestPacket = 1000;

std::string MetricsDir() { return std::string(KSDVI_TEST_DATA) + "/metrics"; }

// Which file of a font is mutated; the font's other file stays as made.
struct MetricInput {
    char const* mutated;    // file in tests/data/metrics
    char const* extension;  // tfm, ofm or vf: the name it is found under
    char const* companion;  // the font's metrics when the VF is mutated, its VF when they are; or null
    bool operator==(MetricInput const&) const = default;
};

void PrintTo(MetricInput const& input, std::ostream* os) { *os << input.mutated; }

bool IsVfMutant(MetricInput const& input) { return std::string(input.extension) == "vf"; }

// Codes the page sets: every byte, the Omega files' codes above it, and the
// extremes of two-byte codes.
std::vector<unsigned> CodesSet(MetricInput const& input) {
    unsigned last = std::string(input.extension) == "ofm" ? 0x1FF : 0xFF;
    std::vector<unsigned> codes;
    for (unsigned c = 0; c <= last; ++c) codes.push_back(c);
    if (last > 0xFF) codes.insert(codes.end(), {0x7FFF, 0x8000, 0xFFFF});
    return codes;
}

// A page that selects the font and sets every code of `codes`.
std::vector<uint8_t> EveryCodePage(std::vector<unsigned> const& codes) {
    DviBuilder b;
    b.Pre().Bop(1).FntDef(0, kFontName).Op(171);
    for (unsigned c : codes) {
        if (c < 256)
            b.Op(128).U(c, 1);  // set1
        else
            b.Op(129).U(c, 2);  // set2
    }
    return b.Eop().Post().bytes;
}

// Offsets of the four-byte words of a TFM or OFM file; every quantity of both
// formats lies in them.
std::vector<size_t> WordOffsets(size_t size) {
    std::vector<size_t> words;
    for (size_t at = 0; at + 4 <= size; at += 4) words.push_back(at);
    return words;
}

// Where a VF file's postamble starts: the last byte before the 223s that pad it.
size_t VfPostOffset(std::vector<uint8_t> const& vf) {
    size_t i = vf.size();
    while (i > 0 && vf[i - 1] == 223) --i;
    return i - 1;
}

bool EncodingShowsEveryCode(KsDviTTFMap::EncodingName encoding) {
    return encoding == KsDviTTFMap::ENC_OT1 || encoding == KsDviTTFMap::ENC_8R_UNICODE ||
           encoding == KsDviTTFMap::ENC_RAW || encoding == KsDviTTFMap::ENC_MSWINSYMBOL_UNICODE;
}

// Reads every table entry a drawer can reach; AddressSanitizer sees the rest.
void ExpectConsistentFont(KsDvi::ItrnFont const& font) {
    EXPECT_STREQ(font.GetName().c_str(), kFontName);
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        if (!font.IsValidChar(c)) {
            EXPECT_EQ(font.GetCharWidthA(c), 0);
            EXPECT_EQ(font.GetCharPacket(c), nullptr);
            continue;
        }
        EXPECT_GE(c, font.GetFirstCode());
        EXPECT_LE(c, font.GetLastCode());
        (void)(font.GetCharWidthA(c) + font.GetCharHeight(c) + font.GetCharDepth(c));
        if (!font.IsVirtual()) continue;
        // A virtual font has a packet for every character, as its loader checks.
        EXPECT_NE(font.GetCharPacket(c), nullptr) << c;
        EXPECT_GE(font.GetCharPacketLength(c), 0);
        EXPECT_LE(font.GetCharPacketLength(c), kLongestPacket);
    }
    if (font.IsVirtual()) {
        EXPECT_NE(font.GetLocalFontIndex(), nullptr);
    }
}

class MetricMutants : public testing::TestWithParam<MetricInput> {};

// One mutant of a metric file through a document that sets every code of `codes`.
void CheckMutant(MetricInput const& input, std::vector<uint8_t> const& original, std::vector<unsigned> const& codes,
                 std::vector<uint8_t> const& page, MutationKind kind, Mutant const& mutant) {
    bool vf = IsVfMutant(input);
    TempDir dir;
    {
        std::ofstream out(dir / (std::string(kFontName) + "." + input.extension), std::ios::binary);
        out.write(reinterpret_cast<char const*>(mutant.bytes.data()), static_cast<long>(mutant.bytes.size()));
    }
    if (input.companion) {
        std::string ext = std::filesystem::path(input.companion).extension().string();
        std::filesystem::copy_file(MetricsDir() + "/" + input.companion, dir / (kFontName + ext));
    }
    DocumentRun run(page, FontSetup{{dir.Path(), MetricsDir()}, {dir.Path()}});
    KsDvi& dvi = run.Document();
    EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    KsDvi::ItrnFont const* font = dvi.GetExtFontIndex()[0];
    std::vector<std::string> const& missing = dvi.GetMissingFonts();
    bool named = std::find(missing.begin(), missing.end(), kFontName) != missing.end();
    EXPECT_EQ(font == nullptr, named);
    if (font) ExpectConsistentFont(*font);

    if (kind == MutationKind::Truncate) {
        if (!vf) {
            // Metrics cut short never make a font.
            EXPECT_EQ(font, nullptr);
        } else {
            // The metrics load; a VF file cut before its postamble is not used.
            ASSERT_NE(font, nullptr);
            EXPECT_EQ(font->IsVirtual() != 0, mutant.bytes.size() > VfPostOffset(original));
        }
    }

    std::vector<PageTrace> traces = run.Trace();
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_FALSE(traces[0].malformed);
    if (font && !font->IsVirtual() && EncodingShowsEveryCode(font->GetEncoding())) {
        auto valid = std::count_if(codes.begin(), codes.end(), [&](unsigned c) { return font->IsValidChar(c); });
        EXPECT_EQ(traces[0].characters, valid);
    }
    std::vector<std::string> errors = run.Render();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "");
}

TEST_P(MetricMutants, LoadAsAFontOrNotAtAll) {
    MetricInput const& input = GetParam();
    std::vector<uint8_t> original = ReadFileBytes(MetricsDir() + "/" + input.mutated);
    std::vector<unsigned> codes = CodesSet(input);
    std::vector<uint8_t> page = EveryCodePage(codes);
    ForEachMutant(original, input.mutated, IsVfMutant(input) ? std::vector<size_t>{} : WordOffsets(original.size()),
                  kMutantsPerKind, [&](MutationKind kind, Mutant const& mutant) {
                      SCOPED_TRACE(std::string(input.mutated) + ": " + mutant.what);
                      CheckMutant(input, original, codes, page, kind, mutant);
                  });
}

INSTANTIATE_TEST_SUITE_P(
    MadeByTeXTools, MetricMutants,
    testing::Values(MetricInput{"kstest.tfm", "tfm", nullptr}, MetricInput{"ttfdesc.tfm", "tfm", nullptr},
                    MetricInput{"kslevel0.ofm", "ofm", nullptr}, MetricInput{"kslevel1.ofm", "ofm", nullptr},
                    MetricInput{"ksvirt.tfm", "tfm", "ksvirt.vf"}, MetricInput{"ksvirt.vf", "vf", "ksvirt.tfm"}),
    [](testing::TestParamInfo<MetricInput> const& info) {
        std::string file = info.param.mutated;
        std::replace(file.begin(), file.end(), '.', '_');
        return file;
    });

}  // namespace
}  // namespace ksdvi::robustness

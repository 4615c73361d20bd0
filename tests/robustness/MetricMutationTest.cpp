// Mutants of the metric files made by pltotf, opl2ofm and vptovf, loaded as
// documents load fonts: in a font directory under the name a document
// defines, the font's other files beside them as made, and every code of the
// font set on a page. A font that cannot be loaded leaves a null entry and its
// name among the missing fonts; a loaded one answers for every code without
// reading outside its tables.

#include <filesystem>

#include "Robustness.h"
#include "font/ItrnFont.h"
#include "font/PkFont.h"
#include "render/BitmapFont.h"
#include "support/TempDir.h"

namespace ksdvi::robustness {
namespace {

constexpr char kFontName[] = "ksmutant";

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
        (void)font.GetCharHeight(c), (void)font.GetCharDepth(c);
        if (!font.IsVirtual()) continue;
        // A virtual font has a packet for every character, as its loader checks.
        EXPECT_NE(font.GetCharPacket(c), nullptr) << c;
        EXPECT_GE(font.GetCharPacketLength(c), 0);
        EXPECT_LE(font.GetCharPacketLength(c), 1000);
    }
    // The local font table holds what the file defined, within its limit.
    EXPECT_EQ(font.GetLocalFontIndex() != nullptr, font.GetLocalFontIndexSize() > 0);
    EXPECT_LE(font.GetLocalFontIndexSize(), KsDvi::ItrnFont::LocalFontIndexSize);
}

class MetricMutants : public testing::TestWithParam<std::string> {};

TEST_P(MetricMutants, LoadAsAFontOrNotAtAll) {
    std::filesystem::path const mutated = MetricsDir() + "/" + GetParam();
    std::string const extension = mutated.extension().string();
    bool const vf = extension == ".vf";
    std::vector<uint8_t> const original = ReadFileBytes(mutated.string());
    // The VF file's postamble: the byte before the 223s that pad it.
    size_t post = original.size() - 1;
    while (post > 0 && original[post] == 223) --post;

    // Every byte, the Omega files' codes above it and the extremes of two-byte codes.
    std::vector<unsigned> codes;
    for (unsigned c = 0; c <= (extension == ".ofm" ? 0x1FFu : 0xFFu); ++c) codes.push_back(c);
    if (extension == ".ofm") codes.insert(codes.end(), {0x7FFF, 0x8000, 0xFFFF});
    DviBuilder page;
    page.FntDef(0, kFontName).Op(171);                                            // fnt_num_0
    for (unsigned c : codes) page.Op(c < 256 ? 128 : 129).U(c, c < 256 ? 1 : 2);  // set1, set2
    std::vector<uint8_t> const document = OnePage(page);

    // Every quantity of TFM and OFM files lies in a four-byte word.
    std::vector<size_t> words;
    for (size_t at = 0; !vf && at + 4 <= original.size(); at += 4) words.push_back(at);

    for (Mutant const& mutant : MutantsOf(original, GetParam(), 10, words)) {
        SCOPED_TRACE(mutant.what);
        TempDir dir;
        std::ofstream(dir / (kFontName + extension), std::ios::binary)
            .write(reinterpret_cast<char const*>(mutant.bytes.data()), static_cast<long>(mutant.bytes.size()));
        for (std::string other : {".tfm", ".ofm", ".vf"}) {
            std::filesystem::path made = mutated;
            if (other != extension && std::filesystem::exists(made.replace_extension(other)))
                std::filesystem::copy_file(made, dir / (kFontName + other));
        }
        DocumentRun run(document, {dir.Path(), MetricsDir()});
        KsDvi& dvi = run.dvi;
        EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
        KsDvi::ItrnFont const* font = dvi.GetExtFontIndex()[0];
        std::vector<std::string> const& missing = dvi.GetMissingFonts();
        EXPECT_EQ(font == nullptr, std::find(missing.begin(), missing.end(), kFontName) != missing.end());
        if (font) ExpectConsistentFont(*font);
        if (mutant.cut) {
            // Metrics cut short never make a font; a VF file cut before its
            // postamble leaves the font to its metrics.
            ASSERT_EQ(font != nullptr, vf);
            EXPECT_TRUE(!vf || (font->IsVirtual() != 0) == (mutant.bytes.size() > post));
        }

        ASSERT_EQ(run.pages.size(), 1u);
        EXPECT_FALSE(run.pages[0].malformed);
        EXPECT_EQ(run.pages[0].error, "");
        if (font && !font->IsVirtual() && EncodingShowsEveryCode(font->GetEncoding())) {
            auto valid = std::count_if(codes.begin(), codes.end(), [&](unsigned c) { return font->IsValidChar(c); });
            EXPECT_EQ(run.pages[0].calls.size(), static_cast<size_t>(valid));
        }
    }
}

// Bitmap fonts as gftopk made them: a mutant is read whole or refused with a
// reason, and what is read shrinks to glyphs of its own size.
TEST(BitmapFontMutants, ReadWholeOrRefused) {
    std::vector<uint8_t> const original = ReadFileBytes(MetricsDir() + "/cmr10.300pk");
    size_t post = original.size() - 1;  // the postamble, before the no-ops that pad the file
    while (post > 0 && original[post] == 246) --post;
    for (Mutant const& mutant : MutantsOf(original, "cmr10.300pk", 24)) {
        SCOPED_TRACE(mutant.what);
        std::string error;
        auto pk = PkFont::Parse(mutant.bytes.data(), mutant.bytes.size(), &error);
        EXPECT_EQ(pk == nullptr, !error.empty());
        if (mutant.cut) {
            EXPECT_EQ(pk == nullptr, mutant.bytes.size() <= post);
        }
        if (!pk) continue;
        for (auto const& [code, c] : pk->GetChars())
            ASSERT_EQ(c.pixels.size(), static_cast<size_t>(c.width) * static_cast<size_t>(c.height)) << code;
        TempFile file(mutant.bytes, ".pk");
        auto shrunk = BitmapFont::Load(file.Path(), 4);
        ASSERT_NE(shrunk, nullptr);
        for (auto const& [code, c] : pk->GetChars()) {
            gdi::Glyph const* g = shrunk->GetGlyph(code);
            ASSERT_NE(g, nullptr);
            EXPECT_EQ(g->coverage.size(), static_cast<size_t>(g->width) * static_cast<size_t>(g->rows));
            EXPECT_LE(g->width, c.width / 4 + 2);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(MadeByTeXTools, MetricMutants,
                         testing::Values("kstest.tfm", "ttfdesc.tfm", "kslevel0.ofm", "kslevel1.ofm", "ksvirt.tfm",
                                         "ksvirt.vf"),
                         [](testing::TestParamInfo<std::string> const& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

}  // namespace
}  // namespace ksdvi::robustness

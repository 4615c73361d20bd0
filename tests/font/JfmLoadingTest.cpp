// pTeX's and upTeX's JFM files of the installation load with the widths and
// character types their own property lists (ptftopl, uptftopl) give; JFMs
// whose tables break their rules are refused.

#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "MetricFiles.h"
#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/TempDir.h"

namespace {

// Characters of a property list's CHARSINTYPE, and each TYPE's CHARWD.
struct PropertyList {
    std::map<char32_t, unsigned> typeOf;
    std::map<unsigned, double> width;
};

std::u32string Decode(std::string const& utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t value = n == 1 ? c : c & (0x7F >> n);
        for (int k = 1; k < n && i + k < utf8.size(); ++k) value = value << 6 | (utf8[i + k] & 0x3F);
        out.push_back(value);
        i += size_t(n);
    }
    return out;
}

PropertyList ReadPropertyList(std::string const& text) {
    PropertyList list;
    std::istringstream in(text);
    std::string line;
    unsigned chars = 256, type = 256;
    while (std::getline(in, line)) {
        unsigned n = 0;
        if (std::sscanf(line.c_str(), "(CHARSINTYPE O %o", &n) == 1) {
            chars = n;
        } else if (std::sscanf(line.c_str(), "(TYPE O %o", &n) == 1) {
            type = n;
            chars = 256;
        } else if (line.find("   )") == 0 && line.size() == 4) {
            chars = 256;
        } else if (chars < 256) {
            for (char32_t c : Decode(line))
                if (c > 0x20) list.typeOf[c] = chars;
        } else if (double w; type < 256 && std::sscanf(line.c_str(), " (CHARWD R %lf", &w) == 1) {
            list.width[type] = w;
        }
    }
    return list;
}

// The JIS code of a character, through iconv's EUC-JP; 0 for none.
unsigned JisOf(char32_t c) {
    iconv_t cd = iconv_open("EUC-JP", "UTF-32LE");
    if (cd == iconv_t(-1)) return 0;
    char32_t in[1] = {c};
    char out[4] = {};
    char* inp = reinterpret_cast<char*>(in);
    char* outp = out;
    size_t inLeft = 4, outLeft = 4;
    size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1) || outLeft != 2) return 0;
    return (unsigned(static_cast<unsigned char>(out[0])) & 0x7F) << 8 | (static_cast<unsigned char>(out[1]) & 0x7F);
}

struct InstalledJfm {
    char const* name;
    char const* tool;  // the property-list tool of its engine, writing UTF-8
    bool unicode;      // codes are Unicode (upTeX), else JIS
    bool tate;
};

class JfmAgainstItsPropertyList : public testing::TestWithParam<InstalledJfm> {};

TEST_P(JfmAgainstItsPropertyList, TypesAndWidthsAgree) {
    InstalledJfm const& c = GetParam();
    std::string path = InstalledTfm(c.name);
    if (path.empty()) GTEST_SKIP() << c.name << ".tfm is not installed";
    int status = -1;
    std::string pl = RunCommand(std::string(c.tool) + " " + path + " 2>/dev/null", &status);
    if (status != 0 || pl.empty()) GTEST_SKIP() << c.tool << " is not installed";
    PropertyList list = ReadPropertyList(pl);
    ASSERT_GT(list.typeOf.size(), 10u);
    ASSERT_GT(list.width.size(), 1u);

    constexpr int kScale = 655360;
    LoadedFont f(path, kScale);
    ASSERT_EQ(f.ok, 1);
    ksdvi::ItrnFont const& font = f.font;
    EXPECT_TRUE(font.IsJfm());
    EXPECT_EQ(font.IsTateJfm(), c.tate);
    int checked = 0;
    for (auto [character, type] : list.typeOf) {
        unsigned code = c.unicode ? unsigned(character) : JisOf(character);
        if (code == 0) continue;
        SCOPED_TRACE(testing::Message() << std::hex << "code 0x" << code);
        EXPECT_EQ(font.GetCharType(code), type);
        EXPECT_NEAR(font.GetCharWidthA(code), list.width[type] * kScale, 2);
        ++checked;
    }
    EXPECT_GT(checked, 10);
    // Every other code is of type 0, the ideographs' full width.
    unsigned ideograph = c.unicode ? 0x6F22 : 0x3441;  // 漢
    EXPECT_EQ(font.GetCharType(ideograph), 0u);
    EXPECT_NEAR(font.GetCharWidthA(ideograph), list.width[0] * kScale, 2);
    EXPECT_TRUE(font.IsValidChar(ideograph));
}

INSTANTIATE_TEST_SUITE_P(Installed, JfmAgainstItsPropertyList,
                         testing::Values(InstalledJfm{"jis", "ptftopl -kanji=utf8", false, false},
                                         InstalledJfm{"tmin10", "ptftopl -kanji=utf8", false, true},
                                         InstalledJfm{"upjisr-h", "uptftopl", true, false},
                                         InstalledJfm{"upjisr-v", "uptftopl", true, true}),
                         [](auto const& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

// jis.tfm's layout: id nt, then lf lh bc ec nw nh nd ni nl nk ng np from byte
// 4; its 18 header words from 28, the char_type words from 100, char_info
// from 232, the glue/kern program from 288.
struct BrokenJfm {
    char const* name;
    std::vector<std::pair<size_t, std::vector<uint8_t>>> patches;
    size_t keep;
};

class BrokenJfmFile : public testing::TestWithParam<BrokenJfm> {};

TEST_P(BrokenJfmFile, IsRefused) {
    std::string path = InstalledTfm("jis");
    if (path.empty()) GTEST_SKIP() << "jis.tfm is not installed";
    LoadedFont whole(path, 655360);
    ASSERT_EQ(whole.ok, 1);
    TempFile file(".tfm");
    LoadedFont broken(Patched(file, path, GetParam().patches, GetParam().keep), 655360);
    EXPECT_EQ(broken.ok, 0);
}

INSTANTIATE_TEST_SUITE_P(Tables, BrokenJfmFile,
                         testing::Values(BrokenJfm{"length_disagrees", {{4, {0x00, 0x10}}}, 0},
                                         BrokenJfm{"cut_short", {}, 200},
                                         BrokenJfm{"bc_not_zero", {{8, {0x00, 0x01}}}, 0},
                                         BrokenJfm{"first_type_not_default", {{103, {0x01}}}, 0},
                                         BrokenJfm{"codes_out_of_order", {{104, {0x7F, 0x7E}}}, 0},
                                         BrokenJfm{"type_past_ec", {{107, {0xFE}}}, 0},
                                         BrokenJfm{"tag_unknown_to_jfm", {{234, {0x02}}}, 0},
                                         BrokenJfm{"glue_past_its_table", {{290, {0x7F, 0xFF}}}, 0},
                                         BrokenJfm{"kern_past_its_table", {{290, {0xFF, 0xFF}}}, 0}),
                         ByName());

}  // namespace

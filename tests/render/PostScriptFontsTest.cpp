// Type 1 programs as a page's PostScript job gets them: PFB segments turned
// into PFA, the name the program defines, and what is refused.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "font/EncodingVector.h"
#include "render/PostScriptFonts.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace ksdvi {
namespace {

constexpr char kClear[] = "%!PS-AdobeFont-1.0: Test 001\n/FontName /Test-Roman def\ncurrentfile eexec\n";

// A PFB segment: 0x80, its type, its length (little end first), its bytes.
std::string Segment(int type, std::string const& bytes, size_t claimed = std::string::npos) {
    size_t const n = claimed == std::string::npos ? bytes.size() : claimed;
    std::string out = {'\x80', static_cast<char>(type)};
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(n >> shift & 0xFF);
    return out + bytes;
}

std::string const kEnd = "\x80\x03";

struct ProgramCase {
    char const* what;
    std::string file;
    std::optional<std::string> text;  // nullopt: refused
    std::string name = "Test-Roman";
};

class Type1Programs : public testing::TestWithParam<ProgramCase> {};

TEST_P(Type1Programs, ReadAsPostScriptReadsThem) {
    ProgramCase const& c = GetParam();
    TempDir dir;
    WriteFileText(dir / "font", c.file);
    std::optional<Type1Program> program = ReadType1Program(dir / "font");
    ASSERT_EQ(program.has_value(), c.text.has_value()) << c.what;
    if (!program) return;
    EXPECT_EQ(program->text, *c.text) << c.what;
    EXPECT_EQ(program->fontName, c.name) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Type1Programs,
    testing::Values(ProgramCase{"PFB", Segment(1, kClear) + Segment(2, "\x01\xab") + Segment(1, "cleartomark\n") + kEnd,
                                std::string(kClear) + "01ab\ncleartomark\n"},
                    ProgramCase{"PFA as it is", std::string(kClear) + "01ab\n", std::string(kClear) + "01ab\n"},
                    ProgramCase{"a name ends at a delimiter", "%!\n/FontName /Odd(name def eexec\n",
                                "%!\n/FontName /Odd(name def eexec\n", "Odd"},
                    ProgramCase{"a segment longer than the file", Segment(1, kClear, 4096), std::nullopt},
                    ProgramCase{"an unknown segment", Segment(1, kClear) + Segment(7, "x"), std::nullopt},
                    ProgramCase{"a header cut short", "\x80\x01\x05", std::nullopt},
                    ProgramCase{"no encrypted part", "%!PS-AdobeFont-1.0\n/FontName /Plain def\n", std::nullopt},
                    ProgramCase{"no name", "%!PS-AdobeFont-1.0\ncurrentfile eexec\n", std::nullopt},
                    ProgramCase{"OpenType", std::string("OTTO\0\x09", 6), std::nullopt}),
    [](auto const& info) { return "case" + std::to_string(info.index); });

TEST(ShownFont, NamesNoGlyphPostScriptWouldRefuse) {
    auto encoding = EncodingVector::Parse("/Odd [ /A /" + std::string(200, 'x') + " /C ] def");
    ASSERT_TRUE(encoding);
    std::string const code = DefineShownFont("ksdvi@font1", "Test-Roman", encoding.get(), 20, 0.25, 0.5);
    EXPECT_NE(code.find("/Test-Roman findfont"), std::string::npos);
    EXPECT_NE(code.find("/Encoding [ /A /.notdef /C"), std::string::npos) << code;
    EXPECT_NE(code.find("[10 0 5 -20 0 0] makefont"), std::string::npos) << code;
}

}  // namespace
}  // namespace ksdvi

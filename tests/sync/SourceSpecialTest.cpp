// The text of src: specials, and source names as editors give them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/TempDir.h"
#include "sync/SourceName.h"
#include "sync/SourceSpecial.h"

namespace {

struct SpecialCase {
    char const* name;
    std::string args;  // what follows src:
    std::optional<ksdvi::SourceSpecial> expected;
};

void PrintTo(SpecialCase const& c, std::ostream* out) { *out << c.name; }

class SourceSpecialText : public testing::TestWithParam<SpecialCase> {};

TEST_P(SourceSpecialText, GivesLineColumnAndFile) {
    SpecialCase const& c = GetParam();
    std::optional<ksdvi::SourceSpecial> parsed = ksdvi::ParseSourceSpecial(c.args);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value());
    if (!parsed) return;
    EXPECT_EQ(parsed->line, c.expected->line);
    EXPECT_EQ(parsed->column, c.expected->column);
    EXPECT_EQ(parsed->file, c.expected->file);
}

using S = ksdvi::SourceSpecial;

INSTANTIATE_TEST_SUITE_P(
    Forms, SourceSpecialText,
    testing::Values(SpecialCase{"LineSpaceFile", "12 main.tex", S{12, 0, "main.tex"}},
                    SpecialCase{"LineThenFileAtOnce", "12main.tex", S{12, 0, "main.tex"}},
                    SpecialCase{"LineColumnFile", "12:7 main.tex", S{12, 7, "main.tex"}},
                    SpecialCase{"LineAlone", "40", S{40, 0, ""}}, SpecialCase{"LineColumnAlone", "40:3", S{40, 3, ""}},
                    SpecialCase{"DotSlashPath", "3 ./chapters/one.tex", S{3, 0, "./chapters/one.tex"}},
                    SpecialCase{"AbsolutePath", "3 /home/me/paper/a b.tex", S{3, 0, "/home/me/paper/a b.tex"}},
                    SpecialCase{"TrailingBlanks", "5 x.tex  ", S{5, 0, "x.tex"}},
                    SpecialCase{"DigitsInName", "5 2024.tex", S{5, 0, "2024.tex"}},
                    SpecialCase{"LargestLine", "2147483647 x.tex", S{2147483647, 0, "x.tex"}}),
    [](testing::TestParamInfo<SpecialCase> const& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Garbage, SourceSpecialText,
                         testing::Values(SpecialCase{"Empty", "", std::nullopt},
                                         SpecialCase{"NoNumber", "main.tex", std::nullopt},
                                         SpecialCase{"LineZero", "0 main.tex", std::nullopt},
                                         SpecialCase{"NegativeLine", "-3 main.tex", std::nullopt},
                                         SpecialCase{"LineTooLarge", "99999999999 main.tex", std::nullopt},
                                         SpecialCase{"ColumnTooLarge", "3:99999999999 main.tex", std::nullopt},
                                         SpecialCase{"ControlCharacter", "3 ma\x01in.tex", std::nullopt},
                                         SpecialCase{"NulInName", std::string("3 ma\0in.tex", 11), std::nullopt},
                                         SpecialCase{"NameTooLong", "3 " + std::string(5000, 'a'), std::nullopt},
                                         SpecialCase{"ColonOnly", ":5 main.tex", std::nullopt}),
                         [](testing::TestParamInfo<SpecialCase> const& info) { return std::string(info.param.name); });

struct NameCase {
    char const* name;
    char const* recorded;  // as TeX wrote it, relative to the DVI file's directory
    char const* given;     // as an editor passes it; a leading '@' stands for the directory
    bool matches;
};

void PrintTo(NameCase const& c, std::ostream* out) { *out << c.name; }

class SourceNames : public testing::TestWithParam<NameCase> {};

std::string Expand(std::string const& text, std::string const& directory) {
    return text.starts_with('@') ? directory + text.substr(1) : text;
}

TEST_P(SourceNames, MatchTheFileTeXRecorded) {
    NameCase const& c = GetParam();
    TempDir dir;
    std::filesystem::create_directories(dir / "doc/chapters");
    for (char const* file : {"doc/main.tex", "doc/chapters/one.tex", "other.tex"}) std::ofstream(dir / file) << "x\n";
    std::filesystem::create_directory_symlink(dir / "doc", dir / "link");
    std::string const documentDir = dir / "doc";
    std::string const recorded = ksdvi::ComparableSourcePath(Expand(c.recorded, dir.Path()), documentDir);
    ksdvi::SourceName const given(Expand(c.given, dir.Path()), documentDir);
    EXPECT_EQ(given.Matches(recorded), c.matches) << recorded;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SourceNames,
    testing::Values(NameCase{"SameRelative", "main.tex", "main.tex", true},
                    NameCase{"DotSlashRecorded", "./main.tex", "main.tex", true},
                    NameCase{"DotSlashGiven", "main.tex", "./main.tex", true},
                    NameCase{"AbsoluteGiven", "main.tex", "@/doc/main.tex", true},
                    NameCase{"AbsoluteRecordedWithDot", "@/doc/./chapters/one.tex", "chapters/one.tex", true},
                    NameCase{"DotDotSteps", "chapters/one.tex", "chapters/../chapters/one.tex", true},
                    NameCase{"ThroughLink", "main.tex", "@/link/main.tex", true},
                    NameCase{"WithoutExtension", "chapters/one", "chapters/one.tex", true},
                    NameCase{"OtherFile", "main.tex", "other.tex", false},
                    NameCase{"SameNameElsewhere", "main.tex", "chapters/main.tex", false},
                    NameCase{"ParentDirectoryFile", "../other.tex", "@/other.tex", true},
                    NameCase{"PrefixOnly", "main.tex", "main", false}),
    [](testing::TestParamInfo<NameCase> const& info) { return std::string(info.param.name); });

}  // namespace

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

using S = ksdvi::SourceSpecial;

// What follows src:, and the line, column and file it gives, or none.
TEST(SourceSpecialText, GivesLineColumnAndFile) {
    std::pair<std::string, std::optional<S>> const cases[] = {
        {"12 main.tex", S{12, 0, "main.tex"}},
        {"12main.tex", S{12, 0, "main.tex"}},
        {"12:7 main.tex", S{12, 7, "main.tex"}},
        {"40", S{40, 0, ""}},
        {"40:3", S{40, 3, ""}},
        {"3 ./chapters/one.tex", S{3, 0, "./chapters/one.tex"}},
        {"3 /home/me/paper/a b.tex", S{3, 0, "/home/me/paper/a b.tex"}},
        {"5 x.tex  ", S{5, 0, "x.tex"}},
        {"5 2024.tex", S{5, 0, "2024.tex"}},
        {"2147483647 x.tex", S{2147483647, 0, "x.tex"}},
        {"", std::nullopt},
        {"main.tex", std::nullopt},
        {"0 main.tex", std::nullopt},
        {"-3 main.tex", std::nullopt},
        {"99999999999 main.tex", std::nullopt},
        {"3:99999999999 main.tex", std::nullopt},
        {"3 ma\x01in.tex", std::nullopt},
        {std::string("3 ma\0in.tex", 11), std::nullopt},
        {"3 " + std::string(5000, 'a'), std::nullopt},
        {":5 main.tex", std::nullopt},
    };
    for (auto const& [args, expected] : cases) {
        SCOPED_TRACE(args.substr(0, 40));
        std::optional<S> parsed = ksdvi::ParseSourceSpecial(args);
        ASSERT_EQ(parsed.has_value(), expected.has_value());
        if (!parsed) continue;
        EXPECT_EQ(parsed->line, expected->line);
        EXPECT_EQ(parsed->column, expected->column);
        EXPECT_EQ(parsed->file, expected->file);
    }
}

// A name as TeX recorded it, relative to the DVI file's directory, and as
// an editor gives it; a leading '@' stands for the test's directory.
TEST(SourceNames, MatchTheFileTeXRecorded) {
    TempDir dir;
    std::filesystem::create_directories(dir / "doc/chapters");
    for (char const* file : {"doc/main.tex", "doc/chapters/one.tex", "other.tex"}) std::ofstream(dir / file) << "x\n";
    std::filesystem::create_directory_symlink(dir / "doc", dir / "link");
    std::string const documentDir = dir / "doc";
    auto expand = [&](std::string const& text) { return text.starts_with('@') ? dir.Path() + text.substr(1) : text; };
    struct Case {
        char const* recorded;
        char const* given;
        bool matches;
    } const cases[] = {
        {"main.tex", "main.tex", true},
        {"./main.tex", "main.tex", true},
        {"main.tex", "./main.tex", true},
        {"main.tex", "@/doc/main.tex", true},
        {"@/doc/./chapters/one.tex", "chapters/one.tex", true},
        {"chapters/one.tex", "chapters/../chapters/one.tex", true},
        {"main.tex", "@/link/main.tex", true},
        {"chapters/one", "chapters/one.tex", true},
        {"main.tex", "other.tex", false},
        {"main.tex", "chapters/main.tex", false},
        {"../other.tex", "@/other.tex", true},
        {"main.tex", "main", false},
    };
    for (Case const& c : cases) {
        std::string const recorded = ksdvi::ComparableSourcePath(expand(c.recorded), documentDir);
        ksdvi::SourceName const given(expand(c.given), documentDir);
        EXPECT_EQ(given.Matches(recorded), c.matches) << c.given << " against " << recorded;
    }
}

}  // namespace

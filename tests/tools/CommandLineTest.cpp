// The command line itself: an unknown command is named, a repeatable option
// takes one value each time (the document's name is never taken for one),
// empty values are errors naming their option, and "-" reads the document
// from standard input for every command.

#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

struct Mistake {
    char const* name;
    std::string args;     // {} for plain.dvi
    std::string message;  // a part of standard error
};

void PrintTo(Mistake const& c, std::ostream* os) { *os << c.name; }

std::string WithDocument(std::string text, std::string const& document) {
    for (size_t at; (at = text.find("{}")) != std::string::npos;) text.replace(at, 2, document);
    return text;
}

class CommandLineMistake : public testing::TestWithParam<Mistake> {};

// One line naming what is wrong, exit status 1, nothing written.
TEST_P(CommandLineMistake, IsNamedAndWritesNothing) {
    TempDir dir;
    int status = -1;
    std::string const err = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " " +
                                           WithDocument(GetParam().args, DataFile("plain.dvi")) + " 2>&1 >/dev/null",
                                       &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find(GetParam().message), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineMistake,
    testing::Values(Mistake{"unknown_command", "frobnicate {}", "ksdvi: unknown command 'frobnicate'"},
                    Mistake{"unknown_command_alone", "frobnicate", "ksdvi: unknown command 'frobnicate'"},
                    Mistake{"render_empty_pages", "render -p '' {}", "--pages: must not be empty"},
                    Mistake{"trace_empty_pages", "trace --pages '' {}", "--pages: must not be empty"},
                    Mistake{"select_empty_pages", "select {} -p '' -o out.dvi", "--pages: must not be empty"},
                    Mistake{"print_empty_pages", "print -p '' -o out.pdf {}", "--pages: must not be empty"},
                    Mistake{"render_empty_output", "render -o '' {}", "--output: must not be empty"},
                    Mistake{"render_empty_highlight", "render --highlight '' {}", "--highlight: must not be empty"},
                    Mistake{"empty_document", "info ''", "FILE: must not be empty"},
                    // A path option followed by the document leaves no document.
                    Mistake{"path_option_takes_one_value", "info --tfm-path . . {}", "not expected"}),
    [](auto const& info) { return std::string(info.param.name); });

struct PathOption {
    char const* name;
    std::string options;  // {m} for the directory of the test metrics, {map} for a map file
    std::string font;
    std::string key;
    nlohmann::json expected;
};

void PrintTo(PathOption const& c, std::ostream* os) { *os << c.name; }

class RepeatableOption : public testing::TestWithParam<PathOption> {};

// Given before the document, each path option takes its own value only: the
// document and the options after it are read as such.
TEST_P(RepeatableOption, TakesOneValueAndLeavesTheDocument) {
    PathOption const& c = GetParam();
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "kstest").FntDef(1, "ksvirt").FntDef(2, "cmr10").Op(171).Op('A')));
    TempFile map(".map");
    map.WriteText("cmr10 { fontname = 'DejaVu Serif', encoding = 'raw' }\n");
    std::string options = c.options;
    for (size_t at; (at = options.find("{m}")) != std::string::npos;) options.replace(at, 3, MetricsDir());
    for (size_t at; (at = options.find("{map}")) != std::string::npos;) options.replace(at, 5, map.Path());
    int status = -1;
    // How kstest is painted does not matter here: no METAFONT run for it.
    std::string const out =
        RunCommand("MKTEXPK=0 " KSDVI_CLI " info " + options + " " + dvi.Path() + " --json 2>/dev/null", &status);
    ASSERT_EQ(status, 0) << options;
    auto const info = nlohmann::json::parse(out);
    EXPECT_EQ(info["file"], dvi.Path());
    bool found = false;
    for (auto const& font : info["fonts"]) {
        if (font["name"] != c.font) continue;
        EXPECT_EQ(font[c.key], c.expected) << c.font;
        found = true;
    }
    EXPECT_TRUE(found) << c.font << " in " << out;
}

INSTANTIATE_TEST_SUITE_P(
    Options, RepeatableOption,
    testing::Values(PathOption{"tfm_path", "--tfm-path {m}", "kstest", "checksum", 012345670},
                    PathOption{"tfm_path_twice", "--tfm-path / --tfm-path {m}", "kstest", "checksum", 012345670},
                    PathOption{"vf_path", "--tfm-path {m} --vf-path {m}", "ksvirt", "virtual", true},
                    PathOption{"without_vf_path", "--tfm-path {m}", "ksvirt", "virtual", false},
                    PathOption{"map", "--map {map}", "cmr10", "face", "dejavu serif"},
                    PathOption{"map_twice", "--map {map} --map {map}", "cmr10", "face", "dejavu serif"}),
    [](auto const& info) { return std::string(info.param.name); });

// fontmap's document is optional: taken for a map file, it was left out.
TEST(RepeatableOption, FontmapKeepsItsDocument) {
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "cmr10").Op(171).Op('A')));
    TempFile map(".map");
    map.WriteText("cmr10 { fontname = 'DejaVu Serif', encoding = 'raw' }\n");
    int status = -1;
    std::string const out = Ksdvi("fontmap --map " + map.Path() + " " + dvi.Path(), &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "'cmr10' { fontname = 'dejavu serif', encoding = 'raw' }\n");
}

struct StdinCase {
    char const* name;
    std::string args;      // {} where the document goes, {out} the output directory
    std::string document;  // in tests/data
    std::string output;    // a file written in {out} to compare, "" to compare standard output
};

void PrintTo(StdinCase const& c, std::ostream* os) { *os << c.name; }

class StandardInput : public testing::TestWithParam<StdinCase> {};

// `-` reads standard input, a pipe here, and does what the file's name does.
TEST_P(StandardInput, DashReadsTheDocumentFromStandardInput) {
    StdinCase const& c = GetParam();
    TempDir byName, piped;
    auto run = [&](TempDir const& out, std::string const& document, std::string const& input) {
        std::string args = WithDocument(c.args, document);
        for (size_t at; (at = args.find("{out}")) != std::string::npos;) args.replace(at, 5, out.Path());
        int status = -1;
        std::string const text = RunCommand(input + KSDVI_CLI + " " + args + " 2>/dev/null", &status);
        EXPECT_EQ(status, 0) << args;
        return text;
    };
    std::string const file = DataFile(c.document);
    std::string const expected = run(byName, file, "");
    std::string const got = run(piped, "-", "cat " + file + " | ");
    if (c.output.empty()) {
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(got, expected);
    } else {
        std::vector<uint8_t> const written = ReadFileBytes(byName / c.output);
        EXPECT_FALSE(written.empty());
        EXPECT_EQ(ReadFileBytes(piped / c.output), written);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StandardInput,
    testing::Values(StdinCase{"trace", "trace -p 2 {}", "plain.dvi", ""}, StdinCase{"text", "text {}", "text.dvi", ""},
                    StdinCase{"search", "search {} finite", "text.dvi", ""},
                    StdinCase{"links", "links --json {}", "links.dvi", ""},
                    StdinCase{"locate", "locate {} second", "links.dvi", ""},
                    StdinCase{"outline", "outline {}", "hyperref-dvips.dvi", ""},
                    StdinCase{"fontmap", "fontmap {}", "psnfss.dvi", ""},
                    StdinCase{"info", "info --json {} | grep -v '\"file\"'", "plain.dvi", ""},
                    StdinCase{"render", "render -p 2 -r 30 -o {out}/p-%d.png {}", "plain.dvi", "p-2.png"},
                    StdinCase{"select", "select {} -p 3,1 -o {out}/out.dvi", "plain.dvi", "out.dvi"},
                    StdinCase{"print", "print -p 1 -r 30 -o - {} | grep -v CreationDate", "plain.dvi", ""}),
    [](auto const& info) { return std::string(info.param.name); });

// Named after standard input, as /dev/stdin is.
TEST(StandardInput, DefaultNamesSayStdin) {
    TempDir dir;
    int status = -1;
    std::string const listing = RunCommand(
        "cd " + dir.Path() + " && cat " + DataFile("plain.dvi") + " | " + KSDVI_CLI + " render -r 20 -p 1 -", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(listing, "stdin-1.png\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "stdin-1.png"));
}

}  // namespace

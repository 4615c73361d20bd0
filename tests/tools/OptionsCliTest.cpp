// The command line every command shares: mistakes, --version, -D, --quiet,
// exit statuses, path options, documents named without .dvi or read from
// standard input, the names of the files written, -pp.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

std::string FirstLine(std::string const& text) { return text.substr(0, text.find('\n')); }

std::string WithDocument(std::string const& text, std::string const& document) {
    return Replaced(text, "{}", document);
}

struct Mistake {
    char const* name;
    std::string args;     // {} for plain.dvi
    std::string message;  // a part of standard error
};

class CommandLineMistake : public testing::TestWithParam<Mistake> {};

// One line naming what is wrong, exit status 1, nothing written.
TEST_P(CommandLineMistake, IsNamedAndWritesNothing) {
    TempDir dir;
    int status = -1;
    std::string const err =
        KsdviIn(dir.Path(), WithDocument(GetParam().args, DataFile("plain.dvi")), &status, " 2>&1 >/dev/null");
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find(WithDocument(GetParam().message, DataFile("plain.dvi"))), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineMistake,
    testing::Values(
        Mistake{"unknown_command", "frobnicate {}", "ksdvi: unknown command 'frobnicate'"},
        Mistake{"unknown_command_alone", "frobnicate", "ksdvi: unknown command 'frobnicate'"},
        Mistake{"render_empty_pages", "render -p '' {}", "--pages: must not be empty"},
        Mistake{"trace_empty_pages", "trace --pages '' {}", "--pages: must not be empty"},
        Mistake{"select_empty_pages", "select {} -p '' -o out.dvi", "--pages: must not be empty"},
        Mistake{"select_missing_page", "select {} -p 2,9 -o x.dvi", "page 9 out of range"},
        Mistake{"select_unwritable", "select {} -p 1 -o /nonexistent-dir/x.dvi",
                "/nonexistent-dir/x.dvi: No such file or directory"},
        Mistake{"trace_missing_page", "trace -p 4 {}", "page 4 out of range"},
        Mistake{"print_empty_pages", "print -p '' -o out.pdf {}", "--pages: must not be empty"},
        Mistake{"render_empty_output", "render -o '' {}", "--output: must not be empty"},
        Mistake{"render_empty_highlight", "render --highlight '' {}", "--highlight: must not be empty"},
        Mistake{"empty_document", "info ''", "FILE: must not be empty"},
        // A path option followed by the document leaves no document.
        Mistake{"path_option_takes_one_value", "info --tfm-path . . {}", "not expected"},
        Mistake{"quiet_and_verbose", "info -q -v {}", "--quiet excludes --verbose"},
        Mistake{"mode_is_a_word", "info --mode 'cx;true' {}", "not a METAFONT mode"},
        Mistake{"paper", "render --paper huge {}", "{}: bad paper size 'huge'"},
        Mistake{"unwritable", "render -p 1 -o /nonexistent-dir/x-%d.png {}",
                "/nonexistent-dir/x-1.png: cannot write the PNG file: No such file or directory"},
        Mistake{"one_file_many_pages", "render -o page.png {}", "page.png: one output file for 3 pages; put %d"},
        Mistake{"stdout_many_pages", "render -r 30 -o - {}", "-o - writes one page"},
        Mistake{"stdout_follow", "render --follow -o - {}", "-o - writes one page"},
        Mistake{"zoom_nan", "render -z nan {}", "not a finite number"},
        Mistake{"postscript_time", "pdf --ps-seconds 0 {}", "--ps-seconds"},
        Mistake{"resolution_text", "render -r abc {}", "--resolution"},
        Mistake{"map_directory", "render --map / {}", "--map: File is actually a directory"},
        Mistake{"font_path_missing", "render --tfm-path /nonexistent-dir {}", "--tfm-path: Directory does not exist"},
        Mistake{"page_memory", "render -r 4800 -z 20 {}", "MiB pages may take; lower the resolution"},
        Mistake{"xhan_table", "render --xhan-table " + DataFile("korean.tex") + " {}",
                "korean.tex: line 1: not a row"}),
    ByName());

// The line of `listing` that starts with `prefix`, without it.
std::string LineAfter(std::string const& listing, std::string const& prefix) {
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return "<no line " + prefix + ">";
}

// What the libraries' own tools say of the versions installed.
TEST(Version, NamesKsdviAndTheLibrariesAsInstalled) {
    std::string const out = KsdviOk("--version");
    EXPECT_EQ(Ksdvi("-V"), out);
    EXPECT_EQ(FirstLine(out), "ksdvi " KSDVI_PROJECT_VERSION);
    EXPECT_EQ(LineAfter(out, "Cairo "), FirstLine(RunCommand("pkg-config --modversion cairo")));
    EXPECT_EQ(LineAfter(out, "libpng "), FirstLine(RunCommand("pkg-config --modversion libpng")));
    EXPECT_EQ(LineAfter(out, "kpathsea version "), LineAfter(RunCommand("kpsewhich --version"), "kpathsea version "));
    EXPECT_NE(LineAfter(out, "GPL Ghostscript ").find(FirstLine(RunCommand("gs --version"))), std::string::npos) << out;
    EXPECT_NE(LineAfter(out, "FreeType ").find('.'), std::string::npos) << out;
}

// {} is the document; every command that takes -r takes -D for it.
class ResolutionAlias : public testing::TestWithParam<std::string> {};

TEST_P(ResolutionAlias, DIsR) {
    TempDir r, d;
    auto run = [&](TempDir const& dir, std::string const& option) {
        std::string args = WithDocument(GetParam(), DataFile("links.dvi"));
        args.insert(args.find(' '), " " + option);  // after the command, before any pipe
        return KsdviInOk(dir.Path(), args);
    };
    std::string const withR = run(r, "-r 150");
    EXPECT_EQ(run(d, "-D 150"), withR);
    EXPECT_EQ(run(d, "--resolution 150"), withR);
    if (std::filesystem::exists(r / "links-1.png")) {
        EXPECT_EQ(ReadFileBytes(d / "links-1.png"), ReadFileBytes(r / "links-1.png"));
    } else if (GetParam().rfind("info", 0) != 0) {  // info describes outline fonts alike at every resolution
        EXPECT_NE(run(d, "-D 72"), withR);          // the resolution is taken
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, ResolutionAlias,
                         testing::Values("render -p 1 {}", "links {}", "locate {} second", "search {} link",
                                         "text --json {}", "info --json {} | grep -v '\"file\"'",
                                         "print -p 1 -o - {} | grep -v CreationDate"));

// A one-page document that sets a character of a font that exists nowhere.
std::vector<uint8_t> MissingFontDocument() { return OnePage(DviBuilder{}.FntDef(0, "ksnosuchfont").Op(171).Op('A')); }

struct Chatter {
    char const* name;
    std::string options;
    bool warns;  // the missing font is said
    bool notes;  // the paper and fonts are said
};

class Verbosity : public testing::TestWithParam<Chatter> {};

// A font that exists nowhere is a warning; errors are said whatever the options.
TEST_P(Verbosity, DecidesWhatIsSaidButNotTheStatus) {
    Chatter const& c = GetParam();
    TempDir dir;
    TempFile dvi(MissingFontDocument());
    int status = -1;
    std::string const err =
        KsdviIn(dir.Path(), "render -r 20 --paper a4 " + c.options + " " + dvi.Path(), &status, " 2>&1 >/dev/null");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err.find("warning: font ksnosuchfont") != std::string::npos, c.warns) << err;
    EXPECT_EQ(err.find("paper 210.00 x 297.00 mm (a4)") != std::string::npos, c.notes) << err;
    std::string const missing = Ksdvi("render " + c.options + " " + dir / "none.dvi", &status, true);
    EXPECT_EQ(status, 1);
    EXPECT_NE(missing.find("none.dvi: No such file"), std::string::npos) << missing;
}

INSTANTIATE_TEST_SUITE_P(Options, Verbosity,
                         testing::Values(Chatter{"default", "", true, false}, Chatter{"quiet", "-q", false, false},
                                         Chatter{"quiet_long", "--quiet", false, false},
                                         Chatter{"verbose", "-v", true, true},
                                         Chatter{"verbose_long", "--verbose", true, true}),
                         ByName());

struct StatusCase {
    char const* name;
    std::string args;  // {} the document
    bool missingFont;  // the document names a font that exists nowhere
    int status;
};

class ExitStatus : public testing::TestWithParam<StatusCase> {};

// --strict turns a success with warnings into status 3; it leaves failures
// and search's "nothing found" as they are.
TEST_P(ExitStatus, IsAsTheReadmeSays) {
    StatusCase const& c = GetParam();
    TempDir dir;
    TempFile missing(MissingFontDocument());
    int status = -1;
    KsdviIn(dir.Path(), WithDocument(c.args, c.missingFont ? missing.Path() : DataFile("plain.dvi")), &status,
            " >/dev/null 2>&1");
    EXPECT_EQ(status, c.status) << c.args;
}

INSTANTIATE_TEST_SUITE_P(Commands, ExitStatus,
                         testing::Values(StatusCase{"render", "render -r 10 {}", false, 0},
                                         StatusCase{"render_strict", "render -r 10 --strict {}", false, 0},
                                         StatusCase{"render_warning", "render -r 10 {}", true, 0},
                                         StatusCase{"render_warning_strict", "render -r 10 --strict {}", true, 3},
                                         StatusCase{"render_warning_strict_quiet", "render -r 10 --strict -q {}", true,
                                                    3},
                                         StatusCase{"info_warning_strict", "info --strict {}", true, 3},
                                         StatusCase{"trace_warning_strict", "trace --strict {}", true, 3},
                                         StatusCase{"text_warning_strict", "text --strict {}", true, 3},
                                         StatusCase{"pdf_warning_strict", "pdf --strict -o p.pdf {}", true, 3},
                                         StatusCase{"svg_warning_strict", "svg --strict -o p-%d.svg {}", true, 3},
                                         StatusCase{"search_found", "search --strict {} fox", false, 0},
                                         StatusCase{"search_not_found", "search --strict {} zebra", false, 1},
                                         StatusCase{"missing_file_strict", "info --strict {}.none", false, 1},
                                         StatusCase{"locate_no_anchor", "locate --strict {} nowhere", false, 1}),
                         ByName());

// A file cut short inside a page: each command reads the pages before the
// cut and says where the file ends (a warning, so --strict gives 3); one
// that cannot be opened is named once.
TEST(CutFile, EveryCommandSaysWhereItEnds) {
    std::vector<uint8_t> bytes = ReadFileBytes(DataFile("plain.dvi"));
    bytes.resize(bytes.size() * 2 / 3);
    TempFile cut(bytes);
    for (char const* command : {"render -r 10 -o p-%d.png", "pdf -o p.pdf", "svg -o p-%d.svg", "text"}) {
        TempDir dir;
        int status = -1;
        std::string const err =
            KsdviIn(dir.Path(), std::string(command) + " --strict " + cut.Path(), &status, " 2>&1 >/dev/null");
        EXPECT_EQ(status, 3) << command << ": " << err;
        EXPECT_NE(err.find("warning: "), std::string::npos) << command << ": " << err;
        EXPECT_NE(err.find("file ends"), std::string::npos) << command << ": " << err;
    }
    TempDir dir;
    int status = -1;
    std::string const err = KsdviIn(dir.Path(), "pdf -o p.pdf " + DataFile("plain.tex"), &status, " 2>&1 >/dev/null");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "ksdvi: " + DataFile("plain.tex") + ": not a DVI file (no preamble)\n");
}

struct Making {
    char const* name;
    std::string options;
    std::string asked;  // in mktexpk's arguments; empty: mktexpk does not run
};

class BitmapMaking : public testing::TestWithParam<Making> {};

// kstest has metrics and no face: its PK font is asked of mktexpk, here a
// script first on PATH that notes its arguments and makes nothing.
TEST_P(BitmapMaking, AsksMktexpkInTheModeGiven) {
    Making const& c = GetParam();
    TempDir dir;
    std::ofstream(dir / "mktexpk") << "#!/bin/sh\necho \"$@\" >>" << dir / "asked"
                                   << "\nexit 1\n";
    std::filesystem::permissions(dir / "mktexpk", std::filesystem::perms::owner_all);
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "kstest").Op(171).Op('A')));
    RunOk("cd " + dir.Path() + " && env -u MKTEXPK PATH=" + dir.Path() + ":$PATH " + KSDVI_CLI +
          " render -q -r 20 --tfm-path " + MetricsDir() + " " + c.options + " " + dvi.Path() + " >/dev/null");
    std::string const asked = FirstLine(ReadFileText(dir / "asked"));
    if (c.asked.empty())
        EXPECT_EQ(asked, "");
    else
        EXPECT_NE(asked.find(c.asked), std::string::npos) << asked;
}

INSTANTIATE_TEST_SUITE_P(Options, BitmapMaking,
                         testing::Values(Making{"default", "", "--mfmode cx --bdpi 300"},
                                         Making{"mode", "--mode ljfour --bdpi 600", "--mfmode ljfour --bdpi 600"},
                                         Making{"never", "--no-mktexpk", ""}),
                         ByName());

// The defaults each command's help shows, with the environment that sets them.
TEST(Help, ShowsTheDefaults) {
    std::string const cli = KSDVI_CLI;
    for (auto const& [command, shown] : {std::pair{cli + " render", "-r,-D,--resolution INT:INT in [1 - 4800]=96"},
                                         {cli + " render", "[0.01 - 100]=1\n"},
                                         {"PAPERSIZE=a4 " + cli + " render", "--paper TEXT=a4 "},
                                         {"PAPERSIZE=letter " + cli + " render", "--paper TEXT=letter "},
                                         {cli + " print", "[1 - 4800]=600"},
                                         {"PAPERSIZE=a5 " + cli + " print", "--paper TEXT=a5 "},
                                         {cli + " info", "=96"},
                                         {cli + " text", "--mode TEXT:MODE=cx"},
                                         {cli + " trace", "=300"}}) {
        std::string const help = RunOk(command + " --help");
        EXPECT_NE(help.find(shown), std::string::npos) << command << ": " << help;
    }
}

struct PathOption {
    char const* name;
    std::string options;  // {m} for the directory of the test metrics, {map} for a map file
    std::string font;
    std::string key;
    nlohmann::json expected;
};

class RepeatableOption : public testing::TestWithParam<PathOption> {};

// Given before the document, each path option takes its own value only: the
// document and the options after it are read as such.
TEST_P(RepeatableOption, TakesOneValueAndLeavesTheDocument) {
    PathOption const& c = GetParam();
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "kstest").FntDef(1, "ksvirt").FntDef(2, "cmr10").Op(171).Op('A')));
    TempFile map(".map");
    map.WriteText("cmr10 { fontname = 'DejaVu Serif', encoding = 'raw' }\n");
    std::string const options = Replaced(Replaced(c.options, "{m}", MetricsDir()), "{map}", map.Path());
    // How kstest is painted does not matter here: no METAFONT run for it.
    std::string const out = RunOk("MKTEXPK=0 " KSDVI_CLI " info " + options + " " + dvi.Path() + " --json 2>/dev/null");
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
    ByName());

// fontmap's document is optional: taken for a map file, it was left out.
TEST(RepeatableOption, FontmapKeepsItsDocument) {
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "cmr10").Op(171).Op('A')));
    TempFile map(".map");
    map.WriteText("cmr10 { fontname = 'DejaVu Serif', encoding = 'raw' }\n");
    std::string const out = KsdviOk("fontmap --map " + map.Path() + " " + dvi.Path());
    EXPECT_EQ(out, "'cmr10' { fontname = 'dejavu serif', encoding = 'raw' }\n");
}

// Each command run as `args` (`{}` the document, `{out}` its own directory)
// on a document named in a way of the test's, in the directory of its own.
struct SameOutput {
    char const* name;
    std::string args;
    std::string document;  // in tests/data
    std::string output;    // a file written in {out} to compare, "" to compare standard output
};

class StandardInput : public testing::TestWithParam<SameOutput> {};

// `-` reads standard input, a pipe here, and does what the file's name does.
TEST_P(StandardInput, DashReadsTheDocumentFromStandardInput) {
    SameOutput const& c = GetParam();
    TempDir byName, piped;
    auto run = [&](TempDir const& out, std::string const& document, std::string const& input) {
        return RunOk(input + KSDVI_CLI + " " + Replaced(WithDocument(c.args, document), "{out}", out.Path()) +
                     " 2>/dev/null");
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
    testing::Values(SameOutput{"trace", "trace -p 2 {}", "plain.dvi", ""},
                    SameOutput{"text", "text {}", "text.dvi", ""},
                    SameOutput{"search", "search {} finite", "text.dvi", ""},
                    SameOutput{"links", "links --json {}", "links.dvi", ""},
                    SameOutput{"locate", "locate {} second", "links.dvi", ""},
                    SameOutput{"outline", "outline {}", "hyperref-dvips.dvi", ""},
                    SameOutput{"fontmap", "fontmap {}", "psnfss.dvi", ""},
                    SameOutput{"info", "info --json {} | grep -v '\"file\"'", "plain.dvi", ""},
                    SameOutput{"render", "render -p 2 -r 30 -o {out}/p-%d.png {}", "plain.dvi", "p-2.png"},
                    SameOutput{"select", "select {} -p 3,1 -o {out}/out.dvi", "plain.dvi", "out.dvi"},
                    SameOutput{"print", "print -p 1 -r 30 -o - {} | grep -v CreationDate", "plain.dvi", ""}),
    ByName());

// Named after standard input, read as `-` or as /dev/stdin.
TEST(StandardInput, DefaultNamesSayStdin) {
    TempDir dir;
    KsdviOk("render -r 20 -p 2 -o " + dir / "direct-%d.png " + DataFile("plain.dvi"));
    for (char const* name : {"-", "/dev/stdin"}) {
        EXPECT_EQ(RunOk("cd " + dir.Path() + " && cat " + DataFile("plain.dvi") + " | " + KSDVI_CLI +
                        " render -r 20 -p 2 " + name),
                  "stdin-2.png\n");
        EXPECT_EQ(ReadFileBytes(dir / "stdin-2.png"), ReadFileBytes(dir / "direct-2.png")) << name;
        std::filesystem::remove(dir / "stdin-2.png");
    }
}

// `paper` is paper.dvi when there is no file `paper`, for every command.
class NameWithoutExtension : public testing::TestWithParam<std::string> {};

TEST_P(NameWithoutExtension, FindsTheDviFile) {
    TempDir dir;
    std::filesystem::copy_file(DataFile("plain.dvi"), dir / "paper.dvi");
    auto run = [&](std::string const& name) { return KsdviInOk(dir.Path(), WithDocument(GetParam(), name)); };
    std::string const named = run("paper.dvi");
    EXPECT_FALSE(named.empty());
    EXPECT_EQ(run("paper"), named);
}

INSTANTIATE_TEST_SUITE_P(Commands, NameWithoutExtension,
                         testing::Values("trace {}", "info {}", "text {}", "links --json {}", "outline --json {}",
                                         "fontmap {}", "search {} fox", "locate {} sec1", "render -r 20 -p 1 {}",
                                         "select -p 1 -o one.dvi {} && wc -c <one.dvi",
                                         "print -r 20 -p 1 -o one.pdf {} && echo printed"));

TEST(NameWithoutExtension, AFileOfThatNameWins) {
    TempDir dir;
    std::filesystem::copy_file(DataFile("plain.dvi"), dir / "paper.dvi");
    std::ofstream(dir / "paper") << "not DVI";
    int status = -1;
    std::string const err = KsdviIn(dir.Path(), "info paper", &status, " 2>&1");
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("paper: not a DVI file"), std::string::npos) << err;
}

// -o - writes the PNG that -o FILE writes.
TEST(StandardOutput, RenderWritesOnePagesPng) {
    TempDir dir;
    KsdviOk("render -p 2 -r 30 -o " + dir / "p.png " + DataFile("plain.dvi"));
    KsdviOk("render -p 2 -r 30 -o - " + DataFile("plain.dvi") + " >" + dir / "out.png");
    EXPECT_EQ(ReadFileBytes(dir / "out.png"), ReadFileBytes(dir / "p.png"));
}

struct Naming {
    char const* name;
    std::string args;  // before the document
    std::string document;
    std::string listed;  // the files written, a line each
};

class OutputNames : public testing::TestWithParam<Naming> {};

TEST_P(OutputNames, AreListedAndWritten) {
    Naming const& c = GetParam();
    TempDir dir;
    std::string const listed = KsdviInOk(dir.Path(), "render -r 10 " + c.args + " " + DataFile(c.document));
    EXPECT_EQ(listed, c.listed);
    std::istringstream names(listed);
    for (std::string name; std::getline(names, name);) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
}

// pages.dvi has 40 pages, plain.dvi 3.
INSTANTIATE_TEST_SUITE_P(Patterns, OutputNames,
                         testing::Values(Naming{"default_padded", "-p 3,12", "pages.dvi",
                                                "pages-03.png\npages-12.png\n"},
                                         Naming{"default_one_digit", "-p 3", "plain.dvi", "plain-3.png\n"},
                                         Naming{"zero_padded", "-p 2 -o p%03d.png", "plain.dvi", "p002.png\n"},
                                         Naming{"wider_than_asked", "-p 12 -o p%01d.png", "pages.dvi", "p12.png\n"},
                                         Naming{"percent", "-p 1 -o 100%%-%d.png", "plain.dvi", "100%-1.png\n"},
                                         Naming{"twice", "-p 1 -o %d-%02d.png", "plain.dvi", "1-01.png\n"},
                                         Naming{"not_a_conversion", "-p 1 -o %x%d.png", "plain.dvi", "%x1.png\n"}),
                         ByName());

// plain.dvi's pages are TeX's 1, 2 and -3; -pp chooses by them, in document
// order. Each list and the `trace` page lines it gives, "PHYSICAL TEX"
// each; none: an error.
TEST(TeXPageNumbers, ChoosePages) {
    for (auto const& [list, expected] : {std::pair{"2", "2 2;"},
                                         {"-3", "3 -3;"},
                                         {"1-2", "1 1;2 2;"},
                                         {"1:2", "1 1;2 2;"},
                                         {"-5--1", "3 -3;"},
                                         {"-3,1", "1 1;3 -3;"},
                                         {"2-1", "1 1;2 2;"},
                                         {"7", ""},
                                         {"1-x", ""},
                                         {"1 -p 1", ""}}) {
        int status = -1;
        std::string const out = Ksdvi("trace -pp " + std::string(list) + " " + DataFile("plain.dvi"), &status, true);
        std::string pages;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            pages += line.rfind("page ", 0) == 0 ? line.substr(5) + ";" : "";
        EXPECT_EQ(pages, expected) << list << ": " << out;
        EXPECT_EQ(status, std::string(expected).empty() ? 1 : 0) << list << ": " << out;
    }
}

TEST(TeXPageNumbers, SelectAndRenderTakeThemToo) {
    TempDir dir;
    KsdviOk("select -pp -3 -o " + dir / "three.dvi " + DataFile("plain.dvi"));
    EXPECT_EQ(Ksdvi("trace " + dir / "three.dvi | head -1"), "page 1 -3\n");
    EXPECT_EQ(KsdviOk("render -r 10 -pp=2 -o " + dir / "p%d.png " + DataFile("plain.dvi")), dir / "p2.png\n");
}

}  // namespace

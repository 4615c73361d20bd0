// Options every command shares: --version, -D beside -r, --quiet and
// --verbose, documents named without .dvi, -o - and the names of the files
// written, pages by TeX's numbers (-pp).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

std::string FirstLine(std::string const& text) { return text.substr(0, text.find('\n')); }

// The line of `listing` that starts with `prefix`, without it.
std::string LineAfter(std::string const& listing, std::string const& prefix) {
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return "<no line " + prefix + ">";
}

// What the libraries' own tools say of the versions installed.
TEST(Version, NamesKsdviAndTheLibrariesAsInstalled) {
    int status = -1;
    std::string const out = Ksdvi("--version", &status);
    EXPECT_EQ(status, 0);
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

// info describes outline fonts alike at every resolution.
bool DependsOnResolution(std::string const& args) { return args.rfind("info", 0) != 0; }

TEST_P(ResolutionAlias, DIsR) {
    TempDir r, d;
    auto run = [&](TempDir const& dir, std::string const& option) {
        std::string args = GetParam();
        args.replace(args.find("{}"), 2, DataFile("links.dvi"));
        args.insert(args.find(' '), " " + option);  // after the command, before any pipe
        int status = -1;
        std::string out = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " " + args, &status);
        EXPECT_EQ(status, 0) << args << " " << option;
        return out;
    };
    std::string const withR = run(r, "-r 150");
    EXPECT_EQ(run(d, "-D 150"), withR);
    EXPECT_EQ(run(d, "--resolution 150"), withR);
    if (std::filesystem::exists(r / "links-1.png")) {
        EXPECT_EQ(ReadFileBytes(d / "links-1.png"), ReadFileBytes(r / "links-1.png"));
    } else if (DependsOnResolution(GetParam())) {
        EXPECT_NE(run(d, "-D 72"), withR);  // the resolution is taken
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, ResolutionAlias,
                         testing::Values("render -p 1 {}", "links {}", "locate {} second", "search {} link",
                                         "text --json {}", "info --json {} | grep -v '\"file\"'",
                                         "print -p 1 -o - {} | grep -v CreationDate"));

struct Chatter {
    char const* name;
    std::string options;
    bool warns;  // the missing font is said
    bool notes;  // the paper and fonts are said
};

void PrintTo(Chatter const& c, std::ostream* os) { *os << c.name; }

class Verbosity : public testing::TestWithParam<Chatter> {};

// A font that exists nowhere is a warning; errors are said whatever the options.
TEST_P(Verbosity, DecidesWhatIsSaidButNotTheStatus) {
    Chatter const& c = GetParam();
    TempDir dir;
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "ksnosuchfont").Op(171).Op('A')));
    int status = -1;
    std::string const err = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " render -r 20 --paper a4 " +
                                           c.options + " " + dvi.Path() + " 2>&1 >/dev/null",
                                       &status);
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
                         [](auto const& info) { return std::string(info.param.name); });

TEST(Verbosity, QuietAndVerboseExcludeEachOther) {
    int status = -1;
    Ksdvi("info -q -v " + DataFile("plain.dvi"), &status);
    EXPECT_EQ(status, 1);
}

struct StatusCase {
    char const* name;
    std::string args;  // {} the document
    bool missingFont;  // the document names a font that exists nowhere
    int status;
};

void PrintTo(StatusCase const& c, std::ostream* os) { *os << c.name; }

class ExitStatus : public testing::TestWithParam<StatusCase> {};

// --strict turns a success with warnings into status 3; it leaves failures
// and search's "nothing found" as they are.
TEST_P(ExitStatus, IsAsTheReadmeSays) {
    StatusCase const& c = GetParam();
    TempDir dir;
    TempFile missing(OnePage(DviBuilder{}.FntDef(0, "ksnosuchfont").Op(171).Op('A')));
    std::string args = c.args;
    args.replace(args.find("{}"), 2, c.missingFont ? missing.Path() : DataFile("plain.dvi"));
    int status = -1;
    RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " " + args + " >/dev/null 2>&1", &status);
    EXPECT_EQ(status, c.status) << args;
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
                                         StatusCase{"search_found", "search --strict {} fox", false, 0},
                                         StatusCase{"search_not_found", "search --strict {} zebra", false, 1},
                                         StatusCase{"missing_file_strict", "info --strict {}.none", false, 1},
                                         StatusCase{"usage", "render --no-such-option {}", false, 1},
                                         StatusCase{"locate_no_anchor", "locate --strict {} nowhere", false, 1}),
                         [](auto const& info) { return std::string(info.param.name); });

struct Making {
    char const* name;
    std::string options;
    std::string asked;  // in mktexpk's arguments; empty: mktexpk does not run
};

void PrintTo(Making const& c, std::ostream* os) { *os << c.name; }

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
    int status = -1;
    RunCommand("cd " + dir.Path() + " && env -u MKTEXPK PATH=" + dir.Path() + ":$PATH " + KSDVI_CLI +
                   " render -q -r 20 --tfm-path " + MetricsDir() + " " + c.options + " " + dvi.Path() + " >/dev/null",
               &status);
    EXPECT_EQ(status, 0);
    std::string const asked =
        std::filesystem::exists(dir / "asked") ? FirstLine(RunCommand("cat " + dir / "asked")) : "";
    if (c.asked.empty())
        EXPECT_EQ(asked, "");
    else
        EXPECT_NE(asked.find(c.asked), std::string::npos) << asked;
}

INSTANTIATE_TEST_SUITE_P(Options, BitmapMaking,
                         testing::Values(Making{"default", "", "--mfmode cx --bdpi 300"},
                                         Making{"mode", "--mode ljfour --bdpi 600", "--mfmode ljfour --bdpi 600"},
                                         Making{"never", "--no-mktexpk", ""}),
                         [](auto const& info) { return std::string(info.param.name); });

TEST(BitmapMaking, ModeIsAWord) {
    int status = -1;
    std::string const err = Ksdvi("info --mode 'cx;true' " + DataFile("plain.dvi"), &status, true);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("not a METAFONT mode"), std::string::npos) << err;
}

struct HelpCase {
    char const* name;
    std::string command;  // with its environment
    std::string shown;    // a part of the help
};

void PrintTo(HelpCase const& c, std::ostream* os) { *os << c.name; }

class HelpDefaults : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpDefaults, AreShown) {
    int status = -1;
    std::string const help = RunCommand(GetParam().command + " --help", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(help.find(GetParam().shown), std::string::npos) << help;
}

std::string const kCli = KSDVI_CLI;

INSTANTIATE_TEST_SUITE_P(
    Commands, HelpDefaults,
    testing::Values(HelpCase{"render_dpi", kCli + " render", "-r,-D,--resolution INT:INT in [1 - 4800]=96"},
                    HelpCase{"render_zoom", kCli + " render", "[0.01 - 100]=1\n"},
                    HelpCase{"render_paper", "PAPERSIZE=a4 " + kCli + " render", "--paper TEXT=a4 "},
                    HelpCase{"system_paper", "PAPERSIZE=letter " + kCli + " render", "--paper TEXT=letter "},
                    HelpCase{"print_dpi", kCli + " print", "[1 - 4800]=600"},
                    HelpCase{"print_paper", "PAPERSIZE=a5 " + kCli + " print", "--paper TEXT=a5 "},
                    HelpCase{"info_dpi", kCli + " info", "=96"},
                    HelpCase{"mode", kCli + " text", "--mode TEXT:MODE=cx"}, HelpCase{"bdpi", kCli + " trace", "=300"}),
    [](auto const& info) { return std::string(info.param.name); });

// `paper` is paper.dvi when there is no file `paper`, for every command.
class NameWithoutExtension : public testing::TestWithParam<std::string> {};

TEST_P(NameWithoutExtension, FindsTheDviFile) {
    TempDir dir;
    std::filesystem::copy_file(DataFile("plain.dvi"), dir / "paper.dvi");
    auto run = [&](std::string const& name) {
        std::string args = GetParam();
        args.replace(args.find("{}"), 2, name);
        int status = -1;
        std::string out = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " " + args, &status);
        EXPECT_EQ(status, 0) << args;
        return out;
    };
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
    std::string const err = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " info paper 2>&1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("paper: not a DVI file"), std::string::npos) << err;
}

// -o - writes the PNG that -o FILE writes, and only for one page.
TEST(StandardOutput, RenderWritesOnePagesPng) {
    TempDir dir;
    int status = -1;
    Ksdvi("render -p 2 -r 30 -o " + dir / "p.png " + DataFile("plain.dvi"), &status);
    ASSERT_EQ(status, 0);
    RunCommand(std::string(KSDVI_CLI) + " render -p 2 -r 30 -o - " + DataFile("plain.dvi") + " >" + dir / "out.png",
               &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out.png"), ReadFileBytes(dir / "p.png"));

    for (std::string const args : {"render -r 30 -o - ", "render --follow -o - "}) {
        std::string const out = Ksdvi(args + DataFile("plain.dvi") + " 2>/dev/null | wc -c", &status);
        EXPECT_EQ(std::stoi(out), 0) << args;
        std::string const err =
            RunCommand(std::string(KSDVI_CLI) + " " + args + DataFile("plain.dvi") + " 2>&1 >/dev/null", &status);
        EXPECT_EQ(status, 1);
        EXPECT_NE(err.find("-o - writes one page"), std::string::npos) << err;
    }
}

struct Naming {
    char const* name;
    std::string args;  // before the document
    std::string document;
    std::string listed;  // the files written, a line each
};

void PrintTo(Naming const& c, std::ostream* os) { *os << c.name; }

class OutputNames : public testing::TestWithParam<Naming> {};

TEST_P(OutputNames, AreListedAndWritten) {
    Naming const& c = GetParam();
    TempDir dir;
    int status = -1;
    std::string const listed = RunCommand("cd " + dir.Path() + " && " + KSDVI_CLI + " render -r 10 " + c.args + " " +
                                              DataFile(c.document) + " 2>/dev/null",
                                          &status);
    EXPECT_EQ(status, 0);
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
                         [](auto const& info) { return std::string(info.param.name); });

struct TeXPages {
    char const* name;
    std::string list;
    std::string pages;  // `trace`'s page lines, "PHYSICAL TEX" each; empty: an error
};

void PrintTo(TeXPages const& c, std::ostream* os) { *os << c.name; }

class TeXPageNumbers : public testing::TestWithParam<TeXPages> {};

// plain.dvi's pages are TeX's 1, 2 and -3; -pp chooses by them, in document order.
TEST_P(TeXPageNumbers, ChoosePages) {
    TeXPages const& c = GetParam();
    int status = -1;
    std::string const out = Ksdvi("trace -pp " + c.list + " " + DataFile("plain.dvi"), &status, true);
    std::string pages;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) pages += line.rfind("page ", 0) == 0 ? line.substr(5) + ";" : "";
    EXPECT_EQ(pages, c.pages) << out;
    EXPECT_EQ(status, c.pages.empty() ? 1 : 0) << out;
}

INSTANTIATE_TEST_SUITE_P(Lists, TeXPageNumbers,
                         testing::Values(TeXPages{"one", "2", "2 2;"}, TeXPages{"negative", "-3", "3 -3;"},
                                         TeXPages{"range", "1-2", "1 1;2 2;"}, TeXPages{"colon", "1:2", "1 1;2 2;"},
                                         TeXPages{"negative_range", "-5--1", "3 -3;"},
                                         TeXPages{"document_order", "-3,1", "1 1;3 -3;"},
                                         TeXPages{"reversed_range", "2-1", "1 1;2 2;"},
                                         TeXPages{"none_has_it", "7", ""}, TeXPages{"malformed", "1-x", ""},
                                         TeXPages{"with_p", "1 -p 1", ""}),
                         [](auto const& info) { return std::string(info.param.name); });

TEST(TeXPageNumbers, SelectAndRenderTakeThemToo) {
    TempDir dir;
    int status = -1;
    Ksdvi("select -pp -3 -o " + dir / "three.dvi " + DataFile("plain.dvi"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Ksdvi("trace " + dir / "three.dvi | head -1"), "page 1 -3\n");
    EXPECT_EQ(Ksdvi("render -r 10 -pp=2 -o " + dir / "p%d.png " + DataFile("plain.dvi"), &status), dir / "p2.png\n");
}

}  // namespace

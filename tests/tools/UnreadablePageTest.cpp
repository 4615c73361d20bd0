// A page whose bytes are gone by the time it is drawn (the file was cut short
// or rewritten after the scan) is named, and nothing is written for it: no
// PNG file, whole or in bands, no page of a printed document, and the file
// the user had at the page's name stays as it was.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "DocumentSession.h"
#include "render/PageRenderer.h"
#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

extern char** environ;

namespace {

// A document of two pages, each a rule; `page1Rules` rules on page 1.
struct TwoPages {
    std::vector<uint8_t> bytes;
    size_t page1End = 0;  // the size of the file up to page 1's eop
};

TwoPages MakeTwoPages(int page1Rules, DviBuilder const& page1Extra = {}) {
    DviBuilder b;
    b.Pre().Bop(1);
    b.bytes.insert(b.bytes.end(), page1Extra.bytes.begin(), page1Extra.bytes.end());
    for (int i = 0; i < page1Rules; ++i) b.Rule(10 * 65536, 100 * 65536);
    b.Eop();
    TwoPages doc;
    doc.page1End = b.bytes.size();
    b.Bop(2).Rule(20 * 65536, 50 * 65536).Eop().Post();
    doc.bytes = b.bytes;
    return doc;
}

std::vector<uint8_t> const kUsersFile = {'t', 'h', 'e', ' ', 'u', 's', 'e', 'r', '\'', 's'};

struct Rewrite {
    char const* name;
    bool banded;
    bool cutShort;  // else rewritten with a longer page 1, which moves page 2
};

class UnreadablePage : public testing::TestWithParam<Rewrite> {};

TEST_P(UnreadablePage, LeavesNoFileAndTheUsersFileAsItWas) {
    static ksdvi::TeXFonts fonts;
    Rewrite const& c = GetParam();
    TempDir dir;
    TwoPages const doc = MakeTwoPages(1);
    WriteFileBytes(dir / "doc.dvi", doc.bytes);
    DocumentSession session(dir / "doc.dvi", {}, fonts);
    ASSERT_TRUE(session.Load());
    ASSERT_EQ(session.Document().GetNPage(), 2);

    if (c.cutShort)
        WriteFileBytes(dir / "doc.dvi", std::vector<uint8_t>(doc.bytes.begin(), doc.bytes.begin() + doc.page1End));
    else
        WriteFileBytes(dir / "doc.dvi", MakeTwoPages(3).bytes);
    WriteFileBytes(dir / "p-2.png", kUsersFile);

    RenderSettings settings;
    settings.dpi = 60;
    settings.paper = *ksdvi::ParsePaperOption("a4");
    // Bands of 37 rows, or the whole page at once.
    settings.bandBytes = c.banded ? 37 * 4 * PixelsOf(settings.paper.width, settings.dpi, 1.0) : int64_t(1) << 30;
    PageRenderer renderer(settings);
    EXPECT_FALSE(renderer.RenderPng(session.Document(), 1, dir / "p-2.png"));
    EXPECT_EQ(renderer.Error(), PageUnreadable(1));
    EXPECT_EQ(renderer.WriteError(), "");
    EXPECT_FALSE(renderer.RenderPng(session.Document(), 1, dir / "new-2.png"));
    EXPECT_EQ(ReadFileBytes(dir / "p-2.png"), kUsersFile);
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"doc.dvi", "p-2.png"}));

    // Page 1 of a file cut after it is still where the scan found it.
    EXPECT_EQ(renderer.RenderPng(session.Document(), 0, dir / "p-1.png"), c.cutShort);
    GreyImage page;
    EXPECT_EQ(ReadGreyPng(dir / "p-1.png", page), c.cutShort);
    EXPECT_EQ(page.DarkCount() > 100, c.cutShort);
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadablePage,
                         testing::Values(Rewrite{"cut_short_whole", false, true},
                                         Rewrite{"cut_short_banded", true, true},
                                         Rewrite{"rewritten_whole", false, false},
                                         Rewrite{"rewritten_banded", true, false}),
                         ByName());

// Runs `command` with the shell, its standard error in a pipe of the least
// size the kernel gives, and calls `meanwhile` when a line holding `mark`
// has arrived. A command that has more to say than the pipe holds waits
// there until it is read, so `meanwhile` runs before the command gets past
// what it was saying. Returns standard error; the exit status to `status`.
std::string RunStalled(std::string const& command, std::string const& mark, std::function<void()> const& meanwhile,
                       int& status) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "no pipe";
    fcntl(fds[0], F_SETPIPE_SZ, 4096);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::string sh = "/bin/sh", c = "-c", cmd = command;
    char* argv[] = {sh.data(), c.data(), cmd.data(), nullptr};
    pid_t pid = -1;
    int const spawned = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string err;
    if (spawned != 0) {
        close(fds[0]);
        return "cannot start the shell";
    }
    bool called = false;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        err.append(buffer, static_cast<size_t>(n));
        size_t at = err.find(mark);
        if (!called && at != std::string::npos && err.find('\n', at) != std::string::npos) {
            meanwhile();
            called = true;
        }
    }
    close(fds[0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    EXPECT_TRUE(called) << "no line with " << mark << " in\n" << err;
    return err;
}

struct Command {
    char const* name;
    std::string args;      // {out} the output directory, then the document
    std::string expected;  // a part of what is written for page 1 ("" for the listing)
};

class UnreadablePageCli : public testing::TestWithParam<Command> {};

// Page 1 defines fonts that exist nowhere, with names long enough that their
// warnings, which come after the scan and before any page is drawn, fill the
// pipe many times over: the document is cut after page 1 while the tool
// waits there.
TEST_P(UnreadablePageCli, NamesThePageAndWritesOnlyWhatWasDrawn) {
    Command const& c = GetParam();
    DviBuilder fontDefs;
    for (int n = 0; n < 255; ++n) fontDefs.FntDef(n, "ksmissing" + std::to_string(1000 + n) + std::string(240, 'x'));
    TwoPages const doc = MakeTwoPages(1, fontDefs);
    TempDir in, out, listing;
    WriteFileBytes(in / "doc.dvi", doc.bytes);
    WriteFileBytes(out / "p-2.png", kUsersFile);
    int status = -1;
    std::string err = RunStalled(
        "MKTEXTFM=0 MKTEXPK=0 exec " KSDVI_CLI " " + Replaced(c.args, "{out}", out.Path()) + " " + (in / "doc.dvi") +
            " >" + (listing / "out.txt"),
        "font ksmissing",
        [&] {
            WriteFileBytes(in / "doc.dvi", std::vector<uint8_t>(doc.bytes.begin(), doc.bytes.begin() + doc.page1End));
        },
        status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("ksdvi: " + (in / "doc.dvi") + ": " + PageUnreadable(1)), std::string::npos) << err;
    EXPECT_EQ(err.find(PageUnreadable(0)), std::string::npos) << err;
    std::string const listed = ReadFileText(listing / "out.txt");
    EXPECT_EQ(ReadFileBytes(out / "p-2.png"), kUsersFile);
    if (c.expected.empty()) {
        EXPECT_EQ(listed, (out / "p-1.png") + "\n");
        EXPECT_EQ(out.Files(), (std::set<std::string>{"p-1.png", "p-2.png"}));
        GreyImage page;
        ASSERT_TRUE(ReadGreyPng(out / "p-1.png", page));
        EXPECT_GT(page.DarkCount(), 100);
    } else {
        EXPECT_EQ(out.Files(), (std::set<std::string>{"out.ps", "p-2.png"}));
        EXPECT_NE(ReadFileText(out / "out.ps").find(c.expected), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, UnreadablePageCli,
                         testing::Values(Command{"render", "render -j 1 -r 30 -o {out}/p-%d.png", ""},
                                         // The second worker reads the file after it was cut.
                                         Command{"render_two_workers", "render -j 2 -r 30 -o {out}/p-%d.png", ""},
                                         Command{"render_in_bands", "render -j 1 -r 300 -o {out}/p-%d.png", ""},
                                         Command{"print", "print -r 30 -o {out}/out.ps", "%%Pages: 1\n"}),
                         ByName());

}  // namespace

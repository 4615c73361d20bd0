// Files kpathsea found, kept between processes for ksdvi-dvipng: answered
// without kpathsea while nothing they depend on changed, searched anew when
// something did. Each search runs in a process of its own, as each formula
// image does, over a TeX installation the test makes: a tree with a file
// database (ls-R) and a tree searched on disk, before it.

#include "platform/kpathsea/FoundFiles.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/kpathsea/KPathSea.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

namespace fs = std::filesystem;

void Write(std::string const& path, std::string const& text) {
    fs::create_directories(fs::path(path).parent_path());
    WriteFileText(path, text);
}

struct Answers {
    std::vector<std::string> paths;
    bool fromStore = false;  // kpathsea was never set up
};

// Searches `names` as metric files in a child process started in `cwd`, with
// `env` set, keeping found files in `store`.
Answers SearchInChild(std::string const& store, std::vector<std::string> const& names, std::string const& cwd,
                      std::vector<std::pair<std::string, std::string>> const& env) {
    int out[2];
    if (pipe(out) != 0) return {};
    pid_t const child = fork();
    if (child == 0) {
        close(out[0]);
        for (auto const& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::string text;
        if (chdir(cwd.c_str()) == 0) {
            KPathSea::KeepFoundFiles(store);
            KPathSea finder;
            for (std::string const& name : names) text += finder.Find(name, KPathSea::Format::Tfm) + "\n";
            text += KPathSea::LibraryStarted() ? "kpathsea" : "store";
            KPathSea::SaveFoundFiles();
        }
        ssize_t const written = write(out[1], text.data(), text.size());
        _exit(written == ssize_t(text.size()) ? 0 : 1);
    }
    close(out[1]);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) > 0;) text.append(chunk, size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Answers answers;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        answers.paths.push_back(text.substr(at, end - at));
    answers.fromStore = text.substr(at) == "store";
    return answers;
}

TEST(FoundFiles, AnswersUntilWhatTheyDependOnChanges) {
    TempDir root;
    std::string const home = root / "home/fonts/tfm", dist = root / "dist/fonts/tfm";
    Write(root / "web2c/texmf.cnf", "TEXMF = {" + root / "home" + ",!!" + root / "dist" + "}\n" +
                                        "TEXMFDBS = " + root / "dist" + "\n" +
                                        "TFMFONTS = .;$TEXMF/fonts/tfm//\n"
                                        "TEXFONTMAPS = .;$TEXMF/fonts/map//\n"
                                        "MKTEXTFM = 0\n");
    auto listDist = [&](std::string const& names) {
        Write(root / "dist/ls-R",
              "% ls-R -- filename database for kpathsea; do not change this line.\n"
              "./fonts/tfm/public:\n" +
                  names + "\n");
    };
    Write(dist + "/public/a.tfm", "a");
    listDist("a.tfm");
    Write(root / "document/d.tex", "");
    std::vector<std::pair<std::string, std::string>> const installation = {
        {"TEXMFCNF", root / "web2c"}, {"TFMFONTS", ""}, {"TEXMFHOME", ""}, {"MKTEXTFM", "0"}};
    unsetenv("TFMFONTS");

    struct Step {
        char const* what;
        std::function<void()> change;
        std::vector<std::string> expected;  // a.tfm, b.tfm, c.tfm, e.tfm
        bool fromStore;
        char const* cwd = "document";
        std::vector<std::pair<std::string, std::string>> env = {};
    };
    std::string const a = dist + "/public/a.tfm";
    Step const steps[] = {
        {"first search", [] {}, {a, "", "", ""}, false},
        {"kept, missing files too", [] {}, {a, "", "", ""}, true},
        {"a tree searched on disk gains a file",
         [&] { Write(home + "/a.tfm", "a"); },
         {home + "/a.tfm", "", "", ""},
         false},
        {"kept", [] {}, {home + "/a.tfm", "", "", ""}, true},
        {"a new directory there",
         [&] { Write(home + "/sub/b.tfm", "b"); },
         {home + "/a.tfm", home + "/sub/b.tfm", "", ""},
         false},
        {"a file in that directory",
         [&] { Write(home + "/sub/c.tfm", "c"); },
         {home + "/a.tfm", home + "/sub/b.tfm", home + "/sub/c.tfm", ""},
         false},
        {"a file the database lists anew",
         [&] {
             Write(dist + "/public/e.tfm", "e");
             listDist("a.tfm\ne.tfm");
         },
         {home + "/a.tfm", home + "/sub/b.tfm", home + "/sub/c.tfm", dist + "/public/e.tfm"},
         false},
        {"kept again",
         [] {},
         {home + "/a.tfm", home + "/sub/b.tfm", home + "/sub/c.tfm", dist + "/public/e.tfm"},
         true},
        {"a kept file removed, its database left as it was",
         [&] { fs::remove(dist + "/public/e.tfm"); },
         {home + "/a.tfm", home + "/sub/b.tfm", home + "/sub/c.tfm", ""},
         false},
        {"the current directory comes first",
         [&] { Write(root / "other/a.tfm", "a"); },
         {"./a.tfm", home + "/sub/b.tfm", home + "/sub/c.tfm", ""},
         false,
         "other"},
        {"another setting",
         [] {},
         {a, "", "", ""},
         false,
         "document",
         {{"TFMFONTS", "!!" + root / "dist" + "/fonts/tfm//"}}},
    };
    for (Step const& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        auto env = installation;
        env.insert(env.end(), step.env.begin(), step.env.end());
        Answers const answers =
            SearchInChild(root / "cache/found-files", {"a.tfm", "b.tfm", "c.tfm", "e.tfm"}, root / step.cwd, env);
        EXPECT_EQ(answers.paths, step.expected);
        EXPECT_EQ(answers.fromStore, step.fromStore);
    }
}

// A file ksdvi did not write whole answers nothing, and a name that would
// break a line is not kept.
TEST(FoundFiles, DamagedStoresAnswerNothing) {
    TempDir dir;
    std::string const font = dir / "x.tfm";
    Write(font, "x");
    auto kept = [&] { return ksdvi::FoundFiles(dir / "store", "settings").Find(3, "x.tfm"); };
    {
        ksdvi::FoundFiles store(dir / "store", "settings");
        store.Add(3, "x.tfm", font);
        store.Add(3, "line\nbreak.tfm", font);
        ASSERT_TRUE(store.Save({font}));
    }
    std::string const good = ReadFileText(dir / "store");
    ASSERT_EQ(kept(), font);
    EXPECT_EQ(good.find("line"), std::string::npos);
    std::string const head = good.substr(0, good.find("\nw ") + 1);
    for (std::string const& text : {head + "a x\tx.tfm\t" + font + "\n", head + "a 3\tx.tfm\n", good + "z 3\tx\ty\n",
                                    good.substr(0, good.size() / 2), std::string("\0\xff\n\t\ta 3\t", 9)}) {
        SCOPED_TRACE(text);
        Write(dir / "store", text);
        EXPECT_EQ(kept(), std::nullopt);
    }
}

}  // namespace

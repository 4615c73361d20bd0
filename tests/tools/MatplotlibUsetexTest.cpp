// matplotlib's text.usetex with ksdvi-dvipng on its PATH as `dvipng`: the
// figure's TeX labels are made by it (a wrapper notes each call), and the
// figure has the pixels matplotlib makes with dvipng. Debian's matplotlib is
// run by Debian's Python, whatever `python3` a developer's PATH names first.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

constexpr char kPython[] = "/usr/bin/python3";

// A small figure: a plot whose title and axis labels LaTeX sets.
constexpr char kFigure[] = R"(import sys, matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
plt.rcParams["text.usetex"] = True
fig, ax = plt.subplots(figsize=(3, 2.4), dpi=100)
ax.plot([0, 1, 2], [0, 1, 4])
ax.set_title(r"$\int_0^1 x^2\,dx = \frac{1}{3}$")
ax.set_xlabel(r"time $t$")
fig.tight_layout()
fig.savefig(sys.argv[1])
)";

// The figure drawn with `path` before the PATH, matplotlib's caches in `name`.
RgbImage Figure(TempDir const& dir, std::string const& name, std::string const& path) {
    std::string const config = dir / name;
    std::filesystem::create_directories(config);
    RunOk("cd " + dir.Path() + " && PATH=" + path + ":$PATH MPLCONFIGDIR=" + config + " " + kPython + " figure.py " +
          (dir / (name + ".png")) + " 2>&1");
    RgbImage image;
    EXPECT_TRUE(ReadRgbPng(dir / (name + ".png"), image)) << name;
    return image;
}

TEST(MatplotlibUsetex, LabelsMadeByKsdviDvipngLookAsDvipngsDo) {
    if (!Succeeds(std::string(kPython) + " -c 'import matplotlib' 2>/dev/null"))
        GTEST_SKIP() << "Debian's matplotlib is not installed";
    if (!HaveCommand("dvipng") || RunCommand("kpsewhich article.cls type1cm.sty").empty())
        GTEST_SKIP() << "dvipng or LaTeX is not installed";
    TempDir dir;
    WriteFileText(dir / "figure.py", kFigure);
    std::filesystem::create_directories(dir / "bin");
    WriteFileText(dir / "bin/dvipng",
                  "#!/bin/sh\necho \"$@\" >>" + (dir / "calls.txt") + "\nexec " KSDVI_DVIPNG_CLI " \"$@\"\n");
    std::filesystem::permissions(dir / "bin/dvipng", std::filesystem::perms::owner_all);
    RgbImage const ours = Figure(dir, "ours", dir / "bin");
    RgbImage const theirs = Figure(dir, "theirs", "/usr/bin");
    // One image per label, each asked for as matplotlib asks dvipng.
    std::string const calls = ReadFileText(dir / "calls.txt");
    EXPECT_NE(calls.find("-T tight"), std::string::npos) << calls;
    EXPECT_NE(calls.find("-bg Transparent"), std::string::npos) << calls;
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    long differ = 0, dark = 0;
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x) {
            dark += theirs.Dark(x, y);
            differ += ours.Dark(x, y) != theirs.Dark(x, y);
        }
    EXPECT_GT(dark, 500);
    EXPECT_LT(differ, dark / 20) << differ << " of " << dark << " dark pixels differ";
}

}  // namespace

// The library inside programs that are not ksdvi: a plugin (the library in a
// shared object) loaded by a Python program through ctypes and by a C++
// program through dlopen draws page 1 of figures.dvi, its EPS figures
// included, pixel for pixel as `ksdvi render` does. Ghostscript's helper is
// found although the program that loaded the library knows nothing of it:
// in the build tree, beside the plugin in a moved installation, or where
// KSDVI_GS_HOST says. Without a helper, pages are drawn without their
// pictures and the warning says where the helper was looked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDpi = 100;

// Pixel `i` of `a` and of `b` alike; pixel `i` of `a` white.
bool Same(RgbImage const& a, RgbImage const& b, std::size_t i) {
    return std::equal(a.rgb.begin() + 3 * i, a.rgb.begin() + 3 * i + 3, b.rgb.begin() + 3 * i);
}
bool White(RgbImage const& a, std::size_t i) { return a.At(int(i % a.width), int(i / a.width)) == 0xFFFFFF; }

RgbImage ReadRgb(std::string const& path) {
    RgbImage out;
    ReadRgbPng(path, out);
    return out;
}

// Page 1 of figures.dvi as the tool renders it, with KSDVI_GS_HOST set to
// `helper` (unset when empty); its warnings go to `warnings`.
RgbImage ToolPage(TempDir const& dir, std::string const& name, std::string const& helper, std::string* warnings) {
    std::string const env = helper.empty() ? "env -u KSDVI_GS_HOST " : "env KSDVI_GS_HOST=" + helper + " ";
    RunOk(env + KSDVI_CLI + " render -p 1 -r " + std::to_string(kDpi) + " -o " + (dir / name) + "-%d.png " +
          DataFile("figures.dvi") + " 2>" + (dir / name) + ".txt >/dev/null");
    *warnings = ReadFileText(dir / name + ".txt");
    return ReadRgb(dir / name + "-1.png");
}

// The tool's page with its EPS figures, and which of its pixels the figures
// painted: those that differ from the page drawn without a helper.
struct Reference {
    RgbImage page;
    std::vector<bool> ink;
    long inked = 0;
};

Reference const& ToolReference() {
    static Reference const reference = [] {
        TempDir dir;
        Reference r;
        std::string warnings, without;
        r.page = ToolPage(dir, "with", "", &warnings);
        EXPECT_EQ(warnings, "");
        RgbImage const bare = ToolPage(dir, "without", dir / "no-helper", &without);
        EXPECT_NE(without.find("picture figure.eps: Ghostscript's helper ksdvi-gs-host is not installed (looked in " +
                               (dir / "no-helper") + ", as KSDVI_GS_HOST says)"),
                  std::string::npos)
            << without;
        if (r.page.rgb.empty() || bare.rgb.size() != r.page.rgb.size()) return r;
        r.ink.resize(r.page.rgb.size() / 3);
        long drawnWithout = 0;
        for (std::size_t i = 0; i < r.ink.size(); ++i) {
            r.ink[i] = !Same(r.page, bare, i);
            r.inked += r.ink[i];
            drawnWithout += r.ink[i] && !White(bare, i);
        }
        // Without Ghostscript nothing is drawn where the figures are.
        EXPECT_EQ(drawnWithout, 0);
        return r;
    }();
    return reference;
}

TEST(EmbeddedLibrary, TheToolWithoutAHelperDrawsThePageWithoutItsFigures) {
    Reference const& reference = ToolReference();
    ASSERT_FALSE(reference.page.rgb.empty());
    // Three figures (4 cm wide, 2 cm high and half their size) at 100 dpi.
    EXPECT_GT(reference.inked, 3000);
}

enum class Host { Python, Cxx };
enum class Helper { BuildTree, BesideThePlugin, Variable };

struct Case {
    char const* name;
    Host host;
    Helper helper;
};

// A helper that notes it ran and runs the real one.
void WriteMarkingHelper(std::string const& path, std::string const& marker) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\necho ran >>" << marker << "\nexec " << KSDVI_TEST_GS_HOST << " \"$@\"\n";
    fs::permissions(path, fs::perms::owner_all);
}

class EmbeddedPlugin : public testing::TestWithParam<Case> {};

TEST_P(EmbeddedPlugin, DrawsThePageWithItsFiguresAsTheToolDoes) {
    Case const& c = GetParam();
    Reference const& reference = ToolReference();
    ASSERT_GT(reference.inked, 0);
    TempDir dir;
    std::string plugin = KSDVI_TEST_PLUGIN, env = "env -u KSDVI_GS_HOST ";
    std::string const marker = dir / "helper-ran";
    switch (c.helper) {
    case Helper::BuildTree: break;
    case Helper::BesideThePlugin:
        // An installation moved to `dir`: lib/ and the helper in libexec/ksdvi.
        fs::create_directories(dir / "lib");
        fs::copy_file(plugin, dir / "lib/ksdvi-plugin.so");
        plugin = dir / "lib/ksdvi-plugin.so";
        WriteMarkingHelper(dir / KSDVI_TEST_LIBEXECDIR "/ksdvi/ksdvi-gs-host", marker);
        break;
    case Helper::Variable:
        WriteMarkingHelper(dir / "elsewhere/helper", marker);
        env = "env KSDVI_GS_HOST=" + (dir / "elsewhere/helper") + " ";
        break;
    }
    std::string const host =
        c.host == Host::Python ? std::string("python3 ") + KSDVI_TEST_PYTHON_HOST : std::string(KSDVI_TEST_PLUGIN_HOST);
    int status = -1;
    std::string const problems =
        RunCommand(env + host + " " + plugin + " " + DataFile("figures.dvi") + " " + (dir / "page.png") + " " +
                       std::to_string(kDpi) + " " + std::to_string(reference.page.width) + " " +
                       std::to_string(reference.page.height) + " 2>&1",
                   &status);
    ASSERT_EQ(status, 0) << problems;
    EXPECT_EQ(problems, "");
    EXPECT_EQ(fs::exists(marker), c.helper != Helper::BuildTree);

    RgbImage const page = ReadRgb(dir / "page.png");
    ASSERT_EQ(page.width, reference.page.width);
    ASSERT_EQ(page.height, reference.page.height);
    long differing = 0, inFigures = 0;
    for (std::size_t i = 0; i < reference.ink.size(); ++i) {
        differing += !Same(page, reference.page, i);
        inFigures += reference.ink[i] && !Same(page, reference.page, i);
    }
    EXPECT_EQ(differing, 0) << inFigures << " of them where the figures are";
}

INSTANTIATE_TEST_SUITE_P(Hosts, EmbeddedPlugin,
                         testing::Values(
#ifdef KSDVI_TEST_WITH_PYTHON
                             Case{"Python_BuildTree", Host::Python, Helper::BuildTree},
                             Case{"Python_BesideThePlugin", Host::Python, Helper::BesideThePlugin},
#endif
                             Case{"Cxx_BuildTree", Host::Cxx, Helper::BuildTree},
                             Case{"Cxx_BesideThePlugin", Host::Cxx, Helper::BesideThePlugin},
                             Case{"Cxx_Variable", Host::Cxx, Helper::Variable}),
                         ByName());

}  // namespace

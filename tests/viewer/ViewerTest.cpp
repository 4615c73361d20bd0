// ksdvi-view as a person sees it: a real window on a virtual X display
// (Xvfb), driven with xdotool, looked at through screenshots and its title
// ("links.dvi — 1 / 2"). Skipped when the display tools are missing.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/Cli.h"
#include "support/GermanLocale.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A virtual display with one viewer on it, in a session bus of its own;
// both are killed, with everything they started, when the test ends.
class ViewerSession {
public:
    ViewerSession(TempDir const& dir, std::string const& file, std::string const& environment = "",
                  std::string const& options = "")
        : dir_(dir.Path()) {
        // A viewer that could not reach its display exits at once: it gets a
        // fresh server, up to three times.
        for (int attempt = 0; attempt < 3 && window_.empty(); ++attempt) {
            if (StartDisplay()) StartViewer(file, environment, options);
            if (window_.empty()) {
                Kill("/viewer.pid");
                StopDisplay();
            }
        }
    }
    ~ViewerSession() {
        Kill("/viewer.pid");
        StopDisplay();
    }
    bool Ready() const { return !window_.empty(); }
    std::string const& Window() const { return window_; }
    std::string Log() const { return ReadFileText(dir_ + "/viewer.log") + ReadFileText(dir_ + "/xvfb.log"); }

    std::string X(std::string const& command) const { return RunCommand("DISPLAY=" + display_ + " " + command); }
    void Key(std::string const& keys) const { X("xdotool key --window " + window_ + " " + keys); }
    void Type(std::string const& text) const { X("xdotool type --window " + window_ + " '" + text + "'"); }
    void Drag(int x0, int y0, int x1, int y1) const {
        std::string path = "xdotool mousemove --window " + window_ + " " + std::to_string(x0) + " " +
                           std::to_string(y0) + " mousedown 1";
        for (int i = 1; i <= 8; ++i)
            path += " sleep 0.05 mousemove --window " + window_ + " " + std::to_string(x0 + (x1 - x0) * i / 8) + " " +
                    std::to_string(y0 + (y1 - y0) * i / 8);
        X(path + " mouseup 1");
    }
    void Click(int x, int y) const {
        X("xdotool mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    std::string Title() const {
        std::string title = X("xdotool getwindowname " + window_);
        if (!title.empty()) title.pop_back();
        return title;
    }
    // Waits until the title ends with `suffix`; the title it has then.
    std::string WaitTitle(std::string const& suffix) const {
        std::string title;
        for (int i = 0; i < 100; ++i) {
            title = Title();
            if (title.size() >= suffix.size() &&
                title.compare(title.size() - suffix.size(), suffix.size(), suffix) == 0)
                break;
            std::this_thread::sleep_for(100ms);
        }
        return title;
    }
    // The window as it shows now, after the drawings in flight.
    RgbImage Shot() const {
        std::this_thread::sleep_for(700ms);
        RgbImage image;
        X("import -window " + window_ + " " + dir_ + "/shot.png");
        ReadRgbPng(dir_ + "/shot.png", image);
        return image;
    }
    // The window once `shows` holds of it (a busy machine draws late), or
    // as it shows after ten seconds.
    template <class Shows>
    RgbImage ShotWhen(Shows shows) const {
        RgbImage image = Shot();
        for (int i = 0; i < 14 && !shows(image); ++i) image = Shot();
        return image;
    }

private:
    // A server that reported its display number and answers on it. It does
    // not reset when its last client leaves: a viewer connecting during the
    // reset would be turned away.
    bool StartDisplay() {
        RunCommand("setsid sh -c 'exec Xvfb -displayfd 1 -noreset -screen 0 1000x1100x24 -nolisten tcp' > " + dir_ +
                   "/display 2>" + dir_ + "/xvfb.log & echo $! > " + dir_ + "/xvfb.pid");
        for (int i = 0; i < 100 && display_.empty(); ++i) {
            std::this_thread::sleep_for(100ms);
            std::string number = ReadFileText(dir_ + "/display");
            if (!number.empty() && number.back() == '\n') display_ = ":" + number.substr(0, number.size() - 1);
        }
        return !display_.empty() && X("xdotool getdisplaygeometry 2>/dev/null") == "1000 1100\n";
    }
    // Waits for the viewer's window while the viewer runs.
    void StartViewer(std::string const& file, std::string const& environment, std::string const& options) {
        RunCommand("DISPLAY=" + display_ + " GDK_BACKEND=x11 GSK_RENDERER=cairo " + environment +
                   " setsid dbus-run-session -- " + KSDVI_VIEW + " " + options + " '" + file + "' >> " + dir_ +
                   "/viewer.log 2>&1 & echo $! > " + dir_ + "/viewer.pid");
        std::string const name = fs::path(file).filename().string();
        for (int i = 0; i < 200 && window_.empty() && Running("/viewer.pid"); ++i) {
            std::this_thread::sleep_for(100ms);
            window_ = X("xdotool search --name '" + name + "' | head -1");
            while (!window_.empty() && window_.back() == '\n') window_.pop_back();
        }
    }
    bool Running(char const* pid_file) const {
        std::string id = ReadFileText(dir_ + pid_file);
        id = id.substr(0, id.find('\n'));
        return !id.empty() && RunCommand("kill -0 " + id + " 2>/dev/null && echo y") == "y\n";
    }
    // The server gone, its socket and lock file with it: the next session's
    // server may take the same display number.
    void StopDisplay() {
        Kill("/xvfb.pid");
        for (int i = 0; i < 100 && Running("/xvfb.pid"); ++i) std::this_thread::sleep_for(50ms);
        display_.clear();
    }
    void Kill(char const* pid_file) const {
        std::string id = ReadFileText(dir_ + pid_file);
        if (!id.empty()) RunCommand("kill -TERM -" + id.substr(0, id.find('\n')) + " 2>/dev/null");
    }

    std::string dir_;
    std::string display_;
    std::string window_;
};

// The top-left corner of the page: the first pure white pixel.
bool PageCorner(RgbImage const& shot, int& left, int& top) {
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.At(x, y) == 0xFFFFFF) {
                left = x;
                top = y;
                return true;
            }
    return false;
}

// The pixels of `shot` for which `kind(red, green, blue)` holds.
template <class Kind>
long Count(RgbImage const& shot, Kind kind) {
    long n = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            uint32_t const p = shot.At(x, y);
            n += kind(int(p >> 16), int(p >> 8 & 0xFF), int(p & 0xFF));
        }
    return n;
}

class Viewer : public testing::Test {
protected:
    void SetUp() override {
        for (char const* tool : {"Xvfb", "xdotool", "import", "dbus-run-session", "setsid"})
            if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    }

    // The window's page 1, from its top-left corner down to the window's
    // bottom (but for the scroll bars), is the page `ksdvi render -r DPI`
    // writes, pixel for pixel.
    void ExpectRenderedPage(ViewerSession const& viewer, std::string const& file, int dpi) {
        RgbImage shot = viewer.Shot();
        int left = 0, top = 0;
        ASSERT_TRUE(PageCorner(shot, left, top));
        Ksdvi("render -r " + std::to_string(dpi) + " -o " + dir_.Path() + "/ref-%d.png " + file);
        RgbImage page;
        ASSERT_TRUE(ReadRgbPng(dir_.Path() + "/ref-1.png", page));
        long compared = 0, differing = 0, dark = 0;
        for (int y = 0; y < page.height && top + y < shot.height - 60; ++y)
            for (int x = 0; x < page.width && left + x < shot.width - 60; ++x) {
                uint32_t const seen = shot.At(left + x, top + y), drawn = page.At(x, y);
                ++compared;
                dark += (drawn & 0xFF) + (drawn >> 8 & 0xFF) + (drawn >> 16 & 0xFF) < 3 * 128;
                differing += seen != drawn;
            }
        EXPECT_GT(dark, 100);
        EXPECT_EQ(differing, 0) << "of " << compared << " at " << dpi << " dpi";
    }

    TempDir dir_;
};

TEST_F(Viewer, ShowsThePageAsRenderDrawsItCopiesAndZoomsAndFollowsTheKeys) {
    std::string const file = dir_.Path() + "/links.dvi";
    fs::copy_file(DataFile("links.dvi"), file);
    ViewerSession viewer(dir_, file);
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    EXPECT_EQ(viewer.WaitTitle("1 / 2"), "links.dvi \u2014 1 / 2");

    // At 100% the window shows the pixels `ksdvi render` writes at 96 dpi.
    ExpectRenderedPage(viewer, file, 96);
    RgbImage shot = viewer.Shot();
    int left = 0, top = 0;
    ASSERT_TRUE(PageCorner(shot, left, top));

    if (HaveCommand("xclip")) {  // "lines and plain text." at 96,382..321,406 (ksdvi search, 96 dpi)
        viewer.Drag(left + 98, top + 394, left + 340, top + 394);
        viewer.Key("ctrl+c");
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(viewer.X("timeout 5 xclip -o -selection clipboard"), "lines and plain text.\n");
    }
    viewer.Key("ctrl+plus");
    int zoomedLeft = 0, zoomedTop = 0;
    ASSERT_TRUE(PageCorner(viewer.Shot(), zoomedLeft, zoomedTop));
    EXPECT_LT(zoomedLeft, left);  // 1.2 times as wide: it no longer fits with the margins
    viewer.Key("ctrl+0");
    ASSERT_TRUE(PageCorner(viewer.Shot(), zoomedLeft, zoomedTop));
    EXPECT_EQ(zoomedLeft, left);

    for (auto const& [keys, title] : {std::pair{"End", "2 / 2"},
                                      {"Home", "1 / 2"},
                                      {"Page_Down Page_Down", "2 / 2"},
                                      {"1 g", "1 / 2"},
                                      {"G", "2 / 2"},
                                      {"k k k k k k k k k k k k k k k k k k k k k k k k k k k k k k", "1 / 2"}}) {
        viewer.Key(keys);
        EXPECT_EQ(viewer.WaitTitle(title), std::string("links.dvi \u2014 ") + title) << keys;
    }
}

TEST_F(Viewer, ScreensWithAScaleFactorGetTheirOwnResolution) {
    std::string const file = dir_.Path() + "/links.dvi";
    fs::copy_file(DataFile("links.dvi"), file);
    ViewerSession viewer(dir_, file, "GDK_SCALE=2");
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    viewer.WaitTitle("1 / 2");
    ExpectRenderedPage(viewer, file, 192);
}

// In a locale that writes "1,5" (German) the pages' PostScript still runs:
// TikZ, pgfplots and rotated text look as render draws them.
TEST_F(Viewer, AGermanLocaleDrawsPostScriptAsRenderDoes) {
    std::string const locales = MakeGermanLocale(dir_);
    if (locales.empty()) GTEST_SKIP() << "no locale definitions to make de_DE from";
    std::string const file = dir_.Path() + "/postscript.dvi";
    fs::copy_file(DataFile("postscript.dvi"), file);
    ViewerSession viewer(dir_, file, "LOCPATH=" + locales + " LC_ALL=de_DE.UTF-8");
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    viewer.WaitTitle("1 / 1");
    ExpectRenderedPage(viewer, file, 96);
}

// In the dark mode the page turns dark, its pictures stay as they are: the
// white quarters of rasters.dvi's pictures (those of the JPEG, GIF and BMP
// files some 33 by 25 pixels at 100%, the PNG's 10 by 8; the JPEG's nearly
// white) stay white.
TEST_F(Viewer, DarkModeLeavesPicturesAsTheyAre) {
    std::string const file = dir_.Path() + "/rasters.dvi";
    fs::copy_file(DataFile("rasters.dvi"), file);
    fs::copy(DataFile("pictures"), dir_.Path() + "/pictures");
    ViewerSession viewer(dir_, file, "", "--dark");
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    viewer.WaitTitle("1 / 1");
    auto white = [](int r, int g, int b) { return std::min({r, g, b}) > 230; };
    RgbImage const shot = viewer.ShotWhen([&](RgbImage const& image) { return Count(image, white) > 2000; });
    EXPECT_GT(Count(shot, [](int r, int g, int b) { return r + g + b == 0; }), 100000) << "a dark page";
    EXPECT_GT(Count(shot, white), 3 * 32 * 24);
    EXPECT_LT(Count(shot, white), 3 * 34 * 26 + 11 * 9);
}

TEST_F(Viewer, ShowsWhatLatexWritesOnARerun) {
    if (!HaveCommand("latex")) GTEST_SKIP() << "latex is not installed";
    auto typeset = [&](char const* words) {
        std::ofstream(dir_.Path() + "/paper.tex")
            << "\\documentclass{article}\\begin{document}" << words << "\\end{document}\n";
        RunCommand("cd " + dir_.Path() + " && latex -interaction=batchmode paper.tex >/dev/null 2>&1");
    };
    typeset("First words.");
    ViewerSession viewer(dir_, dir_.Path() + "/paper.dvi");
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    viewer.WaitTitle("1 / 1");
    RgbImage before = viewer.Shot();
    typeset("Second words, and many more of them than before.");
    std::this_thread::sleep_for(500ms);
    ExpectRenderedPage(viewer, dir_.Path() + "/paper.dvi", 96);
    RgbImage after = viewer.Shot();
    EXPECT_NE(before.rgb, after.rgb);
}

TEST_F(Viewer, ForwardSearchScrollsAndMarksAndCtrlClickOpensTheEditor) {
    if (!HaveCommand("latex")) GTEST_SKIP() << "latex is not installed";
    // Line 3 sets page 1's paragraph, line 5 page 2's.
    std::ofstream(dir_.Path() + "/paper.tex") << "\\documentclass{article}\n"
                                                 "\\begin{document}\n"
                                                 "The first page holds these words.\n"
                                                 "\\newpage\n"
                                                 "The second page holds other words.\n"
                                                 "\\end{document}\n";
    RunCommand("cd " + dir_.Path() + " && latex -synctex=1 -interaction=batchmode paper.tex >/dev/null 2>&1");
    std::string const editor = "touch " + dir_.Path() + "/edited-%l";
    ViewerSession viewer(dir_, dir_.Path() + "/paper.dvi", "",
                         "--forward 5:" + dir_.Path() + "/paper.tex --editor '" + editor + "'");
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    EXPECT_EQ(viewer.WaitTitle("2 / 2"), "paper.dvi \u2014 2 / 2");
    auto reddish = [](int r, int g, int b) { return r > 200 && g < 210 && b < 210 && g > 100; };
    EXPECT_GT(Count(viewer.ShotWhen([&](RgbImage const& shot) { return Count(shot, reddish) > 100; }), reddish), 100)
        << "the line marked";

    // Ctrl+click on page 1's line: the editor at line 3.
    viewer.Key("Home");
    viewer.WaitTitle("1 / 2");
    RgbImage shot = viewer.Shot();
    int left = 0, top = 0;
    ASSERT_TRUE(PageCorner(shot, left, top));
    std::string const place = Ksdvi("search " + dir_.Path() + "/paper.dvi first");  // page 1 X,Y,W,H
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(place.c_str(), "page 1 %d,%d,%d,%d", &x, &y, &w, &h), 4) << place;
    viewer.X("xdotool mousemove --window " + viewer.Window() + " " + std::to_string(left + x + w / 2) + " " +
             std::to_string(top + y + h / 2) + " keydown ctrl click 1 keyup ctrl");
    bool edited = false;
    for (int i = 0; i < 50 && !edited; ++i) {
        std::this_thread::sleep_for(100ms);
        edited = fs::exists(dir_.Path() + "/edited-3");
    }
    EXPECT_TRUE(edited) << viewer.Log();
}

TEST_F(Viewer, FollowsTheFileWhileTeXRewritesIt) {
    std::string const file = dir_.Path() + "/paper.dvi";
    fs::copy_file(DataFile("links.dvi"), file);
    ViewerSession viewer(dir_, file);
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    EXPECT_EQ(viewer.WaitTitle("/ 2"), "paper.dvi \u2014 1 / 2");

    // Half a rewrite: the pages completed so far, never an error.
    std::string const pages = ReadFileText(DataFile("pages.dvi"));
    int const count = std::stoi(Ksdvi("info " + DataFile("pages.dvi") + " | sed -n 's/^pages: *//p'"));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << pages.substr(0, pages.size() / 2);
    std::string const partial = viewer.WaitTitle("/ 2");  // may stay until more is written
    std::ofstream(file, std::ios::binary | std::ios::trunc) << pages;
    EXPECT_EQ(viewer.WaitTitle("/ " + std::to_string(count)), "paper.dvi \u2014 1 / " + std::to_string(count))
        << "after " << partial;
    EXPECT_EQ(viewer.Log().find("ksdvi-view:"), std::string::npos) << viewer.Log();
}

TEST_F(Viewer, SearchMarksHitsAndLinksJumpAndComeBack) {
    std::string const file = dir_.Path() + "/hyper.dvi";
    fs::copy_file(DataFile("hyperref-hypertex.dvi"), file);
    ViewerSession viewer(dir_, file);
    ASSERT_TRUE(viewer.Ready()) << viewer.Log();
    std::string const first = viewer.WaitTitle(" 1 / 2");
    ASSERT_NE(first.find("1 / 2"), std::string::npos) << first;

    auto orange = [](int r, int g, int b) { return r > 200 && g > 100 && g < 190 && b < 150; };
    RgbImage const before = viewer.Shot();
    EXPECT_EQ(Count(before, orange), 0);
    int pageLeft = 0, pageTop = 0;
    ASSERT_TRUE(PageCorner(before, pageLeft, pageTop));
    // Typed once the search bar shows (it moves the page down): on a busy
    // machine it is made and shown late.
    viewer.Key("slash");
    viewer.ShotWhen([&](RgbImage const& shot) {
        int left = 0, top = 0;
        return PageCorner(shot, left, top) && top != pageTop;
    });
    viewer.Type("Knuth");
    viewer.Key("Return");
    EXPECT_GT(Count(viewer.ShotWhen([&](RgbImage const& shot) { return Count(shot, orange) > 50; }), orange), 50);

    // The link to section 2 (ksdvi links: 177,259 at 96 dpi on page 1).
    viewer.Key("Escape Escape Home");
    viewer.WaitTitle("1 / 2");
    // Where the page lies once the window has settled: the closing search
    // bar moves it, late on a busy machine.
    int left = -1, top = -1, shownLeft = 0, shownTop = 0;
    for (int i = 0; i < 10 && (shownLeft != left || shownTop != top); ++i) {
        left = shownLeft, top = shownTop;
        ASSERT_TRUE(PageCorner(viewer.Shot(), shownLeft, shownTop));
    }
    viewer.Click(shownLeft + 177 + 30, shownTop + 259 + 7);
    EXPECT_EQ(viewer.WaitTitle("2 / 2"), "hyper.dvi \u2014 2 / 2");
    viewer.Key("alt+Left");
    EXPECT_EQ(viewer.WaitTitle("1 / 2"), "hyper.dvi \u2014 1 / 2");
}

}  // namespace

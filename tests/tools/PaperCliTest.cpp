// Paper names: libpaper's, in any case, turned, and the system's paper when
// neither the document nor --paper names one. paperconf, libpaper's own
// tool, says how large each is.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

struct Size {
    double width = 0, height = 0;
};

// paperconf's size of NAME in PostScript points.
Size Paperconf(std::string const& name) {
    std::istringstream in(RunCommand("paperconf -s -p " + name));
    Size size;
    in >> size.width >> size.height;
    return size;
}

// The width and height of a PNG file, from its header.
Size PngSize(std::string const& path) {
    std::vector<uint8_t> const bytes = ReadFileBytes(path);
    if (bytes.size() < 24) return {};
    auto word = [&](size_t at) {
        return double(bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3]);
    };
    return {word(16), word(20)};
}

struct PaperCase {
    char const* name;
    std::string environment;  // before the command
    std::string option;       // --paper's value, or none
    std::string paperconf;    // the name paperconf is asked
    bool turned = false;
};

class PaperNames : public testing::TestWithParam<PaperCase> {};

// At 72 dpi the page has as many pixels as the paper has points; plain.dvi
// names no paper itself.
TEST_P(PaperNames, GiveThePaperPaperconfGives) {
    PaperCase const& c = GetParam();
    TempDir dir;
    RunOk("cd " + dir.Path() + " && " + c.environment + " " + KSDVI_CLI + " render -r 72 -p 2 -o page.png " +
          (c.option.empty() ? "" : "--paper " + c.option + " ") + DataFile("plain.dvi"));
    Size expected = Paperconf(c.paperconf);
    ASSERT_GT(expected.width, 0) << c.paperconf;
    if (c.turned) std::swap(expected.width, expected.height);
    Size const got = PngSize(dir / "page.png");
    EXPECT_NEAR(got.width, expected.width, 1.0);
    EXPECT_NEAR(got.height, expected.height, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Names, PaperNames,
                         testing::Values(PaperCase{"lower", "", "a5", "a5"}, PaperCase{"upper", "", "A5", "a5"},
                                         PaperCase{"mixed", "", "Legal", "legal"}, PaperCase{"b5", "", "b5", "b5"},
                                         PaperCase{"tabloid", "", "TABLOID", "tabloid"},
                                         PaperCase{"landscape", "", "a5-landscape", "a5", true},
                                         PaperCase{"landscape_upper", "", "Letter-Landscape", "letter", true},
                                         PaperCase{"system_turned", "PAPERSIZE=a6", "landscape", "a6", true},
                                         PaperCase{"papersize_variable", "PAPERSIZE=a6", "", "a6"},
                                         PaperCase{"option_wins", "PAPERSIZE=a6", "b5", "b5"}),
                         ByName());

TEST(PaperNames, PapersizeFileIsRead) {
    // The file PAPERCONF names, as /etc/papersize.
    TempDir dir;
    std::ofstream(dir / "papersize") << "legal\n";
    RunOk("cd " + dir.Path() + " && env -u PAPERSIZE PAPERCONF=" + dir / "papersize " + KSDVI_CLI +
          " render -r 72 -p 2 -o page.png " + DataFile("plain.dvi"));
    EXPECT_NEAR(PngSize(dir / "page.png").height, Paperconf("legal").height, 1.0);
}

// info tells the postamble's extent from the paper render takes.
TEST(PaperNames, InfoShowsThePaperRenderUses) {
    std::string const text = RunOk("PAPERSIZE=a5 " + std::string(KSDVI_CLI) + " info " + DataFile("plain.dvi"));
    EXPECT_NE(text.find("largest page (postamble): 101.60 x "), std::string::npos) << text;  // \hsize=4in
    EXPECT_NE(text.find("paper:     148."), std::string::npos) << text;
    auto const j = nlohmann::json::parse(
        RunCommand("PAPERSIZE=a5 " + std::string(KSDVI_CLI) + " info --json " + DataFile("plain.dvi")));
    EXPECT_NEAR(j["paper"]["width_mm"].get<double>(), Paperconf("a5").width * 25.4 / 72, 0.05);
    EXPECT_EQ(j["paper"]["from"], "a5");
}

}  // namespace

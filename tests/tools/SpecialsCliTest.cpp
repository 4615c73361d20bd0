// What `ksdvi info` shows of the document's specials: each page's background
// and colour stack, the anchors and the picture files.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Listing.h"

namespace {

std::string Info(std::string const& options, int* status) {
    return RunCommand(std::string(KSDVI_CLI) + " info " + options + " " + KSDVI_TEST_DATA + "/specials.dvi 2>/dev/null",
                      status);
}

TEST(CliSpecials, JsonShowsColoursAnchorsAndPictures) {
    int status = -1;
    auto j = nlohmann::json::parse(Info("--json", &status));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(j["pages"].size(), 6u);

    std::vector<std::string> backgrounds;
    std::vector<std::vector<std::string>> stacks;
    for (auto const& page : j["pages"]) {
        backgrounds.push_back(page["background"]);
        stacks.push_back(page["color_stack"]);
    }
    EXPECT_EQ(backgrounds,
              (std::vector<std::string>{"#FFFFFF", "#FFFFFF", "#0000FF", "#0000FF", "#FFFF80", "#FFFF80"}));
    std::vector<std::string> const black{"#000000"}, blackRed{"#000000", "#FF0000"};
    EXPECT_EQ(stacks,
              (std::vector<std::vector<std::string>>{black, blackRed, blackRed, black, black, {"#000000", "#FF0040"}}));

    auto expectedAnchors = nlohmann::json::parse(R"([
        {"name": "sec1", "page": 0}, {"name": "abc", "page": 1}, {"name": "def", "page": 1},
        {"name": "sec 2", "page": 2}, {"name": "sec1", "page": 4}])");
    EXPECT_EQ(j["anchors"], expectedAnchors);
    EXPECT_EQ(j["pictures"],
              nlohmann::json::parse(R"(["fig.eps", "a.eps", "b.eps", "pic.wmf", "second.eps", "c.eps"])"));
}

TEST(CliSpecials, TextFormShowsTheSame) {
    int status = -1;
    std::string out = Info("", &status);
    EXPECT_EQ(status, 0);
    for (char const* line : {"        background #0000FF, colour stack (bottom first) #000000 #FF0000\n",
                             "        background #FFFF80, colour stack (bottom first) #000000 #FF0040\n",
                             "anchor \"sec 2\": page 3\n", "picture: pic.wmf\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\nin\n" << out;
}

}  // namespace

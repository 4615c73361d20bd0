// What `ksdvi info` shows of the document's specials: each page's background
// and colour stack, the anchors and the picture files. The values themselves
// are the scan's (tests/dvi); here, how both forms print them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Cli.h"

namespace {

TEST(CliSpecials, ColoursAnchorsAndPicturesInBothForms) {
    int status = -1;
    auto j = nlohmann::json::parse(Ksdvi("info --json " + DataFile("specials.dvi"), &status));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(j["pages"].size(), 6u);
    EXPECT_EQ(j["pages"][5]["background"], "#FFFF80");
    EXPECT_EQ(j["pages"][5]["color_stack"], nlohmann::json::parse(R"(["#000000", "#FF0040"])"));
    EXPECT_EQ(j["anchors"][3], nlohmann::json::parse(R"({"name": "sec 2", "page": 2})"));
    EXPECT_EQ(j["pictures"],
              nlohmann::json::parse(R"(["fig.eps", "a.eps", "b.eps", "pic.wmf", "second.eps", "c.eps"])"));

    std::string out = Ksdvi("info " + DataFile("specials.dvi"), &status);
    EXPECT_EQ(status, 0);
    for (char const* line : {"        background #FFFF80, colour stack (bottom first) #000000 #FF0040\n",
                             "anchor \"sec 2\": page 3\n", "picture: pic.wmf\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\nin\n" << out;
}

}  // namespace

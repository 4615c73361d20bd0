// A document without its postamble (TeX still writing it, or a file cut
// short) or with no page: render and print say what `info` says about it,
// its mode and why, draw the complete pages, and fail when there is none.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <nlohmann/json.hpp>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

// plain.dvi up to the end of page `page` (0: its preamble), and `more` bytes.
Bytes PlainUpTo(int page, long more = 0) {
    Bytes const plain = ReadFileBytes(DataFile("plain.dvi"));
    auto const info = nlohmann::json::parse(Ksdvi("info --json " + DataFile("plain.dvi")));
    long const end = page == 0 ? info["pages"][0]["start"].get<long>() : info["pages"][page - 1]["end"].get<long>() + 1;
    return Bytes(plain.begin(), plain.begin() + end + more);
}

struct Incomplete {
    char const* name;
    std::function<Bytes()> bytes;
    std::string command;  // {out} the output directory, then the document
    int status;
    size_t written;           // files in {out}
    std::string withoutInfo;  // what is said when info names no problem
};

class IncompleteDocument : public testing::TestWithParam<Incomplete> {};

TEST_P(IncompleteDocument, SaysWhatInfoSaysAndDrawsTheCompletePages) {
    Incomplete const& c = GetParam();
    TempFile dvi(c.bytes());
    TempDir out;
    auto const info = nlohmann::json::parse(Ksdvi("info --json " + dvi.Path()));
    std::string said = c.withoutInfo;
    if (info.contains("problem")) {
        std::string const problem = info["problem"];
        said = problem.rfind(info["mode"].get<std::string>(), 0) == 0
                   ? problem
                   : info["mode"].get<std::string>() + ": " + problem;
    }
    ASSERT_FALSE(said.empty());
    int status = -1;
    std::string const err = RunCommand(
        KSDVI_CLI " " + Replaced(c.command, "{out}", out.Path()) + " " + dvi.Path() + " 2>&1 >/dev/null", &status);
    EXPECT_EQ(status, c.status);
    EXPECT_NE(err.find("ksdvi: " + dvi.Path() + ": " + (c.status ? "" : "warning: ") + said), std::string::npos)
        << said << "\n"
        << err;
    EXPECT_EQ(out.Files().size(), c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, IncompleteDocument,
    testing::Values(
        Incomplete{"no_postamble", [] { return PlainUpTo(3); }, "render -r 20 -o {out}/p-%d.png", 0, 3, ""},
        Incomplete{"ends_inside_page_2", [] { return PlainUpTo(1, 100); }, "render -r 20 -o {out}/p-%d.png", 0, 1, ""},
        Incomplete{"preamble_only", [] { return PlainUpTo(0); }, "render -o {out}/p-%d.png", 1, 0, ""},
        Incomplete{"malformed_first_page", [] { return DviBuilder().Pre().Bop(1).Op(250).Eop().Post().bytes; },
                   "render -o {out}/p-%d.png", 1, 0, ""},
        Incomplete{"no_pages", [] { return DviBuilder().Pre().Post().bytes; }, "render -o {out}/p-%d.png", 1, 0,
                   "the document has no pages"},
        Incomplete{"print_no_postamble", [] { return PlainUpTo(2); }, "print -r 20 -o {out}/out.pdf", 0, 1, ""},
        Incomplete{"print_preamble_only", [] { return PlainUpTo(0); }, "print -o {out}/out.pdf", 1, 0, ""}),
    ByName());

}  // namespace

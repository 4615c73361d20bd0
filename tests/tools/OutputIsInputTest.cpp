// An output that is the document itself, by its name or through a symbolic
// or hard link, is refused before anything is written: the document stays
// as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

enum class Link { None, Symbolic, Hard };

struct Overwrite {
    char const* name;
    std::string command;    // {in} the document, {out} the output
    std::string document;   // the document's name in the directory
    Link link;              // how the output leads to the document
    bool inputThroughLink;  // the document is named by the link, the output by its own name
};

class OutputIsInput : public testing::TestWithParam<Overwrite> {};

TEST_P(OutputIsInput, IsRefusedAndWritesNothing) {
    Overwrite const& c = GetParam();
    TempDir dir;
    std::string const document = dir / c.document;
    std::filesystem::copy_file(DataFile("plain.dvi"), document);
    // The link's name ends as the document's: print takes only .pdf and .ps.
    std::string const link = dir / ("link" + std::filesystem::path(c.document).extension().string());
    std::string other = document;
    if (c.link == Link::Symbolic) std::filesystem::create_symlink(c.document, other = link);
    if (c.link == Link::Hard) std::filesystem::create_hard_link(document, other = link);
    std::set<std::string> const before = dir.Files();
    std::string const command = Replaced(Replaced(c.command, "{in}", c.inputThroughLink ? other : document), "{out}",
                                         c.inputThroughLink ? document : other);
    int status = -1;
    std::string const err = KsdviIn(dir.Path(), command, &status, " 2>&1 >/dev/null");
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("the output would overwrite the input"), std::string::npos) << err;
    EXPECT_EQ(ReadFileBytes(document), ReadFileBytes(DataFile("plain.dvi")));
    EXPECT_EQ(dir.Files(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OutputIsInput,
    testing::Values(Overwrite{"render", "render -p 1 {in} -o {out}", "doc.dvi", Link::None, false},
                    Overwrite{"render_symbolic_link", "render -p 1 {in} -o {out}", "doc.dvi", Link::Symbolic, false},
                    Overwrite{"render_hard_link", "render -p 1 {in} -o {out}", "doc.dvi", Link::Hard, false},
                    Overwrite{"select", "select {in} -p 1 -o {out}", "doc.dvi", Link::None, false},
                    Overwrite{"select_symbolic_link", "select {in} -p 1 -o {out}", "doc.dvi", Link::Symbolic, false},
                    Overwrite{"select_through_link", "select {in} -p 1 -o {out}", "doc.dvi", Link::Symbolic, true},
                    Overwrite{"select_hard_link", "select {in} -p 2 -o {out}", "doc.dvi", Link::Hard, false},
                    Overwrite{"print", "print -p 1 -o {out} {in}", "doc.ps", Link::None, false},
                    Overwrite{"print_hard_link", "print -p 1 -o {out} {in}", "doc.ps", Link::Hard, false}),
    ByName());

}  // namespace

// Forward and inverse search on real LaTeX documents, made here twice: with
// `latex -src-specials` and with `latex -synctex=1`. TeX Live's `synctex`
// tool is the reference for both. Then what damaged, stale and hostile sync
// data does, and a document TeX is still writing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ksdvi/Document.h"
#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"
#include "support/TempFile.h"
#include "sync/SourceSync.h"

namespace fs = std::filesystem;

namespace {

// A source file written line by line; paragraphs note the line they begin on.
struct SourceFile {
    std::string name;  // relative to the document's directory
    std::vector<std::string> lines;
    std::vector<int> paragraphs;
    void Line(std::string const& text) { lines.push_back(text); }
    void Paragraph(std::string const& text) {
        paragraphs.push_back(static_cast<int>(lines.size()) + 1);
        lines.push_back(text);
        lines.push_back("");
    }
};

std::string const kLong =
    "has words enough in it to fill more than one line of the page, so that TeX breaks it and the "
    "first line is only a part of what the source line sets.";

// doc.tex with two chapters \input from a folder, over three pages.
std::vector<SourceFile> Sources() {
    SourceFile main, one, two;
    main.name = "doc.tex", one.name = "chapters/one.tex", two.name = "chapters/two.tex";
    main.Line("\\documentclass{article}");
    main.Line("\\begin{document}");
    main.Paragraph("The first paragraph of the main file " + kLong);
    main.Paragraph("A second paragraph of the main file.");
    main.Line("\\input{chapters/one}");
    main.Line("");
    main.Line("\\newpage");
    main.Paragraph("A paragraph on the second page " + kLong);
    main.Line("\\input{chapters/two}");
    main.Line("");
    main.Paragraph("The last paragraph of all, back in the main file.");
    main.Line("\\end{document}");
    one.Paragraph("The first chapter begins with a paragraph that " + kLong);
    one.Paragraph("Its second paragraph is short.");
    one.Paragraph("And a third one " + kLong);
    two.Line("\\newpage");
    two.Paragraph("The second chapter starts a page of its own " + kLong);
    two.Paragraph("It ends with this.");
    return {main, one, two};
}

// doc.dvi made in `dir` with `flags`; false with the reason when LaTeX failed.
testing::AssertionResult MakeDocument(std::string const& dir, std::string const& flags) {
    fs::create_directories(dir + "/chapters");
    for (SourceFile const& file : Sources()) {
        std::string text;
        for (std::string const& line : file.lines) text += line + "\n";
        WriteFileText(dir + "/" + file.name, text);
    }
    return Typeset(dir, "latex " + flags);
}

struct Box {
    int page = 0;                                // 1-based
    double x = 0, y = 0, width = 0, height = 0;  // big points from the paper's corner
};

// The boxes `synctex view` gives for LINE of FILE, in its order.
std::vector<Box> SyncTeXView(std::string const& dir, std::string const& file, int line) {
    std::string out = RunCommand("cd " + dir + " && synctex view -i " + std::to_string(line) + ":0:" + file +
                                 " -o doc.dvi 2>/dev/null");
    std::istringstream in(out);
    std::vector<Box> boxes;
    Box box;
    int seen = 0;
    for (std::string text; std::getline(in, text);) {
        size_t const colon = text.find(':');
        if (colon == std::string::npos || colon + 1 >= text.size()) continue;
        std::string const key = text.substr(0, colon);
        double const value = std::atof(text.c_str() + colon + 1);
        if (key == "Page") box.page = static_cast<int>(value), seen = 0;
        double* fields[] = {&box.x, &box.y, &box.width, &box.height};
        char const* keys[] = {"h", "v", "W", "H"};
        for (int i = 0; i < 4; ++i)
            if (key == keys[i]) *fields[i] = value, ++seen;
        if (seen == 4) {
            box.y -= box.height;  // v is the bottom
            boxes.push_back(box);
            seen = 0;
        }
    }
    return boxes;
}

// Whether `box` lies within `slack` of `around`, on the same page.
bool Within(Box const& box, Box const& around, double slack) {
    return box.page == around.page && box.x >= around.x - slack && box.y >= around.y - slack &&
           box.x + box.width <= around.x + around.width + slack &&
           box.y + box.height <= around.y + around.height + slack;
}

struct SourceLine {
    std::string file;
    int line = 0;
};

// What `synctex edit` says set the point (x, y), in big points, of `page`.
std::optional<SourceLine> SyncTeXEdit(std::string const& dir, int page, double x, double y) {
    char point[96];
    std::snprintf(point, sizeof point, "%d:%.2f:%.2f", page, x, y);
    std::istringstream in(RunCommand("cd " + dir + " && synctex edit -o " + point + ":doc.dvi 2>/dev/null"));
    SourceLine found;
    for (std::string text; std::getline(in, text);) {
        if (text.starts_with("Input:") && found.file.empty()) found.file = text.substr(6);
        if (text.starts_with("Line:") && found.line == 0) found.line = std::stoi(text.substr(5));
    }
    if (found.file.empty() || found.line <= 0) return std::nullopt;
    return found;
}

// Pixels per big point of the resolution the tool is asked for.
constexpr int kDpi = 720;
constexpr double kPixelsPerPoint = kDpi / 72.0;

// The first box of `ksdvi sync --forward`, in big points.
std::optional<Box> KsdviForward(std::string const& dvi, std::string const& query, int* status) {
    std::string out = Ksdvi("sync " + dvi + " --forward " + query + " -r " + std::to_string(kDpi), status);
    Box box;
    int x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(out.c_str(), "page %d %d,%d,%d,%d", &box.page, &x, &y, &w, &h) != 5) return std::nullopt;
    box.x = x / kPixelsPerPoint, box.y = y / kPixelsPerPoint;
    box.width = w / kPixelsPerPoint, box.height = h / kPixelsPerPoint;
    return box;
}

std::optional<SourceLine> KsdviInverse(std::string const& dvi, int page, double x, double y) {
    char point[96];
    std::snprintf(point, sizeof point, "%d:%.0f,%.0f", page, x * kPixelsPerPoint, y * kPixelsPerPoint);
    std::string out = Ksdvi("sync " + dvi + " --inverse " + point + " -r " + std::to_string(kDpi));
    size_t const colon = out.rfind(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    return SourceLine{out.substr(0, colon), std::atoi(out.c_str() + colon + 1)};
}

// A file's path from its document's directory, links and dot steps resolved.
std::string FromDirectory(std::string const& file, std::string const& dir) {
    return fs::weakly_canonical(file).lexically_relative(fs::weakly_canonical(dir)).string();
}

enum class Via { SourceSpecials, SyncTeX };

void PrintTo(Via via, std::ostream* out) { *out << (via == Via::SyncTeX ? "SyncTeX" : "SourceSpecials"); }

// Skips the test when LaTeX or TeX Live's synctex tool is missing.
class LatexDocuments : public testing::Test {
protected:
    void SetUp() override {
        for (char const* command : {"latex", "synctex", "kpsewhich", "dvitype"})
            if (!HaveCommand(command)) GTEST_SKIP() << command << " is not installed";
        if (RunCommand("kpsewhich article.cls").empty()) GTEST_SKIP() << "LaTeX's article class is not installed";
    }
};

class SyncAgreement : public LatexDocuments, public testing::WithParamInterface<Via> {};

// For each paragraph's first line, in the name forms editors use: the page
// and box of synctex's forward search, and the line of its inverse search
// at the middle of ksdvi's box.
TEST_P(SyncAgreement, ForwardAndInverseAgreeWithSyncTeX) {
    TempDir dir;
    std::string const reference = dir / "synctex", ours = GetParam() == Via::SyncTeX ? reference : dir / "src";
    ASSERT_TRUE(MakeDocument(reference, "-synctex=1"));
    if (GetParam() == Via::SourceSpecials) {
        ASSERT_TRUE(MakeDocument(ours, "-src-specials"));
    }
    ASSERT_EQ(fs::exists(ours + "/doc.synctex.gz"), GetParam() == Via::SyncTeX);
    std::string const dvi = ours + "/doc.dvi";
    int const lineSlack = GetParam() == Via::SyncTeX ? 0 : 1;
    int checked = 0;
    for (SourceFile const& file : Sources()) {
        for (size_t i = 0; i < file.paragraphs.size(); ++i) {
            int const line = file.paragraphs[i];
            std::string const given[] = {file.name, "./" + file.name, ours + "/" + file.name};
            std::string const name = given[(checked++) % 3];
            SCOPED_TRACE(name + ":" + std::to_string(line));
            std::vector<Box> const theirs = SyncTeXView(reference, file.name, line);
            ASSERT_FALSE(theirs.empty());
            int status = -1;
            std::optional<Box> box = KsdviForward(dvi, std::to_string(line) + ":" + name, &status);
            ASSERT_TRUE(box);
            EXPECT_EQ(status, 0);
            // The characters of the line, not only where it starts.
            EXPECT_GE(box->width, 20);
            EXPECT_GE(box->height, 5);
            // synctex gives a box for each line the paragraph fills, in an order of its own.
            EXPECT_TRUE(std::any_of(theirs.begin(), theirs.end(), [&](Box const& t) { return Within(*box, t, 5); }))
                << "page " << box->page << " " << box->x << "," << box->y << " " << box->width << "x" << box->height
                << "; synctex: page " << theirs[0].page << " " << theirs[0].x << "," << theirs[0].y << " "
                << theirs[0].width << "x" << theirs[0].height;

            double const x = box->x + box->width / 2, y = box->y + box->height / 2;
            std::optional<SourceLine> expected = SyncTeXEdit(reference, box->page, x, y);
            std::optional<SourceLine> found = KsdviInverse(dvi, box->page, x, y);
            ASSERT_TRUE(expected);
            ASSERT_TRUE(found);
            EXPECT_EQ(FromDirectory(found->file, ours), FromDirectory(expected->file, reference));
            EXPECT_NEAR(found->line, expected->line, lineSlack);
        }
    }
    EXPECT_EQ(checked, 9);
}

// src: specials put no ink on the page and no characters in its text.
TEST_F(LatexDocuments, SourceSpecialsLeaveTextAndPixelsAlone) {
    TempDir dir;
    ASSERT_TRUE(MakeDocument(dir / "plain", ""));
    ASSERT_TRUE(MakeDocument(dir / "src", "-src-specials"));
    ASSERT_NE(RunCommand("dvitype " + (dir / "src/doc.dvi") + " 2>/dev/null | grep -c \"xxx 'src:\""), "0\n");
    for (char const* command : {"text", "search second"})
        EXPECT_EQ(Ksdvi(std::string(command) + " " + (dir / "src/doc.dvi")),
                  Ksdvi(std::string(command) + " " + (dir / "plain/doc.dvi")))
            << command;
    for (std::string const kind : {"plain", "src"})
        KsdviOk("render -p 1 -r 100 -o " + (dir / (kind + "-%d.png")) + " " + (dir / (kind + "/doc.dvi")));
    std::vector<uint8_t> const plain = ReadFileBytes(dir / "plain-1.png");
    EXPECT_FALSE(plain.empty());
    EXPECT_TRUE(plain == ReadFileBytes(dir / "src-1.png"));
}

INSTANTIATE_TEST_SUITE_P(Latex, SyncAgreement, testing::Values(Via::SourceSpecials, Via::SyncTeX),
                         [](auto const& info) { return testing::PrintToString(info.param); });

// What is done to the SyncTeX file of a document made with both kinds of sync data.
struct SyncTeXDamage {
    char const* name;
    void (*damage)(std::string const& dir);
    // What the answers must come from; None: either, as libsynctex judges.
    ksdvi::SourceSync::Origin from;
};

void Overwrite(std::string const& path, std::string const& bytes) {
    fs::file_time_type const time = fs::last_write_time(path);
    WriteFileText(path, bytes);
    fs::last_write_time(path, time);  // as new as TeX left it
}

class DamagedSyncTeX : public LatexDocuments, public testing::WithParamInterface<SyncTeXDamage> {};

// A SyncTeX file that cannot be used yields to the src: specials, with a
// warning naming it; one that libsynctex half reads gives its answers or
// none, and never brings the tool down.
TEST_P(DamagedSyncTeX, FallsBackOrAnswersWithoutCrashing) {
    SyncTeXDamage const& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(MakeDocument(dir.Path(), "-src-specials -synctex=1"));
    c.damage(dir.Path());
    std::string const dvi = dir / "doc.dvi";
    SourceFile const one = Sources()[1];

    auto document = ksdvi::Document::Open(dvi);
    ASSERT_TRUE(document);
    ksdvi::SourceSync sync(document->Engine(), dvi);
    ksdvi::SourceSync::Origin const from = sync.From();
    if (c.from != ksdvi::SourceSync::Origin::None) {
        EXPECT_EQ(from, c.from);
    }
    EXPECT_EQ(sync.Problem().empty(), from == ksdvi::SourceSync::Origin::SyncTeX) << sync.Problem();
    std::vector<ksdvi::SourceBox> boxes = sync.Forward("chapters/one.tex", one.paragraphs[1]);
    if (from == ksdvi::SourceSync::Origin::SourceSpecials) {
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.front().page, 0);
    }
    for (ksdvi::SourceBox const& box : boxes) sync.Inverse(box.page, box.left, box.top);

    int status = -1;
    std::string const out =
        Ksdvi("sync " + dvi + " --forward " + std::to_string(one.paragraphs[1]) + ":chapters/one.tex", &status, true);
    EXPECT_TRUE(status == 0 || status == 1) << out;
    if (from == ksdvi::SourceSync::Origin::SourceSpecials) {
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("doc.synctex"), std::string::npos) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedSyncTeX,
    testing::Values(
        SyncTeXDamage{"Intact", [](std::string const&) {}, ksdvi::SourceSync::Origin::SyncTeX},
        SyncTeXDamage{"Stale",
                      [](std::string const& dir) {
                          fs::last_write_time(dir + "/doc.synctex.gz",
                                              fs::last_write_time(dir + "/doc.dvi") - std::chrono::hours(1));
                      },
                      ksdvi::SourceSync::Origin::SourceSpecials},
        SyncTeXDamage{"Empty", [](std::string const& dir) { Overwrite(dir + "/doc.synctex.gz", ""); },
                      ksdvi::SourceSync::Origin::SourceSpecials},
        SyncTeXDamage{"NotCompressed",
                      [](std::string const& dir) { Overwrite(dir + "/doc.synctex.gz", "not a SyncTeX file\n"); },
                      ksdvi::SourceSync::Origin::SourceSpecials},
        SyncTeXDamage{"Truncated",
                      [](std::string const& dir) {
                          std::string const path = dir + "/doc.synctex.gz";
                          std::string bytes = ReadFileText(path);
                          Overwrite(path, bytes.substr(0, bytes.size() / 2));
                      },
                      ksdvi::SourceSync::Origin::None},
        SyncTeXDamage{"Scrambled",
                      [](std::string const& dir) {
                          std::string const path = dir + "/doc.synctex.gz";
                          std::string bytes = ReadFileText(path);
                          for (size_t i = bytes.size() / 3; i < bytes.size() && i < bytes.size() / 3 + 64; ++i)
                              bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
                          Overwrite(path, bytes);
                      },
                      ksdvi::SourceSync::Origin::None},
        SyncTeXDamage{"GarbageUncompressed",
                      [](std::string const& dir) {
                          fs::file_time_type const time = fs::last_write_time(dir + "/doc.synctex.gz");
                          fs::remove(dir + "/doc.synctex.gz");
                          WriteFileText(dir + "/doc.synctex",
                                        "SyncTeX Version:1\nInput:1:/etc/passwd\n{999999999\n(((((\n");
                          fs::last_write_time(dir + "/doc.synctex", time);
                      },
                      ksdvi::SourceSync::Origin::None}),
    ByName());

// A document of src: specials built by hand: well-formed ones among garbage;
// whole, or its first page of two as TeX has written it so far.
DviBuilder SpecialsDocument(bool whole = true) {
    DviBuilder dvi;
    dvi.Pre();
    dvi.Bop(1).Op(141).Op(160).U(1000000, 4);  // push, down4 1000000
    for (char const* text : {"src:", "src:abc", "src:0 good.tex", "src:99999999999999 good.tex", "src:12\x01x.tex",
                             "src::::", "src:3"})  // the last names no file, and none came before
        dvi.Special(text);
    dvi.Special("src:7 good.tex").Op(142).Eop();  // pop
    if (whole) {
        dvi.Bop(2).Op(141).Op(160).U(2000000, 4);
        dvi.Special("src:9").Op(160).U(800000, 4).Special("src:12:4 sub/../other.tex").Op(142).Eop().Post();
    }
    return dvi;
}

// Only well-formed specials place lines; a line between two is found at the one before.
TEST(HandMadeSpecials, FindOnlyWhatWellFormedSpecialsSay) {
    TempDir dir;
    SpecialsDocument().WriteTo(dir / "doc.dvi");
    auto document = ksdvi::Document::Open(dir / "doc.dvi");
    ASSERT_TRUE(document);
    struct Query {
        char const* file;
        int line, column;
        int page;       // 0-based; -1: no place
        int foundLine;  // the line that has a special
    };
    for (Query const& q :
         {Query{"good.tex", 7, 0, 0, 7}, Query{"good.tex", 9, 0, 1, 9}, Query{"other.tex", 12, 4, 1, 12},
          Query{"good.tex", 8, 0, 0, 7}, Query{"good.tex", 3, 0, -1, 0}, Query{"good.tex", 0, 0, -1, 0},
          Query{"x.tex", 12, 0, -1, 0}, Query{"missing.tex", 7, 0, -1, 0}}) {
        SCOPED_TRACE(std::string(q.file) + ":" + std::to_string(q.line));
        std::vector<ksdvi::SourceArea> areas = document->SourceAreas(q.file, q.line, q.column);
        if (q.page < 0) {
            EXPECT_TRUE(areas.empty());
            continue;
        }
        ASSERT_EQ(areas.size(), 1u);
        EXPECT_EQ(areas[0].page, q.page);
        std::optional<ksdvi::SourcePosition> at = document->SourceAt(q.page, {areas[0].area.x, areas[0].area.y});
        ASSERT_TRUE(at);
        EXPECT_EQ(fs::path(at->file).filename(), fs::path(q.file).filename());
        EXPECT_EQ(at->line, q.foundLine);
    }
}

// A line with no place is exit status 1 and a message; so are queries the
// tool cannot read and pages that do not exist.
TEST(SyncCommand, SaysWhatItCannotAnswer) {
    TempDir dir;
    SpecialsDocument().WriteTo(dir / "doc.dvi");
    DviBuilder none;
    none.Pre().Page().Post();
    none.WriteTo(dir / "none.dvi");
    struct Case {
        std::string args;
        int status;
        std::string output;  // what standard output begins with
    };
    std::string const doc = dir / "doc.dvi";
    for (Case const& c :
         {Case{doc + " --forward 7:good.tex", 0, "page 1 "},
          Case{doc + " --forward 7:good.tex --json", 0, "[\n {\"page\":1,\"rects\":[["},
          Case{doc + " --inverse 1:100,200", 0, fs::weakly_canonical(dir / "good.tex").string() + ":7\n"},
          Case{doc + " --forward 7:missing.tex", 1, ""}, Case{doc + " --forward 7", 1, ""},
          Case{doc + " --forward x:good.tex", 1, ""}, Case{doc + " --inverse 3:10,10", 1, ""},
          Case{doc + " --inverse 1:10", 1, ""}, Case{doc, 1, ""},
          Case{doc + " --forward 7:good.tex --inverse 1:1,1", 1, ""},
          Case{dir / "none.dvi" + " --forward 1:good.tex", 1, ""}}) {
        int status = -1;
        std::string const out = Ksdvi("sync " + c.args, &status);
        EXPECT_EQ(status, c.status) << c.args;
        EXPECT_EQ(out.substr(0, c.output.size()), c.output) << c.args;
        if (c.status != 0) {
            EXPECT_NE(RunCommand(std::string(KSDVI_CLI) + " sync " + c.args + " 2>&1 >/dev/null"), "") << c.args;
        }
    }
}

// A document TeX is still writing answers from its complete pages, and from
// the new ones once it has looked again.
TEST(GrowingDocument, FindsLinesOfPagesAsTheyComplete) {
    TempDir dir;
    std::string const path = dir / "doc.dvi";
    SpecialsDocument(false).WriteTo(path);
    auto document = ksdvi::Document::Open(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->PageCount(), 1);
    EXPECT_EQ(document->SourceAreas("good.tex", 7).size(), 1u);
    EXPECT_EQ(document->SourceAreas("good.tex", 9).at(0).page, 0);  // the line before, for now
    SpecialsDocument().WriteTo(path);
    document->Update();
    ASSERT_EQ(document->PageCount(), 2);
    std::vector<ksdvi::SourceArea> areas = document->SourceAreas(dir / "good.tex", 9);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].page, 1);
}

}  // namespace

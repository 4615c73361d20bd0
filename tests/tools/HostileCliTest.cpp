// Documents that try to make ksdvi read files outside their tree, wait on a
// FIFO, or carry file contents into warnings.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr char kSecret[] = "SECRETWORD";
// An EPS figure that paints a black inch square.
constexpr char kSecretEps[] = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 72 72\n0 0 72 72 rectfill\n";

// doc/ holds the document; outside/ lies beside it with files it must not reach.
struct HostileTree {
    TempDir root;
    std::string doc = root / "doc";
    std::string outside = root / "outside";

    HostileTree() {
        fs::create_directories(doc);
        fs::create_directories(outside);
        std::ofstream(outside + "/secret.pro") << kSecret << "\n";
        std::ofstream(outside + "/secret.eps") << kSecretEps;
        mkfifo((doc + "/fifo.pro").c_str(), 0600);
        mkfifo((doc + "/fifo.eps").c_str(), 0600);
    }

    // A page with the specials and a rule, written into doc/.
    std::string Document(std::vector<std::string> const& specials, std::string const& name = "hostile.dvi") const {
        DviBuilder b;
        b.Pre().Bop(1);
        for (std::string const& special : specials) b.Special(special);
        b.Rule(10 * 65536, 100 * 65536).Eop().Post();
        std::string path = doc + "/" + name;
        b.WriteTo(path);
        return path;
    }
};

TEST(HostileDocuments, FilesOutsideTheTreeAreRefusedAndNeverQuoted) {
    HostileTree tree;
    std::string const secretPro = tree.outside + "/secret.pro";
    struct Case {
        std::string special;
        std::string warning;
    };
    Case const cases[] = {
        {"header=" + secretPro,
         "its PostScript is left out: header " + secretPro + ": outside the document's directory"},
        {"header=../outside/secret.pro", "header ../outside/secret.pro: outside the document's directory"},
        {"psfile=" + secretPro, "picture " + secretPro + ": outside the document's directory"},
        {"ps: plotfile ../outside/secret.eps", "picture ../outside/secret.eps: outside the document's directory"},
        {"header=fifo.pro", "header fifo.pro: not a regular file"},
        {"psfile=fifo.eps", "picture fifo.eps: not a regular file"},
        {"graphics: 0pt 0pt 10pt 10pt 10pt 10pt PNG fifo.eps", "picture fifo.eps: not a regular file"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.special);
        // A header is read when the page has PostScript to run.
        std::string dvi = tree.Document({c.special, "ps: 0 0 moveto 10 0 rlineto stroke"});
        std::string out = KsdviOk("render -r 72 -o " + (tree.root / "p-%d.png") + " " + dvi, true);
        EXPECT_NE(out.find(c.warning), std::string::npos) << out;
        EXPECT_EQ(out.find(kSecret), std::string::npos) << out;
        GreyImage page;
        ASSERT_TRUE(ReadGreyPng(tree.root / "p-1.png", page));
        EXPECT_GT(page.DarkCount(), 900);  // the rule is drawn all the same
    }
}

TEST(HostileDocuments, DirectoriesTheUserAllowsAreRead) {
    HostileTree tree;
    std::string dvi = tree.Document({"ps: plotfile ../outside/secret.eps"});
    GreyImage refused, allowed;
    KsdviOk("render -r 72 -o " + (tree.root / "refused-%d.png") + " " + dvi);
    KsdviOk("render -r 72 --allow-paths " + tree.outside + " -o " + (tree.root / "allowed-%d.png") + " " + dvi);
    ASSERT_TRUE(ReadGreyPng(tree.root / "refused-1.png", refused));
    ASSERT_TRUE(ReadGreyPng(tree.root / "allowed-1.png", allowed));
    // The figure is an inch square of black at 72 dpi.
    EXPECT_GT(allowed.DarkCount() - refused.DarkCount(), 60 * 60);

    // A header the user allows runs, and its failure names only PostScript's error.
    dvi = tree.Document({"header=../outside/secret.pro", "ps: 0 0 moveto 10 0 rlineto stroke"});
    std::string out =
        KsdviOk("render -r 72 --allow-paths " + tree.outside + " -o " + (tree.root / "h-%d.png") + " " + dvi, true);
    EXPECT_NE(out.find("its PostScript is left out: PostScript error: undefined\n"), std::string::npos) << out;
    EXPECT_EQ(out.find(kSecret), std::string::npos) << out;
}

TEST(HostileDocuments, InfoSaysWhyAPictureIsNotRead) {
    HostileTree tree;
    std::string dvi = tree.Document({"psfile=../outside/secret.eps"});
    auto pictures = nlohmann::json::parse(KsdviOk("info --json " + dvi))["pages"][0]["pictures"];
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]["found"], false);
    EXPECT_NE(pictures[0]["problem"].get<std::string>().find("outside the document's directory"), std::string::npos);
}

TEST(HostileDocuments, FontNamesStayInsideToo) {
    HostileTree tree;
    fs::copy_file(KSDVI_TEST_DATA "/metrics/kstest.tfm", tree.outside + "/ksout.tfm");
    DviBuilder b;
    b.Pre().Bop(1).FntDef(0, "../outside/ksout").Op(171).Op('A').Eop().Post();
    std::string dvi = tree.doc + "/font.dvi";
    b.WriteTo(dvi);
    std::string out = Ksdvi("info --tfm-path " + tree.doc + " " + dvi, nullptr, true);
    EXPECT_NE(out.find("outside the document's directory"), std::string::npos) << out;
}

// A page of more instructions than a drawing may run: every command that
// reads it says it was cut, and those that promise its text fail.
TEST(HostileDocuments, CutPagesAreSaidToBeCut) {
    TempDir dir;
    DviBuilder b;
    b.Pre().Bop(1).Rule(65536, 65536);
    b.bytes.insert(b.bytes.end(), size_t{5} << 20, uint8_t{138});  // nop
    b.Eop().Post();
    std::string const dvi = dir / "long.dvi";
    b.WriteTo(dvi);
    struct Case {
        std::string command;
        int status;
    };
    for (Case const& c : {Case{"render -r 10 -o " + (dir / "p%d.png") + " " + dvi, 0}, Case{"text " + dvi, 1},
                          Case{"search " + dvi + " x", 2}}) {
        int status = -1;
        std::string const out = Ksdvi(c.command, &status, true);
        EXPECT_NE(out.find("page 1: it has more than 4194304 instructions"), std::string::npos) << c.command << out;
        EXPECT_EQ(status, c.status) << c.command;
    }
}

// A later page naming a paper miles wide is refused, as the first page's
// would be; the pages around it are still written.
TEST(HostileDocuments, APagesOwnHugePaperIsRefused) {
    TempDir dir;
    DviBuilder b;
    b.Pre().Bop(1).Special("papersize=100pt,100pt").Rule(65536, 65536).Eop();
    b.Bop(2).Special("papersize=16000pt,16000pt").Rule(65536, 65536).Eop();
    b.Bop(3).Rule(65536, 65536).Eop().Post();
    b.WriteTo(dir / "huge.dvi");
    int status = -1;
    std::string const out = Ksdvi("render -r 300 -o " + (dir / "p%d.png") + " " + (dir / "huge.dvi"), &status, true);
    EXPECT_NE(out.find("the page is too large to render"), std::string::npos) << out;
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(fs::exists(dir / "p1.png"));
    EXPECT_FALSE(fs::exists(dir / "p2.png"));
    EXPECT_TRUE(fs::exists(dir / "p3.png"));
}

// PostScript that runs on is stopped at the time --ps-seconds gives, for
// every command that draws it; the page is then written without it.
TEST(HostileDocuments, LongPostScriptStopsAtTheTimeGiven) {
    HostileTree tree;
    std::string const dvi =
        tree.Document({"ps: realtime { realtime 1 index sub 3000 gt { exit } if } loop pop 0 0 72 72 rectfill"});
    for (std::string const& command :
         {"render -r 20 -o " + (tree.root / "p%d.png"), "svg -o " + (tree.root / "p.svg")}) {
        int status = -1;
        auto const start = std::chrono::steady_clock::now();
        std::string const out = Ksdvi(command + " --ps-seconds 1 " + dvi, &status, true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2900)) << command;
        EXPECT_NE(out.find("its PostScript is left out: stopped after 1 s"), std::string::npos) << command << out;
        EXPECT_EQ(status, 0) << command;
    }
    EXPECT_TRUE(fs::exists(tree.root / "p1.png"));
}

}  // namespace

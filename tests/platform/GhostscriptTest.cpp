// The Ghostscript wrapper, driven as the renderer drives it: an EPS file fed
// line by line, pages copied through GetBitmapRow into a DIB.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gs/GS.h"
#include "support/GhostscriptHelpers.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace ksdvi::gdi {
namespace {

// Keeps the first page it is given, read row by row as a banded reader does.
class CopyingOutputter : public GS::PageOutputter {
public:
    void OutputPage(int width, int height) override {
        if (pages++ > 0) return;
        GS* gs = GetGS();
        gs->LockGSDevice();
        BITMAPINFOHEADER header;
        std::vector<RGBQUAD> colors(256);
        gs->GetBitmapRow(&header, colors.data(), nullptr, 0);
        colors.resize(header.biClrUsed);
        const std::size_t stride = DibStride(width, header.biBitCount);
        dib.resize(sizeof header + colors.size() * sizeof(RGBQUAD) + stride * std::size_t(height));
        std::memcpy(dib.data(), &header, sizeof header);
        std::memcpy(dib.data() + sizeof header, colors.data(), colors.size() * sizeof(RGBQUAD));
        BYTE* bits = dib.data() + sizeof header + colors.size() * sizeof(RGBQUAD);
        for (int row = 0; row < height; ++row) {
            unsigned char* data = nullptr;
            ASSERT_EQ(gs->GetBitmapRow(nullptr, nullptr, &data, unsigned(row)), 1);
            std::memcpy(bits + std::size_t(row) * stride, data, stride);
        }
        gs->UnlockGSDevice();
    }
    int StopRequested() override { return stop; }

    int pages = 0;
    int stop = 0;
    std::vector<BYTE> dib;
};

struct Eps {
    int llx = 0, lly = 0, urx = 72, ury = 72;
    std::vector<std::string> lines;
};

Eps ReadEps(const std::string& name) {
    Eps eps;
    std::ifstream in(std::string(KSDVI_TEST_DATA) + "/pictures/" + name);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("%%BoundingBox:", 0) == 0) {
            std::sscanf(line.c_str() + 14, "%d %d %d %d", &eps.llx, &eps.lly, &eps.urx, &eps.ury);
        }
        eps.lines.push_back(line + "\n");
    }
    return eps;
}

// Runs a job: the origin at the box's corner, the alpha bits at 8 bits and
// more, the lines (or their text in pieces of `piece` bytes), a showpage when
// none came. Returns EndGSJob's answer, or -1 when the job did not start.
int Render(const Eps& eps, int dpi, int bits, CopyingOutputter& out, int* pagesBeforeShowpage = nullptr,
           std::size_t piece = 0) {
    GS* gs = GetGS();
    const int width = (eps.urx - eps.llx) * dpi / 72, height = (eps.ury - eps.lly) * dpi / 72;
    if (!gs->StartGSJob(dpi, dpi, width, height, bits, &out, -1, -1)) return -1;
    char origin[64];
    std::snprintf(origin, sizeof origin, "%d %d translate\n", -eps.llx, -eps.lly);
    gs->ProcessPSCommand(origin);
    if (bits >= 8)
        gs->ProcessPSCommand("mark /GraphicsAlphaBits 4 /TextAlphaBits 4 currentdevice putdeviceprops pop\n");
    std::string text;
    for (const std::string& line : eps.lines) piece ? void(text += line) : void(gs->ProcessPSCommand(line));
    for (std::size_t at = 0; at < text.size(); at += piece)
        gs->ProcessPSCommand(std::string_view(text).substr(at, piece));
    if (pagesBeforeShowpage) *pagesBeforeShowpage = out.pages;
    if (out.pages == 0) gs->ProcessPSCommand("showpage\n");
    return gs->EndGSJob();
}

std::shared_ptr<Surface> PageOf(const CopyingOutputter& out) {
    DibView view;
    if (out.dib.empty() || !DibView::FromPacked(out.dib.data(), out.dib.size(), view)) return nullptr;
    return view.Decode(DIB_RGB_COLORS, nullptr);
}

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// shapes.eps at 81 dpi is 18 x 13 pixels (its top half pixel cut off): red
// in columns 0 to 8 of rows 7 to 12, blue in columns 9 to 17 of rows 0 to 5,
// white elsewhere. The edge between columns 8 and 9 splits a byte at one and
// four bits per pixel; row 6 is only partly covered and is not checked.
constexpr int kDpi = 81;

void ExpectShapes(const Surface& page, COLORREF red, COLORREF blue) {
    ASSERT_EQ(page.Width(), 18);
    ASSERT_EQ(page.Height(), 13);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 18 && y != 6; ++x) {
            const COLORREF want = x < 9 && y > 6 ? red : x >= 9 && y < 6 ? blue : kWhite;
            ASSERT_EQ(ColorFromPixel(page.At(x, y)), want) << "pixel " << x << "," << y;
        }
    }
}

TEST(Ghostscript, PaintsAnEpsAtEveryDepth) {
    const struct {
        int bits;
        const char* extra;   // PostScript after the file's own
        COLORREF red, blue;  // the shapes' colours at this depth
        std::size_t piece = 0;  // sent in pieces of this many bytes, not by lines
    } kCases[] = {
        {1, "", kBlack, kBlack},
        {4, "", kRed, kBlue},
        {8, "", kRed, kBlue},
        {24, "", kRed, kBlue},
        {32, "", kRed, kBlue},
        {24, "showpage\n", kRed, kBlue},
        {24, "showpage\n", kRed, kBlue, 3},  // the word split over pieces
        {24, "showpage\n", kRed, kBlue, 5},
        {24, "", kRed, kBlue, 4},
        {24, "(printed without a newline) print\n", kRed, kBlue},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, pieces of " << c.piece << ", then " << c.extra);
        Eps eps = ReadEps("shapes.eps");
        eps.lines.push_back(c.extra);
        const bool ownShowpage = std::strstr(c.extra, "showpage") != nullptr;
        CopyingOutputter out;
        int pagesBeforeEnd = -1;
        ASSERT_EQ(Render(eps, kDpi, c.bits, out, &pagesBeforeEnd, c.piece), 1) << GS::GetLastError();
        // The renderer sends its own showpage only when the file showed none.
        EXPECT_EQ(pagesBeforeEnd, ownShowpage ? 1 : 0);
        EXPECT_EQ(out.pages, 1);
        EXPECT_EQ(GS::GetLastError(), "");
        const auto page = PageOf(out);
        ASSERT_TRUE(page);
        ExpectShapes(*page, c.red, c.blue);
        BITMAPINFOHEADER header;
        ASSERT_EQ(GetGS()->GetBitmapRow(&header, nullptr, nullptr, 0), 1);
        EXPECT_EQ(header.biBitCount, c.bits);
        HPALETTE palette = GetGS()->GetPalette();
        EXPECT_EQ(palette != nullptr, c.bits <= 8);
        if (palette) {
            EXPECT_EQ(palette->GetEntryCount(), int(header.biClrUsed));
            DeleteObject(palette);
        }
    }
}

// Jobs that fail say why; the interpreter (started again when it had to be
// killed) renders the next job.
TEST(Ghostscript, FailedJobsSayWhyAndTheNextJobWorks) {
    using std::chrono::milliseconds;
    // A file in the temporary directory, which Ghostscript would let SAFER
    // jobs read, and one the job would write there.
    const TempFile secret(".txt");
    secret.WriteText("secret\n");
    const std::string written = secret.Path() + ".written";
    const struct {
        const char* what;
        std::string postscript;
        const char* error;
        milliseconds limit = GS::kDefaultTimeLimit;
        bool stopRequest = false;
    } kCases[] = {
        // Errors name PostScript's errors and operators, never what the job
        // made of its bytes: a name, a string it printed, a marker it forged.
        {"undefined name", "secretword\n", "PostScript error: undefined"},
        {"forged error marker", "(\\n%%[ksdvi-error: secretword]%%\\n) print flush stop\n", "PostScript error: stop"},
        {"error of its own", "$error /errorname /secretword put $error /newerror true put stop\n",
         "PostScript error: an error the PostScript raised itself"},
        {"printed, then quit", "(secretword\\n) print flush quit\n", "quit"},
        {"reading a system file", "(/etc/passwd) (r) file\n", "PostScript error: invalidfileaccess in file"},
        {"reading a temporary file", "(" + secret.Path() + ") (r) file\n",
         "PostScript error: invalidfileaccess in file"},
        {"writing a temporary file", "(" + written + ") (w) file\n", "PostScript error: invalidfileaccess in file"},
        {"string left open", "(abc\n", "PostScript error: syntaxerror"},
        {"quit", "quit\n", "quit"},
        {"endless loop", "{} loop\n", "stopped after 1 s", milliseconds(1000)},
        {"endless recursion", "/f { f } def f\n", "stopped after 1.5 s", milliseconds(1500)},
        {"stop request", "{} loop\n", "stopped on request", milliseconds(60000), true},
    };
    GS* gs = GetGS();
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        gs->SetTimeLimit(c.limit);
        CopyingOutputter out;
        out.stop = c.stopRequest;
        ASSERT_NE(gs->StartGSJob(72, 72, 16, 12, 24, &out, -1, -1), 0) << GS::GetLastError();
        const auto start = std::chrono::steady_clock::now();
        gs->ProcessPSCommand(c.postscript);
        EXPECT_EQ(gs->EndGSJob(), 0);
        const auto took = std::chrono::steady_clock::now() - start;
        gs->SetTimeLimit(GS::kDefaultTimeLimit);
        EXPECT_NE(GS::GetLastError().find(c.error), std::string::npos) << GS::GetLastError();
        EXPECT_EQ(GS::GetLastError().find("secret"), std::string::npos) << GS::GetLastError();
        EXPECT_EQ(GS::LastJobTimedOut(), std::string_view(c.error).starts_with("stopped after"));
        EXPECT_LT(took,
                  std::min<std::chrono::steady_clock::duration>(c.limit, milliseconds(5000)) + milliseconds(5000));
        EXPECT_EQ(out.pages, 0);
        EXPECT_FALSE(std::filesystem::exists(written));

        CopyingOutputter next;
        ASSERT_EQ(Render(ReadEps("shapes.eps"), kDpi, 24, next), 1) << GS::GetLastError();
        const auto page = PageOf(next);
        ASSERT_TRUE(page);
        ExpectShapes(*page, kRed, kBlue);
    }
}

// A prologue runs once for the jobs in a row that begin with it; what it
// defines stays beneath each job, what a job changes does not, and a job
// with another prologue or none sees none of it.
TEST(Ghostscript, APrologueRunsOnceForTheJobsThatBeginWithIt) {
    const std::string a = "(%%[ksdvi-data: A ran) = userdict /counter 1 put\n";
    const std::string b = "(%%[ksdvi-data: B ran) = userdict /counter 2 put\n";
    const std::string failing = "userdict /counter 3 put nosuchname\n";
    // Its jobs find names in the dictionary it leaves open.
    const std::string open = "(%%[ksdvi-data: C ran) = /CDict 1 dict def CDict begin /counter 4 def\n";
    const std::string report =
        "(%%[ksdvi-data: ) print /counter where { /counter get =only } { (none) print } ifelse (\\n) print "
        "userdict /counter 99 put\n";
    const struct {
        const char* what;
        std::string prologue, job;
        const char* output;  // null: the job fails
    } kJobs[] = {
        {"first", a, report, "A ran\n1\n"},
        {"same prologue", a, report, "1\n"},
        {"another prologue", b, report, "B ran\n2\n"},
        {"a prologue that leaves a dictionary open", open, report, "C ran\n4\n"},
        {"the open one again", open, report, "4\n"},
        {"none", "", report, "none\n"},
        {"the first again", a, report, "A ran\n1\n"},
        {"a prologue that fails", failing, report, nullptr},
        {"after it", "", report, "none\n"},
        {"a job that ends its helper", a, "quit\n", nullptr},
        {"a new helper", a, report, "A ran\n1\n"},
    };
    GS* gs = GetGS();
    for (const auto& job : kJobs) {
        SCOPED_TRACE(job.what);
        CopyingOutputter out;
        ASSERT_NE(gs->StartGSJob(72, 72, 16, 12, 24, &out, job.prologue), 0) << GS::GetLastError();
        gs->ProcessPSCommand(job.job);
        EXPECT_EQ(gs->EndGSJob(), job.output ? 1 : 0) << GS::GetLastError();
        if (job.output) {
            EXPECT_EQ(GS::GetLastOutput(), job.output);
        }
    }
}

// Pages rendered in parallel each get their own picture: jobs take turns.
TEST(Ghostscript, JobsFromTwoThreadsEachGetTheirPage) {
    const Eps shapes = ReadEps("shapes.eps");
    Eps green;
    green.urx = 20, green.ury = 10;
    green.lines = {"0 1 0 setrgbcolor clippath fill\n"};
    int shapesPages = 0, greenPages = 0;
    std::thread other([&] {
        for (int i = 0; i < 4; ++i) {
            CopyingOutputter out;
            if (Render(shapes, kDpi, 24, out) != 1) continue;
            const auto page = PageOf(out);
            if (!page || page->Width() != 18 || page->Height() != 13) continue;
            shapesPages += ColorFromPixel(page->At(4, 10)) == kRed && ColorFromPixel(page->At(13, 2)) == kBlue;
        }
    });
    for (int i = 0; i < 4; ++i) {
        CopyingOutputter out;
        ASSERT_EQ(Render(green, 72, 32, out), 1) << GS::GetLastError();
        const auto page = PageOf(out);
        ASSERT_TRUE(page);
        ASSERT_EQ(page->Width(), 20);
        ASSERT_EQ(page->Height(), 10);
        greenPages +=
            ColorFromPixel(page->At(0, 0)) == RGB(0, 255, 0) && ColorFromPixel(page->At(19, 9)) == RGB(0, 255, 0);
    }
    other.join();
    EXPECT_EQ(shapesPages, 4);
    EXPECT_EQ(greenPages, 4);
}

// The PDF interpreter hands back each job's page alone, at the job's size,
// with nothing of a job that failed before it.
TEST(Ghostscript, PdfJobsGiveTheirOwnPageAsPdf) {
    GS* gs = GetPdfGS();
    struct Job {
        const char* postscript;
        bool succeeds;
    } const kJobs[] = {
        {"1 0 0 setrgbcolor 0 0 36 36 rectfill showpage\n", true},
        {"0 0 1 setrgbcolor 0 0 72 72 rectfill undefinedname showpage\n", false},
        {"0 1 0 setrgbcolor 10 10 20 20 rectfill showpage\n", true},
    };
    for (const Job& job : kJobs) {
        SCOPED_TRACE(job.postscript);
        ASSERT_NE(gs->StartGSJob(144, 144, 288, 144, 24, nullptr, -1, -1), 0) << GS::GetLastError();
        gs->ProcessPSCommand(job.postscript);
        EXPECT_EQ(gs->EndGSJob() != 0, job.succeeds) << GS::GetLastError();
        const std::string pdf = GS::GetLastPdf();
        if (!job.succeeds) {
            EXPECT_TRUE(pdf.empty());
            continue;
        }
        ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
        EXPECT_NE(pdf.find("/MediaBox [0 0 144 72]"), std::string::npos) << pdf.substr(0, 2000);
    }
}

// The PDF helper's directory of pages goes with the helper, also when the
// process that started it was killed before it could remove it.
TEST(Ghostscript, APdfHelpersPagesGoWhenItsProgramIsKilled) {
    TempDir tmp;
    pid_t const child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("TMPDIR", tmp.Path().c_str(), 1);
        GS* gs = GetPdfGS();
        bool const ran = gs->StartGSJob(72, 72, 72, 72, 24, nullptr, -1, -1) &&
                         gs->ProcessPSCommand("0 0 36 36 rectfill showpage\n") && gs->EndGSJob();
        _exit(ran && !std::filesystem::is_empty(tmp.Path()) ? 0 : 1);  // as if killed: nothing cleaned up
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the job did not run or made no directory";
    auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::is_empty(tmp.Path()) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));
}

// A helper started early, before any job, is the one that serves the jobs.
TEST(Ghostscript, AHelperStartedEarlyServesTheJobs) {
    if (!RunningGhostscriptHelpers().empty())
        GTEST_SKIP() << "a helper runs already: the test runs alone, as CTest runs it";
    GS* gs = GetPdfGS();
    gs->StartEarly();
    std::set<pid_t> const started = RunningGhostscriptHelpers();
    ASSERT_EQ(started.size(), 1u);
    gs->StartEarly();
    EXPECT_EQ(RunningGhostscriptHelpers(), started);
    // Ready by now (it takes some 50 ms), its first words waiting unread:
    // they are not taken for a helper that died.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int job = 0; job < 2; ++job) {
        ASSERT_NE(gs->StartGSJob(72, 72, 72, 72, 24, nullptr, -1, -1), 0) << GS::GetLastError();
        gs->ProcessPSCommand("0 0 1 setrgbcolor 0 0 36 36 rectfill showpage\n");
        ASSERT_EQ(gs->EndGSJob(), 1) << GS::GetLastError();
        EXPECT_EQ(GS::GetLastPdf().rfind("%PDF-", 0), 0u);
        EXPECT_EQ(RunningGhostscriptHelpers(), started);
    }
}

}  // namespace
}  // namespace ksdvi::gdi

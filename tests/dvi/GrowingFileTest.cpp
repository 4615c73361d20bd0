// A document followed while TeX writes it: a writer appends TeX's output in
// odd chunks, then writes the file anew from its start, as a rerun does,
// while the reader scans what has been written. Pages are never lost, never
// read half, and the mode is right at every step.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "dvi/KsDvi.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

struct Document {
    std::vector<uint8_t> bytes;
    std::vector<std::pair<int64_t, int64_t>> pages;  // first and last byte of each page

    explicit Document(std::string const& name) : bytes(ReadFileBytes(DataFile(name))) {
        KsDvi dvi;
        dvi.Open(String8(DataFile(name).c_str()), {}, {});
        dvi.NewPageWritten(0);
        EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
        for (int i = 0; i < dvi.GetNPage(); ++i) pages.emplace_back(dvi.GetPageStartOffset(i), dvi.GetPageEndOffset(i));
        // post_post q i, then the 223s that pad the file: four make it whole.
        size_t id = bytes.size() - 1;
        while (id > 0 && bytes[id] == 223) --id;
        whole = static_cast<int64_t>(id) + 1 + 4;
    }
    int64_t whole = 0;  // the bytes that make the postamble whole
    // Complete pages among the first `size` bytes.
    int CompletePages(int64_t size) const {
        int n = 0;
        while (n < static_cast<int>(pages.size()) && pages[n].second < size) ++n;
        return n;
    }
};

// What the writer has done: which document (0 or 1; -1 from just before the
// file is emptied), how many of its bytes are surely in the file (published
// after each write) and how many may be (before it).
struct WriterState {
    std::atomic<int> document{0};
    std::atomic<int64_t> written{0};
    std::atomic<int64_t> writing{0};
    std::atomic<bool> done{false};
    std::atomic<int> scans{0};  // scans the reader has finished
};

// The writer lets the reader scan at least once after each write, so that the
// reader sees many states of the file however slow the build makes it.
void AwaitScan(WriterState const& state, int scansBefore) {
    auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (state.scans <= scansBefore && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

void Write(std::string const& path, std::vector<Document const*> const& documents, WriterState& state) {
    static constexpr size_t kChunks[] = {1, 7, 13, 64, 333, 2, 4096, 45};
    size_t chunk = 0;
    for (size_t d = 0; d < documents.size(); ++d) {
        // A rerun of TeX: the file is emptied and written from its start.
        state.document = -1;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        state.written = 0;
        state.writing = 0;
        state.document = static_cast<int>(d);
        std::vector<uint8_t> const& bytes = documents[d]->bytes;
        for (size_t at = 0; at < bytes.size();) {
            size_t n = std::min(kChunks[chunk++ % std::size(kChunks)], bytes.size() - at);
            state.writing = static_cast<int64_t>(at + n);
            int const scans = state.scans;
            ASSERT_EQ(::write(fd, bytes.data() + at, n), static_cast<ssize_t>(n));
            at += n;
            state.written = static_cast<int64_t>(at);
            if (chunk % 3 == 0) AwaitScan(state, scans);
        }
        ::close(fd);
    }
    state.done = true;
}

TEST(GrowingFile, FollowedWhileWrittenAndRewritten) {
    Document const first("pages.dvi"), second("postscript.dvi");
    ASSERT_GT(first.pages.size(), 10u);
    TempDir dir;
    std::string const path = dir / "paper.dvi";
    ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));

    WriterState state;
    KsDvi dvi;
    dvi.Open(String8(path.c_str()), {}, {});
    std::jthread writer(Write, path, std::vector<Document const*>{&first, &second}, std::ref(state));
    int checked = 0;
    for (bool last = false; !last;) {
        last = state.done;
        int document = state.document;
        int64_t before = state.written;
        dvi.ScanWritten();
        int64_t after = state.writing;
        ++state.scans;
        // A scan the rewrite cut through may read bytes of both documents;
        // the next scan reads the file anew.
        if (document < 0 || state.document != document) continue;
        ASSERT_NE(dvi.GetMode(), KsDvi::Malformed) << "after " << before << " bytes";
        Document const& doc = document == 0 ? first : second;
        int n = dvi.GetNPage();
        // Every complete page is read, and nothing that is not yet complete.
        ASSERT_GE(n, doc.CompletePages(before));
        ASSERT_LE(n, doc.CompletePages(after));
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(dvi.GetPageStartOffset(i), doc.pages[i].first) << i;
            ASSERT_EQ(dvi.GetPageEndOffset(i), doc.pages[i].second) << i;
        }
        // Complete exactly when the postamble is whole.
        if (before >= doc.whole) {
            EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
        }
        if (dvi.GetMode() == KsDvi::Complete) {
            EXPECT_GE(after, doc.whole);
        }
        ++checked;
    }
    writer.join();
    EXPECT_GT(checked, 20);

    // The end: the second document whole, its pages as TeX wrote them.
    dvi.ScanWritten();
    ASSERT_EQ(dvi.GetMode(), KsDvi::Complete);
    ASSERT_EQ(dvi.GetNPage(), static_cast<int>(second.pages.size()));
    for (int i = 0; i < dvi.GetNPage(); ++i) {
        std::vector<unsigned char> page(dvi.GetPageContents(i, nullptr));
        ASSERT_EQ(dvi.GetPageContents(i, page.data()), static_cast<int>(page.size()));
        EXPECT_TRUE(std::equal(page.begin(), page.end(), second.bytes.begin() + second.pages[i].first)) << i;
    }
    EXPECT_EQ(dvi.ScanWritten(), KsDvi::Unchanged) << "nothing more to read";
}

// A file rewritten after it was complete is read anew; one that breaks the
// rules ends malformed instead of waiting for more.
TEST(GrowingFile, RewrittenAfterCompletionAndBroken) {
    Document const first("plain.dvi"), second("latex.dvi");
    TempFile file;
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    EXPECT_EQ(dvi.ScanWritten(), KsDvi::Unchanged) << "no file yet: nothing to read, nothing wrong";
    EXPECT_EQ(dvi.GetMode(), KsDvi::Growing);
    file.Write(first.bytes);
    EXPECT_EQ(dvi.ScanWritten(), KsDvi::Extended);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(dvi.GetNPage(), static_cast<int>(first.pages.size()));

    // Until the next scan, a page whose bytes are gone is not handed out.
    int64_t last = first.pages.back().first;
    file.Write(std::vector<uint8_t>(first.bytes.begin(), first.bytes.begin() + last + 50));
    std::vector<unsigned char> page(dvi.GetPageContents(dvi.GetNPage() - 1, nullptr));
    EXPECT_EQ(dvi.GetPageContents(dvi.GetNPage() - 1, page.data()), 0);

    file.Write(second.bytes);
    EXPECT_EQ(dvi.ScanWritten(), KsDvi::Renewed);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Complete);
    EXPECT_EQ(dvi.GetNPage(), static_cast<int>(second.pages.size()));

    std::vector<uint8_t> broken(second.bytes.begin(), second.bytes.begin() + second.pages[1].first);
    broken.push_back(250);  // no such opcode
    file.Write(broken);
    EXPECT_EQ(dvi.ScanWritten(), KsDvi::Renewed);
    EXPECT_EQ(dvi.GetMode(), KsDvi::Malformed);
    EXPECT_EQ(dvi.GetScanProblem(), KsDvi::ScanProblem::BadOpcode);
    EXPECT_EQ(dvi.GetNPage(), 1);
}

// A rerun that writes pages of the same lengths differs from the last run in
// what the pages say: TeX's page numbers, where rewrites of a document's
// front matter (i, ii, ... becoming 1, 2, ...) show first, or only in what
// they draw (a typo fixed), which the file's time of writing shows.
TEST(GrowingFile, RewrittenWithPagesOfTheSameLengths) {
    auto document = [](std::vector<int32_t> const& numbers, int ruleWidth) {
        DviBuilder b;
        b.Pre();
        for (int32_t n : numbers) b.Bop(n).Rule(65536, ruleWidth).Eop();
        return b.Post().bytes;
    };
    struct Case {
        char const* what;
        std::vector<int32_t> after;
        int ruleWidth;
        bool written;
        KsDvi::ScanChange change;
    };
    std::vector<int32_t> const before{-1, -2, 3};
    Case const cases[] = {
        {"not written since", before, 1, false, KsDvi::Unchanged},
        {"written again as it was", before, 1, true, KsDvi::Renewed},
        {"a rule wider", before, 2, true, KsDvi::Renewed},
        {"last page renumbered", {-1, -2, 4}, 1, true, KsDvi::Renewed},
        {"roman numbers become arabic", {1, 2, 3}, 1, true, KsDvi::Renewed},
    };
    for (Case const& c : cases) {
        TempFile file;
        file.Write(document(before, 1));
        KsDvi dvi;
        dvi.Open(String8(file.Path().c_str()), {}, {});
        ASSERT_EQ(dvi.ScanWritten(), KsDvi::Extended) << c.what;
        ASSERT_EQ(dvi.GetMode(), KsDvi::Complete) << c.what;
        if (c.written) {
            // A rerun a moment later. Two writes within one tick of the
            // file system's clock share their time: it is set.
            auto const scanned = std::filesystem::last_write_time(file.Path());
            file.Write(document(c.after, c.ruleWidth));
            std::filesystem::last_write_time(file.Path(), scanned + std::chrono::milliseconds(1));
        }
        EXPECT_EQ(dvi.ScanWritten(), c.change) << c.what;
        EXPECT_EQ(dvi.GetTeXPageNo(2), c.after[2]) << c.what;
        EXPECT_EQ(dvi.GetMode(), KsDvi::Complete) << c.what;
    }
}

// What a scan keeps of a document's specials: anchors with their pages,
// PostScript headers, bookmarks.
std::vector<std::string> Recorded(KsDvi const& dvi) {
    std::vector<std::string> records;
    for (KsDvi::TagInfo const& tag : dvi.GetTagList())
        records.push_back("anchor " + std::string(tag.name.view()) + " " + std::to_string(tag.page));
    for (KsDvi::PostScriptHeader const& header : dvi.GetPostScriptHeaders())
        records.push_back("header " + header.text);
    for (KsDvi::OutlineEntry const& entry : dvi.GetOutline()) records.push_back("bookmark " + std::string(entry.title.view()));
    return records;
}

// A rerun's file keeps nothing of the run before: what the viewer records
// after the rewrite is what a fresh scan of the new file records.
TEST(GrowingFile, RewrittenFileKeepsNothingOfTheEarlierRun) {
    struct Case {
        char const* earlier;
        char const* rerun;
    };
    for (Case c : {Case{"hyperref-dvips.dvi", "latex.dvi"}, Case{"postscript.dvi", "plain.dvi"},
                   Case{"hyperref-hypertex.dvi", "hyperref-dvips.dvi"}}) {
        SCOPED_TRACE(std::string(c.earlier) + " then " + c.rerun);
        KsDvi fresh;
        fresh.Open(String8(DataFile(c.rerun).c_str()), {}, {});
        fresh.NewPageWritten(0);

        TempFile file(ReadFileBytes(DataFile(c.earlier)));
        KsDvi dvi;
        dvi.Open(String8(file.Path().c_str()), {}, {});
        EXPECT_EQ(dvi.ScanWritten(), KsDvi::Extended);
        EXPECT_FALSE(Recorded(dvi).empty()) << "the earlier run has anchors, headers or bookmarks";
        file.Write(ReadFileBytes(DataFile(c.rerun)));
        EXPECT_EQ(dvi.ScanWritten(), KsDvi::Renewed);
        EXPECT_EQ(Recorded(dvi), Recorded(fresh));
        EXPECT_EQ(dvi.GetNPage(), fresh.GetNPage());
    }
}

}  // namespace

// Forward and inverse search on a generated 1000-page LaTeX document, one
// source line per paragraph, made once with `latex -src-specials` and once
// with `latex -synctex=1`. The first question reads the sync data (every
// page's specials, or the whole SyncTeX file); the loop times the questions
// after it, spread over the document.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ksdvi/Document.h"
#include "support/TempDir.h"

namespace {

constexpr int kPages = 1000;
constexpr int kParagraphsPerPage = 5;
constexpr int kFirstLine = 3;  // after \documentclass and \begin{document}

// The line of paragraph `n` (0-based) of doc.tex.
int LineOf(int n) { return kFirstLine + n + n / kParagraphsPerPage; }

struct Made {
    TempDir dir;
    std::unique_ptr<ksdvi::Document> document;
    double firstMs = 0;
};

// doc.dvi of the generated document, made with `flags`; null when LaTeX is missing or fails.
Made* MakeDocument(char const* flags) {
    auto made = std::make_unique<Made>();
    {
        std::ofstream tex(made->dir / "doc.tex");
        tex << "\\documentclass{article}\n\\begin{document}\n";
        for (int n = 0; n < kPages * kParagraphsPerPage; ++n) {
            tex << "Paragraph " << n << " says that the quick brown fox jumps over the lazy dog, and then it "
                << "says so once more in other words so that the paragraph takes two lines.\\par\n";
            if (n % kParagraphsPerPage == kParagraphsPerPage - 1) tex << "\\newpage\n";
        }
        tex << "\\end{document}\n";
    }
    std::string const command =
        "cd " + made->dir.Path() + " && latex -interaction=batchmode " + flags + " doc.tex >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return nullptr;
    made->document = ksdvi::Document::Open(made->dir / "doc.dvi");
    if (!made->document || made->document->PageCount() != kPages) return nullptr;
    auto const start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(made->document->SourceAreas("doc.tex", LineOf(0)));
    made->firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return made.release();
}

Made* SourceSpecials() {
    static std::unique_ptr<Made> const made(MakeDocument("-src-specials"));
    return made.get();
}

Made* SyncTeX() {
    static std::unique_ptr<Made> const made(MakeDocument("-synctex=1"));
    return made.get();
}

void Forward(benchmark::State& state, Made* made) {
    if (!made) {
        state.SkipWithError("latex could not make the 1000-page document");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        n = (n + 997) % (kPages * kParagraphsPerPage);
        auto areas = made->document->SourceAreas("doc.tex", LineOf(n));
        if (areas.empty()) state.SkipWithError("a paragraph has no place");
        benchmark::DoNotOptimize(areas);
    }
    state.counters["first_ms"] = made->firstMs;
}

void Inverse(benchmark::State& state, Made* made) {
    if (!made) {
        state.SkipWithError("latex could not make the 1000-page document");
        return;
    }
    int page = 0;
    for (auto _ : state) {
        page = (page + 397) % kPages;
        auto at = made->document->SourceAt(page, {200, 300});
        if (!at) state.SkipWithError("a page has no source");
        benchmark::DoNotOptimize(at);
    }
}

void BM_ForwardSourceSpecials(benchmark::State& state) { Forward(state, SourceSpecials()); }
void BM_InverseSourceSpecials(benchmark::State& state) { Inverse(state, SourceSpecials()); }
void BM_ForwardSyncTeX(benchmark::State& state) { Forward(state, SyncTeX()); }
void BM_InverseSyncTeX(benchmark::State& state) { Inverse(state, SyncTeX()); }

BENCHMARK(BM_ForwardSourceSpecials)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InverseSourceSpecials)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ForwardSyncTeX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InverseSyncTeX)->Unit(benchmark::kMillisecond);

}  // namespace

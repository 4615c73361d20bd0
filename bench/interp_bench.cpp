// The interpreter's own cost: scanning a document and running its pages with a
// drawer that does nothing, the floor under every rendering.

#include <benchmark/benchmark.h>

#include <string>

#include "dvi/KsDvi.h"
#include "interp/KsDviDrawerBase.h"
#include "platform/kpathsea/KPathSea.h"

namespace {

std::string const kSample = std::string(KSDVI_TEST_DATA) + "/latex.dvi";

void BM_ScanDocument(benchmark::State& state) {
    KPathSea finder;
    for (auto _ : state) {
        KsDvi dvi;
        dvi.SetKPathSea(&finder);
        dvi.Open(String8(kSample.c_str()), {}, {});
        dvi.NewPageWritten(0);
        benchmark::DoNotOptimize(dvi.GetNPage());
    }
}
BENCHMARK(BM_ScanDocument);

void BM_InterpretPages(benchmark::State& state) {
    KPathSea finder;
    KsDvi dvi;
    dvi.SetKPathSea(&finder);
    dvi.Open(String8(kSample.c_str()), {}, {});
    dvi.NewPageWritten(0);
    KsDviDrawerBase drawer;
    for (auto _ : state) {
        for (int p = 0; p < dvi.GetNPage(); ++p) {
            drawer.Open(dvi, p);
            drawer.Draw(-1);
            drawer.Close();
        }
    }
    state.SetItemsProcessed(state.iterations() * dvi.GetNPage());
}
BENCHMARK(BM_InterpretPages);

}  // namespace

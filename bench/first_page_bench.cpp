// The library's latency for the first page of a document, as the README's
// example draws it: open, scan up to page 1, draw it at 96 dpi on A4. The
// process's own start-up (kpathsea's databases, the installation's font map)
// is paid before the timing; each iteration opens the document anew.
// KSDVI_BENCH_DVI names the document (bench/first-page-vs-dvipng.sh passes a
// 1000-page one); the default is the test data's 40-page document.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "dvi/KsDvi.h"
#include "font/TeXFonts.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"

namespace {

void BM_FirstPage(benchmark::State& state) {
    char const* env = std::getenv("KSDVI_BENCH_DVI");
    std::string const path = env ? env : std::string(KSDVI_TEST_DATA) + "/pages.dvi";
    int const dpi = 96;
    auto device = ksdvi::gdi::RasterDevice::Create({793, 1122, dpi, dpi});
    ksdvi::TeXFonts::Default();  // start-up: kpathsea and the installation's map
    for (auto _ : state) {
        KsDvi dvi;
        dvi.Open(String8(path.c_str()), {}, {});
        dvi.NewPageWritten(1);
        if (dvi.GetNPage() < 1) {
            state.SkipWithError("no complete page");
            break;
        }
        ksdvi::gdi::CDC dc(*device);
        KsDviDrawer drawer;
        drawer.Open(dc, dvi, 0, fpreal4::FromDouble(1.0), dpi, dpi, ksdvi::gdi::RGB(0, 0, 255), String8());
        drawer.Draw(-1);
        drawer.Close();
    }
}
// First once, when the fonts' programs are still to be found and registered,
// then as often as the timing needs.
BENCHMARK(BM_FirstPage)->Name("BM_FirstPage/first")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPage)->Name("BM_FirstPage/again")->Unit(benchmark::kMillisecond);

}  // namespace

// The device layer's share of rendering a page: one glyph at a time at its
// baseline, rules, clearing the page and writing it as PNG.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/PageDeflate.h"
#include "support/TempDir.h"

namespace {

using namespace ksdvi::gdi;

std::unique_ptr<RasterDevice> LetterPage(int dpi) {
    RasterDeviceSpec spec;
    spec.width = dpi * 85 / 10;
    spec.height = dpi * 11;
    spec.dpiX = spec.dpiY = dpi;
    return RasterDevice::Create(spec);
}

// A context on the page with a ten-point serif face selected, ready to draw
// glyphs at their baselines.
struct TextPage {
    std::unique_ptr<RasterDevice> device;
    CDC dc;
    CFont font;

    explicit TextPage(int dpi) : device(LetterPage(dpi)), dc(*device) {
        LOGFONTA lf;
        lf.lfHeight = -(dpi * 10 * 100 / 7227 + 1);
        std::snprintf(lf.lfFaceName, LF_FACESIZE, "DejaVu Serif");
        font.CreateFontIndirectA(&lf);
        dc.SelectObject(&font);
        dc.SetTextAlign(TA_BASELINE);
        dc.SetBkMode(TRANSPARENT);
    }
    void DrawGlyph(int i, int dpi) {
        const WCHAR code = WCHAR(u'a' + i % 26);
        dc.ExtTextOutW(dpi + (i % 60) * dpi / 12, dpi + (i / 60 % 50) * dpi / 6, 0, nullptr, &code, 1, nullptr);
    }
};

// Glyphs come from the cache after the first of each code.
void BM_GlyphAtBaseline(benchmark::State& state) {
    const int dpi = int(state.range(0));
    TextPage page(dpi);
    int i = 0;
    for (auto _ : state) page.DrawGlyph(i++, dpi);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GlyphAtBaseline)->Arg(150)->Arg(600);

void BM_RuleFill(benchmark::State& state) {
    const int dpi = int(state.range(0));
    auto device = LetterPage(dpi);
    CDC dc(*device);
    CBrush black(RGB(0, 0, 0));
    const RECT rule{dpi, dpi, dpi * 7, dpi + dpi / 180 + 1};
    for (auto _ : state) dc.FillRect(&rule, &black);
}
BENCHMARK(BM_RuleFill)->Arg(150)->Arg(600);

void BM_ClearPage(benchmark::State& state) {
    auto device = LetterPage(int(state.range(0)));
    for (auto _ : state) device->Clear(RGB(255, 255, 255));
}
BENCHMARK(BM_ClearPage)->Arg(150)->Arg(600);

// A grey page with a text block, written as PNG.
void BM_WritePagePng(benchmark::State& state) {
    const int dpi = int(state.range(0));
    TextPage page(dpi);
    for (int i = 0; i < 3000; ++i) page.DrawGlyph(i, dpi);
    const TempDir dir;  // its own, so that runs side by side do not share the file
    const std::string path = dir / "page.png";
    for (auto _ : state) benchmark::DoNotOptimize(page.device->WritePng(path));
}
BENCHMARK(BM_WritePagePng)->Arg(150)->Arg(600)->Unit(benchmark::kMillisecond);

// The same page's rows as PNG stores them, compressed by the page encoder
// (argument 1) and by zlib as the tool once used it (level 2, run-length
// matching; argument 0). Counter "bytes": the compressed size.
void BM_DeflatePage(benchmark::State& state) {
    constexpr int dpi = 150;
    TextPage page(dpi);
    for (int i = 0; i < 3000; ++i) page.DrawGlyph(i, dpi);
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < page.device->Height(); ++y) {
        rows.push_back(0);
        for (int x = 0; x < page.device->Width(); ++x) rows.push_back(std::uint8_t(page.device->Row(y)[x]));
    }
    const std::size_t stride = std::size_t(page.device->Width()) + 1;
    std::vector<Bytef> out(compressBound(uLong(rows.size())));
    PageDeflate ours;
    std::size_t size = 0;
    for (auto _ : state) {
        if (state.range(0)) {
            ours.Start(1);
            for (std::size_t at = 0; at < rows.size(); at += stride) ours.AddRow(rows.data() + at, stride);
            ours.Finish();
            size = ours.OutputSize();
        } else {
            z_stream z{};
            deflateInit2(&z, 2, Z_DEFLATED, 15, 8, Z_RLE);
            z.next_in = rows.data();
            z.avail_in = uInt(rows.size());
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, Z_FINISH);
            size = z.total_out;
            deflateEnd(&z);
        }
    }
    state.counters["bytes"] = double(size);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(rows.size()));
}
BENCHMARK(BM_DeflatePage)->ArgName("ours")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

// Fuzz target: a DVI file as `ksdvi render` takes it. The input is the file;
// the document is scanned (fonts from tests/data/metrics, then the TeX
// installation) and its first pages are drawn on a small device at a low
// resolution, with their pictures (tests/data's, from memory), link areas
// and anchors; their text is searched, selected and read in Unicode as
// `ksdvi search`, `select` and `text` read it, with the glyph names of the
// installation's font programs. Slow: the fast checks of the scan and the
// interpreter are fuzz_dvi_scan's, rewritten and copied files fuzz_dvi_follow's.

#include <algorithm>
#include <cstdint>
#include <memory>

#include "DocumentSession.h"
#include "DviChecks.h"
#include "FuzzEnvironment.h"
#include "MemoryPictureDrawer.h"
#include "platform/gdi/RasterDevice.h"
#include "render/PageRenderer.h"
#include "text/UnicodeText.h"

using namespace ksdvi::fuzz;

namespace {

// Enough pages for a document's state (colours, links) to carry from page
// to page; the rest are scanned only.
constexpr int kPagesDrawn = 2;
// Letter paper at 20 dpi: glyphs of a few pixels, pictures and rules clipped
// at the edges as on a real page.
constexpr int kDpi = 20;

ksdvi::gdi::RasterDevice& Device() {
    static std::unique_ptr<ksdvi::gdi::RasterDevice> device =
        ksdvi::gdi::RasterDevice::Create({17 * kDpi / 2, 11 * kDpi, kDpi, kDpi});
    return *device;
}

void DrawPage(KsDvi& dvi, int page, String8 const& anchor) {
    ksdvi::gdi::CDC dc(Device());
    MemoryPictureDrawer drawer;
    DrawWholePage(drawer, dc, dvi, page, kDpi, 1.0, anchor);
    if (!drawer.IsWorking()) return;
    drawer.DrawAllPictures(nullptr);
    drawer.DrawHyperlinkMark(0);
    for (KsDviDrawer::HyLinkInfo const* link : drawer.GetHyLinkList()) {
        for (KsDviDrawer::LinkRect const& r : link->rects) {
            FUZZ_CHECK(r.w >= 0 && r.h >= 0);
            if (r.w > 0 && r.h > 0) FUZZ_CHECK(drawer.FindHyLink(r.x, r.y) != nullptr);
        }
    }
    drawer.Close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    MemoryPictureDrawer::LoadPictures();
    Device();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    static std::string const path = ScratchFile("input.dvi");
    WriteFile(path, data, size);
    std::string const metrics = DataFile("metrics");
    DocumentSession session(path, {.tfmPaths = {metrics}, .vfPaths = {metrics}}, Fonts());
    if (!session.Load()) return 0;
    KsDvi& dvi = session.Document();
    CheckPageTable(dvi, size);
    // The first anchor is looked for, as `ksdvi locate` looks for one.
    String8 anchor = dvi.GetTagList().GetCount() > 0 ? dvi.GetTagList().GetHead()->value.name : String8();
    int const pages = std::min(dvi.GetNPage(), kPagesDrawn);
    ksdvi::UnicodeText text(dvi);
    for (int page = 0; page < pages; ++page) {
        DrawPage(dvi, page, anchor);
        CheckSelection(dvi, page);
        CheckText(dvi, page, text);
    }
    if (pages > 0) CheckSearch(dvi, pages);
    return 0;
}

// Fuzz target: a DVI file as `ksdvi render` takes it. The input is the file;
// the document is scanned (fonts from tests/data/metrics, then the TeX
// installation) and its first pages are drawn on a small device at a low
// resolution, with their pictures (tests/data's, from memory), link areas
// and anchors; their text is searched, selected and read in Unicode as
// `ksdvi search` and `ksdvi text` read it; then its pages are copied as
// `ksdvi select` copies them.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "DocumentSession.h"
#include "FuzzEnvironment.h"
#include "MemoryPictureDrawer.h"
#include "PageCopier.h"
#include "PageRenderer.h"
#include "platform/gdi/RasterDevice.h"
#include "text/KsDviSearch.h"
#include "text/KsDviSelect.h"
#include "text/UnicodeSearch.h"
#include "text/UnicodeText.h"

using namespace ksdvi::fuzz;

namespace {

// Enough pages for a document's state (colours, links) to carry from page
// to page; the rest are scanned only.
constexpr int kPagesDrawn = 4;
// Letter paper at 20 dpi: glyphs of a few pixels, pictures and rules clipped
// at the edges as on a real page.
constexpr int kDpi = 20;

ksdvi::gdi::RasterDevice& Device() {
    static std::unique_ptr<ksdvi::gdi::RasterDevice> device =
        ksdvi::gdi::RasterDevice::Create({17 * kDpi / 2, 11 * kDpi, kDpi, kDpi});
    return *device;
}

// What the scan reports about a page must describe bytes of the file.
void CheckPageTable(KsDvi& dvi, size_t fileSize) {
    int64_t after = 0;
    for (int page = 0; page < dvi.GetNPage(); ++page) {
        int64_t start = dvi.GetPageStartOffset(page), end = dvi.GetPageEndOffset(page);
        FUZZ_CHECK(start >= after && start <= end);
        FUZZ_CHECK(end < static_cast<int64_t>(fileSize));
        FUZZ_CHECK(dvi.GetPageContents(page, nullptr) == end - start + 1);
        FUZZ_CHECK(dvi.GetPageColorStackSize(page) >= 0 && dvi.GetPageColorStackSize(page) <= KsDvi::ColorStackSize);
        after = end + 1;
    }
    for (KsDvi::TagInfo const& tag : dvi.GetTagList()) FUZZ_CHECK(tag.page >= 0 && tag.page <= dvi.GetNPage());
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

// A selection over the whole page has at most a rectangle per line; the
// Unicode text's occurrences lie on the page searched, within the limit.
void CheckText(KsDvi& dvi, int page, ksdvi::UnicodeText& text) {
    try {
        KsDviSelect select;
        select.Open(dvi, page);
        select.BeginSelect(INT_MIN, INT_MIN);
        select.UpdateSelect(INT_MAX, INT_MAX);
        FUZZ_CHECK(select.GetSelRect()->GetCount() <= select.GetLineList().GetCount());
        select.GetSelectedString();
        std::vector<ksdvi::UnicodeChar> chars;
        text.ReadPage(page, chars);
        ksdvi::UnicodeText::GetString(chars, dvi.GetWinFont());
        ksdvi::UnicodeText::GetLines(chars, dvi.GetWinFont());
        std::vector<ksdvi::TextMatch> matches;
        ksdvi::UnicodeSearch("e", false).FindOnPage(page, chars, matches);
        FUZZ_CHECK(matches.size() <= KsDviSearch::MaxResults + 1);
        for (ksdvi::TextMatch const& m : matches) FUZZ_CHECK(m.page == page && !m.rects.IsEmpty());
    } catch (KsDviDrawerBase::MalformedDviError const&) {}
}

void CheckSearch(KsDvi& dvi, int pages) {
    KsDviSearch search;
    try {
        search.FindString("e", &dvi, 0, 0, pages - 1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {}
    FUZZ_CHECK(search.GetResultList().GetCount() <= KsDviSearch::MaxResults + 1);
    for (KsDviSearch::Result const& r : search.GetResultList()) FUZZ_CHECK(r.page >= 0 && r.page < pages);
}

// The pages the scan accepted, copied backwards as `ksdvi select` copies
// them, make a whole document of as many pages.
void CheckCopy(KsDvi& dvi) {
    if (dvi.GetNPage() == 0) return;
    std::vector<int> pages;
    for (int page = dvi.GetNPage() - 1; page >= 0; --page) pages.push_back(page);
    static std::string const path = ScratchFile("copy.dvi");
    if (!CopyPages(dvi, pages, path).empty()) return;
    KsDvi copy;
    copy.Open(String8(path.c_str()), {}, {});
    copy.NewPageWritten(0);
    FUZZ_CHECK(copy.GetMode() == KsDvi::Complete);
    FUZZ_CHECK(copy.GetNPage() == dvi.GetNPage());
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
        CheckText(dvi, page, text);
    }
    if (pages > 0) CheckSearch(dvi, pages);
    CheckCopy(dvi);
    return 0;
}

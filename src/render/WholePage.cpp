#include "render/WholePage.h"

#include <algorithm>
#include <cmath>

#include "page/DocumentState.h"
#include "render/KsDviDrawer.h"

namespace gdi = ksdvi::gdi;

std::string DrawWholePage(KsDviDrawer& drawer, gdi::CDC& dc, KsDvi& dvi, int page, int dpi, double zoom,
                          String8 const& anchor, int rowsAbove) {
    int origin = static_cast<int>(std::lround(dpi * zoom));  // one inch
    return DrawPageAt(drawer, dc, dvi, page, zoom, origin, origin - rowsAbove, anchor);
}

std::string DrawPageAt(KsDviDrawer& drawer, gdi::CDC& dc, KsDvi& dvi, int page, double zoom, int originX, int originY,
                       String8 const& anchor) {
    if (!drawer.Open(dc, dvi, page, fpreal4::FromDouble(zoom), originX, originY, gdi::RGB(0, 0, 255), anchor))
        return ksdvi::PageUnreadable(page);
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        return ksdvi::MalformedOnPage(page, drawer.GetInstOffset());
    }
    return {};
}

namespace ksdvi {

namespace {

// Pictures are drawn once the page's text is.
void Finish(KsDviDrawer& drawer, std::string& problem) {
    if (!drawer.IsWorking()) return;
    drawer.DrawAllPictures(nullptr);
    if (problem.empty() && !drawer.GetPostScriptProblem().empty())
        problem = "its PostScript is left out: " + drawer.GetPostScriptProblem();
    if (problem.empty() && !drawer.GetPdfDrawingProblem().empty())
        problem = "its pdf: drawing is left out: " + drawer.GetPdfDrawingProblem();
    for (auto const& picture : drawer.GetPictureProblems())
        if (problem.empty()) problem = "picture " + picture.file + ": " + picture.reason;
    if (problem.empty() && drawer.IsPageCut()) problem = PageCut();
    if (problem.empty() && drawer.IsVirtualWorkCut())
        problem = "virtual fonts ask for more work than a page may run; characters are left out";
    drawer.Close();
}

}  // namespace

bool ContinuePage(KsDviDrawer& drawer, int page, int instructions, std::string& problem, bool* broken) {
    try {
        if (drawer.IsWorking() && drawer.Draw(std::max(instructions, 1)) == 0) return false;
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        problem = MalformedOnPage(page, drawer.GetInstOffset());
        if (broken) *broken = true;
    } catch (KsDviDrawerBase::StackOverflowError const&) {
        problem = "page " + std::to_string(page + 1) + ": no memory for its position stack";
        if (broken) *broken = true;
    }
    Finish(drawer, problem);
    return true;
}

}  // namespace ksdvi

#include "PageRenderer.h"

#include <cmath>

#include "DocumentSession.h"
#include "Highlighter.h"
#include "render/KsDviDrawer.h"

namespace gdi = ksdvi::gdi;

namespace {

constexpr double kSpPerInch = 4736286.72;
// The drawer paints the page background over this many dots from the corner.
constexpr int kBackgroundExtent = 10000;

}  // namespace

int PixelsOf(int sp, int dpi, double zoom) {
    // Whole pixels of paper, as dvipng counts them.
    // TeX rounds dimensions to whole sp: allow for that before dropping fractions.
    return static_cast<int>(std::floor(sp / kSpPerInch * dpi * zoom + 1e-3));
}

bool ChoosePaper(DocumentSession const& session, std::string const& option, std::string const& file,
                 RenderSettings& settings) {
    if (session.PaperSpecial()) {
        settings.paper = *session.PaperSpecial();
    } else if (auto paper = ParsePaperOption(option)) {
        settings.paper = *paper;
    } else {
        ReportError(file, "bad paper size '" + option + "' (a4, letter or WxH, e.g. 210mmx297mm)");
        return false;
    }
    return true;
}

int64_t SurfaceBytes(RenderSettings const& settings) {
    constexpr int64_t kBytesPerPixel = 4;
    return kBytesPerPixel * PixelsOf(settings.paper.width, settings.dpi, settings.zoom) *
           PixelsOf(settings.paper.height, settings.dpi, settings.zoom);
}

bool WithinSurfaceBudget(std::string const& file, RenderSettings const& settings) {
    int64_t bytes = SurfaceBytes(settings);
    if (bytes <= kSurfaceBudget) return true;
    ReportError(file, "a page at this resolution needs " + std::to_string(bytes >> 20) + " MiB, more than the " +
                          std::to_string(kSurfaceBudget >> 20) + " MiB pages may take; lower the resolution");
    return false;
}

bool PageRenderer::Render(KsDvi& dvi, int page) {
    error_.clear();
    if (!device_) {
        gdi::RasterDeviceSpec spec;
        spec.width = PixelsOf(settings_.paper.width, settings_.dpi, settings_.zoom);
        spec.height = PixelsOf(settings_.paper.height, settings_.dpi, settings_.zoom);
        spec.dpiX = spec.dpiY = settings_.dpi;
        device_ = gdi::RasterDevice::Create(spec);
        if (!device_) {
            error_ = "the page is too large to render";
            return false;
        }
    } else if (device_->Width() > kBackgroundExtent || device_->Height() > kBackgroundExtent) {
        device_->Clear(gdi::RGB(255, 255, 255));
    }

    gdi::CDC dc(*device_);
    KsDviDrawer drawer;
    error_ = DrawWholePage(drawer, dc, dvi, page, settings_.dpi, settings_.zoom, String8());
    if (!drawer.IsWorking()) return false;
    if (!drawer.GetPostScriptProblem().empty())
        pictureProblems_.insert("page " + std::to_string(page + 1) +
                                ": its PostScript is left out: " + drawer.GetPostScriptProblem());
    drawer.DrawAllPictures(nullptr);
    for (auto const& problem : drawer.GetPictureProblems())
        pictureProblems_.insert("page " + std::to_string(page + 1) + ": picture " + problem.file + ": " +
                                problem.reason);
    if (settings_.markLinks) drawer.DrawHyperlinkMark(0);
    if (highlighter_) highlighter_->Paint(dc, dvi, page, settings_.dpi, settings_.zoom);
    drawer.Close();
    for (auto const& [font, codes] : drawer.GetMissingGlyphs()) missingGlyphs_[font].insert(codes.begin(), codes.end());
    return error_.empty();
}

PageRenderer::PageRenderer(RenderSettings const& settings) : settings_(settings) {}

void PageRenderer::Highlight(std::string const& pattern) {
    highlighter_ = pattern.empty() ? nullptr : std::make_unique<Highlighter>(pattern);
}

PageRenderer::~PageRenderer() = default;

std::string DrawWholePage(KsDviDrawer& drawer, gdi::CDC& dc, KsDvi& dvi, int page, int dpi, double zoom,
                          String8 const& anchor) {
    int origin = static_cast<int>(std::lround(dpi * zoom));  // one inch
    if (!drawer.Open(dc, dvi, page, fpreal4::FromDouble(zoom), origin, origin, gdi::RGB(0, 0, 255), anchor))
        return PageUnreadable(page);
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        return "malformed instruction at offset " + std::to_string(drawer.GetInstOffset()) + " of page " +
               std::to_string(page + 1) + "; the page is drawn up to it";
    }
    return {};
}

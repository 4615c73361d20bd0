#include "render/PageRenderer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "page/DocumentState.h"
#include "page/OutputFile.h"
#include "platform/gdi/PngWriter.h"
#include "render/Highlighter.h"
#include "render/KsDviDrawer.h"
#include "render/SharedDrawingValues.h"

namespace gdi = ksdvi::gdi;

namespace {

// The drawer paints the page background over this many dots from the corner.
constexpr int kBackgroundExtent = 10000;

// Whether a page of these pixels fits the budget pages have.
bool WithinBudget(int width, int height) { return int64_t(4) * width * height <= kSurfaceBudget; }

constexpr char const* kPageTooLarge = "the page is too large to render";

}  // namespace

int PixelsOf(int sp, int dpi, double zoom) {
    // Whole pixels of paper, as dvipng counts them.
    // TeX rounds dimensions to whole sp: allow for that before dropping fractions.
    return static_cast<int>(std::floor(sp / ksdvi::kSpPerInch * dpi * zoom + 1e-3));
}

int64_t SurfaceBytes(RenderSettings const& settings) {
    constexpr int64_t kBytesPerPixel = 4;
    return kBytesPerPixel * PixelsOf(settings.paper.width, settings.dpi, settings.zoom) *
           PixelsOf(settings.paper.height, settings.dpi, settings.zoom);
}

int WorkersWithinBudget(RenderSettings& settings, int wanted) {
    int64_t const surface = std::max<int64_t>(SurfaceBytes(settings), 1);
    int workers = static_cast<int>(std::clamp<int64_t>(kSurfaceBudget / (surface + kLeastPictureBudget), 1, wanted));
    settings.pictureBudget =
        std::clamp<int64_t>(kSurfaceBudget / workers - surface, kLeastPictureBudget, kMostPictureBudget);
    return workers;
}

std::string SurfaceBudgetProblem(RenderSettings const& settings) {
    int64_t bytes = SurfaceBytes(settings);
    if (bytes <= kSurfaceBudget) return "";
    return "a page at this resolution needs " + std::to_string(bytes >> 20) + " MiB, more than the " +
           std::to_string(kSurfaceBudget >> 20) + " MiB pages may take; lower the resolution";
}

std::pair<int, int> PageRenderer::PageSize(KsDvi const& dvi, int page) const {
    ksdvi::Paper const paper = settings_.onePaper ? settings_.paper : ksdvi::PaperOf(dvi, page, settings_.paper);
    return {PixelsOf(paper.width, settings_.dpi, settings_.zoom),
            PixelsOf(paper.height, settings_.dpi, settings_.zoom)};
}

bool PageRenderer::Render(KsDvi& dvi, int page) {
    error_.clear();
    drawn_ = false;
    auto const [width, height] = PageSize(dvi, page);
    // A page on other paper than the page before it (a landscape page) gets a
    // device of its own size, within the same budget.
    if (device_ && (device_->Width() != width || device_->Height() != height)) device_.reset();
    if (!device_) {
        if (!WithinBudget(width, height)) {
            error_ = kPageTooLarge;
            return false;
        }
        gdi::RasterDeviceSpec spec;
        spec.width = width;
        spec.height = height;
        spec.dpiX = spec.dpiY = settings_.dpi;
        device_ = gdi::RasterDevice::Create(spec);
        if (!device_) {
            error_ = kPageTooLarge;
            return false;
        }
    } else if (device_->Width() > kBackgroundExtent || device_->Height() > kBackgroundExtent) {
        device_->Clear(gdi::RGB(255, 255, 255));
    }
    drawn_ = DrawOn(*device_, dvi, page, -1) == Band::Drawn;
    return drawn_ && error_.empty();
}

bool PageRenderer::RenderArea(KsDvi& dvi, int page, int originX, int originY, int width, int height) {
    error_.clear();
    drawn_ = false;
    if (!device_ || device_->Width() != width || device_->Height() != height) {
        gdi::RasterDeviceSpec spec;
        spec.width = width;
        spec.height = height;
        spec.dpiX = spec.dpiY = settings_.dpi;
        device_ = gdi::RasterDevice::Create(spec);
        if (!device_) {
            error_ = kPageTooLarge;
            return false;
        }
    } else {
        device_->Clear(gdi::RGB(255, 255, 255));
    }
    areaOrigin_ = {originX, originY};
    drawn_ = DrawOn(*device_, dvi, page, -1) == Band::Drawn;
    areaOrigin_.reset();
    return drawn_ && error_.empty();
}

PageRenderer::Band PageRenderer::DrawOn(gdi::RasterDevice& device, KsDvi& dvi, int page, int rowsAbove) {
    gdi::CDC dc(device);
    // Hatches and pattern brushes line up with the page, not with the band.
    if (rowsAbove > 0) dc.SetBrushOrg(0, -rowsAbove);
    KsDviDrawer drawer;
    drawer.SetPictureBudget(static_cast<std::uint64_t>(settings_.pictureBudget));
    drawer.SetLinkTextColoured(settings_.colourLinkText);
    std::string error =
        areaOrigin_
            ? DrawPageAt(drawer, dc, dvi, page, settings_.zoom, areaOrigin_->first, areaOrigin_->second, String8())
            : DrawWholePage(drawer, dc, dvi, page, settings_.dpi, settings_.zoom, String8(), std::max(rowsAbove, 0));
    if (error_.empty()) error_ = error;
    if (!drawer.IsWorking()) return Band::Unreadable;
    // Pictures would be decoded again for every band; drawing records and
    // Windows-font text place themselves at device coordinates of the page.
    if (rowsAbove >= 0 && (drawer.GetPictList().GetCount() > 0 || drawer.HasDrawingRecords() || drawer.IsWinFont())) {
        drawer.Close();
        return Band::NeedsWholePage;
    }
    if (!drawer.GetPostScriptProblem().empty())
        pictureProblems_.insert("page " + std::to_string(page + 1) +
                                ": its PostScript is left out: " + drawer.GetPostScriptProblem());
    if (!drawer.GetPdfDrawingProblem().empty())
        pictureProblems_.insert("page " + std::to_string(page + 1) +
                                ": its pdf: drawing is left out: " + drawer.GetPdfDrawingProblem());
    if (dvi.IsPostScriptHeadersCut() && dvi.PageHasPostScript(page))
        pictureProblems_.insert(
            "the document's PostScript definitions (! and header= specials, global ones of its "
            "pages) take more than " +
            std::to_string(KsDvi::MostPostScriptHeaderBytes >> 20) + " MiB; those past it are left out");
    if (!dvi.GetEngineSpecials().empty()) {
        std::string kinds;
        for (std::string const& kind : dvi.GetEngineSpecials()) kinds += (kinds.empty() ? "" : ", ") + kind;
        pictureProblems_.insert("the document's " + kinds + " specials need a PDF engine; they are left out");
    }
    if (drawer.IsPageCut()) pictureProblems_.insert("page " + std::to_string(page + 1) + ": " + ksdvi::PageCut());
    if (drawer.IsVirtualWorkCut())
        pictureProblems_.insert("virtual fonts ask for more work than a page (" +
                                std::to_string(KsDviDrawerBase::MaxPacketInstructions) +
                                " instructions) or a document (" + std::to_string(KsDvi::MostVirtualInstructions) +
                                ") may run; the characters they set past it are left out");
    drawer.DrawAllPictures(nullptr);
    for (auto const& problem : drawer.GetPictureProblems())
        pictureProblems_.insert("page " + std::to_string(page + 1) + ": picture " + problem.file + ": " +
                                problem.reason);
    if (settings_.markLinks) drawer.DrawHyperlinkMark(0);
    if (highlighter_ && !areaOrigin_)
        highlighter_->Paint(dc, dvi, page, settings_.dpi, settings_.zoom, std::max(rowsAbove, 0));
    drawer.Close();
    for (auto const& [font, codes] : drawer.GetMissingGlyphs()) missingGlyphs_[font].insert(codes.begin(), codes.end());
    charsWithoutFont_ += drawer.GetCharsWithoutFont();
    return Band::Drawn;
}

bool PageRenderer::WritePng(std::string const& path, int turn) {
    std::shared_ptr<gdi::Surface> turned;
    if (turn != 0 && !(turned = device_->GetSurface()->Turned(turn))) {
        writeError_ = std::strerror(ENOMEM);
        return false;
    }
    if (gdi::WriteSurfacePng(turned ? *turned : *device_->GetSurface(), path, png_)) return true;
    writeError_ = std::strerror(errno);
    return false;
}

bool PageRenderer::RenderPng(KsDvi& dvi, int page, std::string const& path) {
    writeError_.clear();
    OutputFile file(path);
    if (!file.Create()) {
        writeError_ = std::strerror(errno);
        return false;
    }
    // Each band draws the page from the drawing values it started with.
    pageStart_ = ksdvi::DrawingValuesOf(dvi);
    auto const [width, height] = PageSize(dvi, page);
    // A page's own paper takes no more than the document's may, bands or not.
    if (!WithinBudget(width, height)) {
        error_ = kPageTooLarge;
        drawn_ = false;
        return false;
    }
    int64_t const rowBytes = int64_t(4) * std::max(width, 1);
    int const bandRows = static_cast<int>(std::clamp<int64_t>(settings_.bandBytes / rowBytes, 1, height));
    // PostScript and pdf: drawing draw the whole page at once beneath the
    // text, and a turned page is turned whole: no bands.
    int const turn = dvi.GetPageRotation(page);
    if (bandRows < height && !dvi.PageDrawsBeneathText(page) && turn == 0) {
        switch (RenderBands(dvi, page, file.WritePath(), width, height, bandRows)) {
        case Banded::Written: return Commit(file);
        case Banded::Failed: return false;
        case Banded::NeedsWholePage: break;
        }
    }
    ksdvi::DrawingValuesOf(dvi) = pageStart_;
    Render(dvi, page);
    bool const written = device_ && drawn_ && WritePng(file.WritePath(), turn) && Commit(file);
    // A page needing the whole page's pixels among pages drawn in bands gives
    // them back.
    if (bandRows < height) device_.reset();
    return written;
}

bool PageRenderer::Commit(OutputFile& file) {
    if (file.Commit()) return true;
    writeError_ = std::strerror(errno);
    return false;
}

// Bands are written as they are drawn, grey; a band with colour starts the
// page again in RGB. NeedsWholePage, with nothing to say, when the page has
// pictures; Failed when a band cannot be read or written.
PageRenderer::Banded PageRenderer::RenderBands(KsDvi& dvi, int page, std::string const& path, int width, int height,
                                               int bandRows) {
    if (band_ && (band_->Width() != width || band_->Height() != bandRows)) band_.reset();
    if (!band_) {
        gdi::RasterDeviceSpec spec;
        spec.width = width;
        spec.height = bandRows;
        spec.dpiX = spec.dpiY = settings_.dpi;
        band_ = gdi::RasterDevice::Create(spec);
        if (!band_) return Banded::NeedsWholePage;
    }
    for (bool colour : {false, true}) {
        error_.clear();
        drawn_ = false;
        if (!png_.Open(path, width, height, colour)) {
            writeError_ = std::strerror(errno);
            return Banded::Failed;
        }
        bool again = false;
        for (int top = 0; top < height && !again; top += bandRows) {
            band_->Clear(gdi::RGB(255, 255, 255));
            ksdvi::DrawingValuesOf(dvi) = pageStart_;
            // Each band reads the page anew: the file may have changed since the
            // last. Closing an image with rows missing only closes its file.
            switch (DrawOn(*band_, dvi, page, top)) {
            case Band::Drawn: break;
            case Band::Unreadable: png_.Close(); return Banded::Failed;
            case Band::NeedsWholePage: png_.Close(); return Banded::NeedsWholePage;
            }
            again = !colour && band_->HasColour();
            if (!again && !png_.WriteRows(*band_->GetSurface(), std::min(bandRows, height - top))) {
                writeError_ = std::strerror(errno ? errno : EIO);
                return Banded::Failed;
            }
        }
        if (again) continue;
        drawn_ = true;
        if (png_.Close()) return Banded::Written;
        writeError_ = std::strerror(errno ? errno : EIO);
        return Banded::Failed;
    }
    return Banded::Failed;
}

PageRenderer::PageRenderer(RenderSettings const& settings) : settings_(settings) {}

void PageRenderer::Highlight(std::string const& pattern) {
    highlighter_ = pattern.empty() ? nullptr : std::make_unique<Highlighter>(pattern);
}

PageRenderer::~PageRenderer() = default;

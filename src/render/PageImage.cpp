#include "render/PageImage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "page/DocumentState.h"
#include "page/InkBox.h"
#include "page/OutputFile.h"
#include "page/PageExtent.h"
#include "page/PixelMapping.h"
#include "render/ImagePng.h"

namespace {

RenderSettings DrawingSettings(PageImageSettings const& settings) {
    RenderSettings s;
    s.dpi = settings.dpi;
    s.zoom = settings.zoom;
    s.paper = settings.paper;
    return s;
}

// Why an image of `bytes` cannot be made; empty when it can.
std::string BudgetProblem(int64_t bytes) {
    if (bytes <= kSurfaceBudget) return "";
    return "the page's image at this resolution needs " + std::to_string(bytes >> 20) + " MiB, more than the " +
           std::to_string(kSurfaceBudget >> 20) + " MiB pages may take; lower the resolution";
}

}  // namespace

PageImageRenderer::PageImageRenderer(PageImageSettings const& settings)
    : settings_(settings), renderer_(DrawingSettings(settings)) {}

std::optional<ksdvi::PixelBox> PageImageRenderer::DrawingArea(KsDvi& dvi, int page,
                                                              std::optional<ksdvi::PixelBox>& preview) {
    using ksdvi::PixelBox;
    double const dpi = settings_.dpi * settings_.zoom;
    double const pixelsPerSp = dpi / ksdvi::kSpPerInch;
    if (settings_.size.kind == ksdvi::ImageSize::Kind::Fixed && !ksdvi::HasPreviewTightPages(dvi))
        return ksdvi::FrameOf(settings_.size, {}, std::nullopt, pixelsPerSp);
    std::optional<ksdvi::PageExtent> extent = ksdvi::ExtentOf(dvi, page);
    if (!extent) {
        error_ = ksdvi::PageUnreadable(page);
        return std::nullopt;
    }
    double const perDvi = ksdvi::PixelsPerDviUnit(dvi.GetDviNum(), dvi.GetDviDen(), dvi.GetAbsMag().GetRaw(), dpi);
    if (extent->preview) {
        preview = ksdvi::PreviewPixels(*extent->preview, 1.0 / perDvi);
        return preview;
    }
    if (settings_.size.kind == ksdvi::ImageSize::Kind::Fixed)
        return ksdvi::FrameOf(settings_.size, {}, std::nullopt, pixelsPerSp);
    PixelBox area{0, 0, 1, 1};
    if (extent->texBox) {
        // Ink may stand out of the metrics' boxes (italic overhangs, accents):
        // a sixth of an inch around them.
        int const margin = std::max(4, static_cast<int>(std::ceil(dpi / 6)));
        // Within the reach of the memory budget and of int, whatever the units.
        auto pixel = [perDvi](double d) { return static_cast<int>(std::clamp(std::round(d * perDvi), -1e8, 1e8)); };
        ksdvi::DviBox const& b = *extent->texBox;
        area = ksdvi::Union(area, PixelBox{pixel(b.left) - margin, pixel(b.top) - margin, pixel(b.right) + margin,
                                           pixel(b.bottom) + margin});
    }
    // Pictures, PostScript and pdf: drawing may draw anywhere on the paper.
    if (dvi.PageDrawsBeneathText(page) || !dvi.GetPagePictures(page).empty()) {
        ksdvi::Paper const pagePaper = ksdvi::PaperOf(dvi, page, settings_.paper);
        ksdvi::ImageSize paper;
        paper.kind = ksdvi::ImageSize::Kind::Fixed;
        paper.width = pagePaper.width;
        paper.height = pagePaper.height;
        area = ksdvi::Union(area, ksdvi::FrameOf(paper, {}, std::nullopt, pixelsPerSp));
    }
    return area;
}

bool PageImageRenderer::Render(KsDvi& dvi, int page) {
    using ksdvi::PixelBox;
    error_.clear();
    pixels_.clear();
    std::optional<PixelBox> preview;
    std::optional<PixelBox> area = DrawingArea(dvi, page, preview);
    if (!area) return false;
    error_ = BudgetProblem(int64_t(4) * area->Width() * area->Height());
    if (!error_.empty()) return false;
    renderer_.RenderArea(dvi, page, -area->left, -area->top, area->Width(), area->Height());
    ksdvi::gdi::RasterDevice const* device = renderer_.Device();
    // A page drawn up to a malformed instruction still makes its image.
    if (!renderer_.Drawn() || !device) return false;
    PixelBox ink =
        ksdvi::InkBox(device->Row(0), device->Width(), device->Height(), device->Width(), ksdvi::gdi::kWhitePixel);
    if (!ink.IsEmpty())
        ink = {ink.left + area->left, ink.top + area->top, ink.right + area->left, ink.bottom + area->top};
    double const pixelsPerSp = settings_.dpi * settings_.zoom / ksdvi::kSpPerInch;
    frame_ = ksdvi::FrameOf(settings_.size, ink, preview, pixelsPerSp);
    // -T bbox reaches from the ink to the origin, however far apart.
    error_ = BudgetProblem(int64_t(4) * frame_.Width() * frame_.Height());
    if (!error_.empty()) {
        frame_ = {};
        return false;
    }
    pixels_.resize(size_t(frame_.Width()) * size_t(frame_.Height()));
    ksdvi::ImagePixel const blank = ksdvi::ColourPixel(ksdvi::gdi::kWhitePixel, settings_.colours);
    auto out = pixels_.begin();
    for (int y = frame_.top; y < frame_.bottom; ++y) {
        int const row = y - area->top;
        ksdvi::gdi::Pixel const* drawn = row >= 0 && row < area->Height() ? device->Row(row) : nullptr;
        for (int x = frame_.left; x < frame_.right; ++x, ++out) {
            int const column = x - area->left;
            *out = drawn && column >= 0 && column < area->Width() ? ksdvi::ColourPixel(drawn[column], settings_.colours)
                                                                  : blank;
        }
    }
    return true;
}

bool PageImageRenderer::RenderPng(KsDvi& dvi, int page, std::string const& path) {
    writeError_.clear();
    return Render(dvi, page) && WritePng(path);
}

bool PageImageRenderer::WritePng(std::string const& path) {
    writeError_.clear();
    OutputFile file(path);
    if (!file.Create()) {
        writeError_ = std::strerror(errno);
        return false;
    }
    ksdvi::ImagePngSettings png;
    png.alpha = settings_.colours.transparency != ksdvi::ImageColours::Transparency::None;
    png.compression = settings_.compression;
    if (!ksdvi::WriteImagePng(file.WritePath(), pixels_, frame_.Width(), frame_.Height(), png) || !file.Commit()) {
        writeError_ = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

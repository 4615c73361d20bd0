// Drawing the pictures that specials queue or records ask for: placeable
// metafiles, EPS (EpsPicture.cpp), JPEG, GIF, PNG and BMP. A picture's device
// size comes from its natural size and the record's scales, or from sizes the
// record gives in pixels; raster pictures are stretched onto the page with the
// record's raster operation.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/gdi/RasterOps.h"
#include "platform/jpg/JpgLib.h"
#include "platform/kpathsea/KPathSea.h"
#include "platform/png/PngLib.h"
#include "render/FontPainting.h"
#include "render/KsDviDrawer.h"
#include "render/WinMetafile.h"
#include "specials/PictureSpecials.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

// Picture files are read whole; larger ones than this are not pictures a page shows.
constexpr std::streamoff kLargestPicture = std::streamoff(1) << 30;

bool BoxIsZero(KsDviDrawer::PictInfo const* p) { return !p->llx && !p->lly && !p->urx && !p->ury; }

// The whole file behind a stream, or nothing when it is too large or short.
std::vector<unsigned char> ReadAll(std::istream& in, int size) {
    if (size <= 0 || size > kLargestPicture) return {};
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return {};
    return bytes;
}

// Source pixels of the whole picture that show `sourceSpan` of its `side`
// pixels in `shown` device pixels: what a decoder must keep to draw the span.
LONG Covering(int shown, int side, int sourceSpan) {
    sourceSpan = std::abs(sourceSpan);
    if (sourceSpan == 0 || side <= 0) return side;
    double pixels = std::ceil(std::abs(double(shown)) * side / sourceSpan);
    return static_cast<LONG>(std::clamp(pixels, 1.0, double(side)));
}

// A source coordinate of the declared picture in a DIB decoded at another size.
int Rescaled(int v, int decoded, int declared) {
    if (decoded == declared || declared <= 0) return v;
    return static_cast<int>(std::lround(std::clamp(double(v) * decoded / declared, -1e9, 1e9)));
}

std::string SecondsOf(std::chrono::milliseconds limit) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(limit.count()) / 1000.0);
    return text;
}

}  // namespace

int KsDviDrawer::DrawPicture(PictInfo* p) { return DrawPictureRop(p, SRCCOPY); }

int KsDviDrawer::DrawPictureRop(PictInfo* p, unsigned long rop) {
    if (!IsWorking() || !p || p->drawn || p->type < 0 || p->type > kPicturePdf) return 0;
    int w = 0, h = 0;
    bool drawn = false;
    switch (p->type) {
    case kPictureWmf: drawn = DrawMetafilePicture(p, w, h); break;
    case kPictureEps: drawn = DrawEpsPicture(p, w, h); break;
    case kPicturePdf: drawn = DrawPdfPicture(p, w, h); break;
    default: drawn = DrawRasterPicture(p, rop, w, h); break;
    }
    if (!drawn) return 0;
    if (p->area) pictureAreas_.push_back(*p->area);
    if (p->link) p->link->AddBox(p->x, p->y - (p->anchorTop == 0 ? h : 0), w, h);
    if (!BoxIsZero(p)) p->drawn = 1;
    return 1;
}

KsDviDrawer::PictInfo* KsDviDrawer::AppendPicture(std::unique_ptr<PictInfo> picture) {
    PictInfo* p = picture.get();
    pictList_.Append(p);
    pictures_.push_back(std::move(picture));
    // Drawn where the page sets it, as dvips draws it: what the page sets
    // after it lies on top (text over a figure). Passes that only place
    // things leave pictures to DrawAllPictures.
    if (IsWorking() && device_ && device_->Shows()) {
        std::optional<std::array<double, 4>> const clip = characterClip_;
        ClipCharacters(std::nullopt);  // pictures are placed as the page's drawing placed them
        DrawPicture(p);
        p->tried = true;
        ClipCharacters(clip);
    }
    return p;
}

void KsDviDrawer::DrawAllPictures(CWnd* w) {
    if (!IsWorking()) return;
    ClipCharacters(std::nullopt);  // pictures are placed as the page's drawing placed them
    for (PictInfo* p : pictList_) {
        if (p->tried) continue;
        DrawPicture(p);
        if (w) {
            w->InvalidateRect(nullptr, FALSE);
            w->UpdateWindow();
        }
    }
}

std::string KsDviDrawer::FindPictureFile(String8 const& name, std::string* why) const {
    if (!dvi_) return "";
    return dvi_->GetFiles().Find(name.view(), &FinderOf(*dvi_), KPathSea::Format::Picture, why);
}

std::istream* KsDviDrawer::OpenPictFileStream(PictInfo* p, int* size) {
    if (!p) return nullptr;
    if (p->fileName.view().starts_with('`')) {
        // dvips runs such a name as a command, outside its secure mode.
        lastPictureProblem_ = "a command, which ksdvi does not run";
        return nullptr;
    }
    std::string why;
    std::string path = FindPictureFile(p->fileName, &why);
    lastPictureProblem_ = why;
    if (path.empty()) return nullptr;
    if (size) {
        struct stat status {};
        if (stat(path.c_str(), &status) != 0) return nullptr;
        *size = status.st_size > kLargestPicture ? -1 : static_cast<int>(status.st_size);
    }
    // Found as a regular file: opening it cannot wait on a FIFO's writer.
    auto stream = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!*stream) return nullptr;
    return stream.release();
}

void KsDviDrawer::ClosePictFileStream(PictInfo*, std::istream* s) { delete s; }

void KsDviDrawer::NotePictureProblem(PictInfo const* p, std::string reason) {
    pictureProblems_.push_back({std::string(p->fileName.view()), std::move(reason)});
}

int KsDviDrawer::PictureExtent(PictInfo const* p, double naturalSp, double acrossSp, bool horizontal) const {
    if (double const shown = p->Shown(horizontal, naturalSp, acrossSp); shown > 0)
        return Ceiling(shown * (horizontal ? pixels_.PerDviX() : pixels_.PerDviY()));
    double scale = horizontal ? p->xScale : p->yScale;
    if (scale >= 0) {
        double sp = HeldOnDevice(naturalSp * scale + 0.5);
        return Ceiling(static_cast<double>(Truncate(sp)) * (horizontal ? pixels_.PerDviX() : pixels_.PerDviY()));
    }
    return BoxIsZero(p) ? grw(Truncate(-scale)) : Truncate(-scale);
}

void KsDviDrawer::PlacePicture(PictInfo const* p, int h, int& x, int& y) const {
    if (BoxIsZero(p)) {
        x = grw(p->x);
        y = grw(p->y);
    } else {
        x = p->x;
        y = p->y - (p->anchorTop == 0 ? h : 0);
    }
}

// Placeable metafiles play into the picture's box through an anisotropic mapping.
bool KsDviDrawer::DrawMetafilePicture(PictInfo* p, int& w, int& h) {
    std::unique_ptr<std::istream, std::function<void(std::istream*)>> in(
        OpenPictFileStream(p, nullptr), [this, p](std::istream* s) { ClosePictFileStream(p, s); });
    if (!in) {
        NotePictureProblem(p, MissingPictureReason());
        return false;
    }
    WinMetafile metafile;
    if (!metafile.Read(*in) || metafile.GetInch() == 0) {
        NotePictureProblem(p, "not a placeable metafile");
        return false;
    }
    double inch = metafile.GetInch();
    double const naturalWidth = (metafile.GetRight() - metafile.GetLeft()) / inch * kSpPerInch;
    double const naturalHeight = (metafile.GetBottom() - metafile.GetTop()) / inch * kSpPerInch;
    w = PictureExtent(p, naturalWidth, naturalHeight, true);
    h = PictureExtent(p, naturalHeight, naturalWidth, false);
    int x = 0, y = 0;
    PlacePicture(p, h, x, y);
    pDC_->SaveDC();
    pDC_->SetMapMode(MM_ANISOTROPIC);
    pDC_->SetTextAlign(0);
    pDC_->SetViewportOrg(x, y);
    pDC_->SetViewportExt(w, h);
    pDC_->PlayMetaFile(metafile.GetHandle());
    pDC_->RestoreDC(-1);
    return true;
}

ksdvi::gdi::DecodeBounds KsDviDrawer::PictureBounds(
    std::function<ksdvi::gdi::SIZE(ksdvi::gdi::DeclaredPicture const&)> shownAt) const {
    ksdvi::gdi::DecodeBounds bounds;
    bounds.shownAt = std::move(shownAt);
    bounds.bytes = pictureBudget_ - std::min(pictureBudget_, pictureBytes_);
    // A limit beyond the clock's range is none.
    using Clock = ksdvi::gdi::DecodeBounds::Clock;
    Clock::time_point const now = Clock::now();
    auto const room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
    auto const limit = std::max(pictureTimeLimit_, std::chrono::milliseconds(0));
    bounds.deadline = limit < room ? now + limit : Clock::time_point::max();
    return bounds;
}

std::uint64_t KsDviDrawer::ChargePicture(std::vector<unsigned char> const& dib) {
    DibView view;
    if (!DibView::FromPacked(dib.data(), dib.size(), view)) return 0;
    std::uint64_t bytes = dib.size() + 4 * std::uint64_t(view.Width()) * std::uint64_t(view.Height());
    if (bytes > pictureBudget_ - std::min(pictureBudget_, pictureBytes_)) return 0;
    pictureBytes_ += bytes;
    picturePeak_ = std::max(picturePeak_, pictureBytes_);
    return bytes;
}

// JPEG, GIF, PNG and BMP: decoded no larger than they are shown, within the
// page's picture budget and the time limit, to a packed DIB stretched onto
// the page.
bool KsDviDrawer::DrawRasterPicture(PictInfo* p, unsigned long rop, int& w, int& h) {
    int size = 0;
    std::unique_ptr<std::istream, std::function<void(std::istream*)>> in(
        OpenPictFileStream(p, p->type == kPicturePng ? nullptr : &size),
        [this, p](std::istream* s) { ClosePictFileStream(p, s); });
    if (!in) {
        NotePictureProblem(p, MissingPictureReason());
        return false;
    }
    // The declared picture, and its device size from its natural size: what
    // the decoder needs to keep, the whole picture at the scale shown. A
    // record's source rectangle is a part of the picture shown in (w, h).
    int width = 0, height = 0;
    bool const recordRect = p->xScale < 0 && !BoxIsZero(p);
    // A pdf:image with a bbox (graphicx's trim or viewport): the box is in
    // points of the picture at its resolution, 72 dpi without one. It is
    // shown in (w, h); with clip only the box shows, without it the whole
    // picture lies around it.
    bool const boxRect = !recordRect && p->pdfBox;
    bool const sourceRect = recordRect || (boxRect && p->clip);
    int srcLeft = p->llx, srcBottom = p->lly, srcRight = p->urx, srcTop = p->ury;  // declared pixels
    ksdvi::gdi::DecodeBounds bounds = PictureBounds([&](ksdvi::gdi::DeclaredPicture const& d) {
        width = d.width;
        height = d.height;
        // The file's own resolution where it gives one (PNG and JPEG files).
        if (boxRect) {
            double const perPointX = d.xPelsPerMeter > 0 ? d.xPelsPerMeter * 0.0254 / 72 : 1.0;
            double const perPointY = d.yPelsPerMeter > 0 ? d.yPelsPerMeter * 0.0254 / 72 : 1.0;
            auto pixel = [](double points, double perPoint, int most) {
                return static_cast<int>(std::clamp(std::lround(points * perPoint), 0L, long(most)));
            };
            auto const [x0, y0, x1, y1] = *p->pdfBox;
            srcLeft = pixel(x0, perPointX, width), srcRight = std::max(srcLeft + 1, pixel(x1, perPointX, width));
            // Rows as the source rectangle counts them: from the decoded picture's first row.
            double const pointsHigh = height / perPointY;
            srcBottom = pixel(pointsHigh - y1, perPointY, height);
            srcTop = std::max(srcBottom + 1, pixel(pointsHigh - y0, perPointY, height));
        }
        double xDensity = d.xPelsPerMeter > 0 ? d.xPelsPerMeter : p->naturalPerMetre;
        double yDensity = d.yPelsPerMeter > 0 ? d.yPelsPerMeter : p->naturalPerMetre;
        double naturalWidth = width * kSpPerMetre / xDensity;
        double naturalHeight = height * kSpPerMetre / yDensity;
        w = PictureExtent(p, naturalWidth, naturalHeight, true);
        h = PictureExtent(p, naturalHeight, naturalWidth, false);
        if (!sourceRect && !boxRect) return ksdvi::gdi::SIZE{std::abs(w), std::abs(h)};
        return ksdvi::gdi::SIZE{Covering(w, width, srcRight - srcLeft), Covering(h, height, srcTop - srcBottom)};
    });
    std::vector<unsigned char> dib;
    ksdvi::gdi::DecodeResult result = ksdvi::gdi::DecodeResult::Damaged;
    if (p->type == kPicturePng) {
        result = png::DecodePng(*in, bounds, dib);
    } else if (size > 0 && std::uint64_t(size) > bounds.bytes) {
        // The file is held whole while it is decoded.
        result = ksdvi::gdi::DecodeResult::TooLarge;
    } else {
        std::vector<unsigned char> file = ReadAll(*in, size);
        bounds.bytes -= std::min<std::uint64_t>(bounds.bytes, file.size());
        auto decode = p->type == kPictureJpeg  ? jpg::DecodeJpg
                      : p->type == kPictureGif ? jpg::DecodeGif
                                               : jpg::DecodeBmp;
        if (!file.empty()) result = decode(file.data(), file.size(), bounds, dib);
    }
    in.reset();
    using ksdvi::gdi::DecodeResult;
    DibView view;
    if (result == DecodeResult::Decoded && !DibView::FromPacked(dib.data(), dib.size(), view))
        result = DecodeResult::Damaged;
    std::uint64_t const charged = result == DecodeResult::Decoded ? ChargePicture(dib) : 0;
    if (result == DecodeResult::Decoded && charged == 0) result = DecodeResult::TooLarge;
    switch (result) {
    case DecodeResult::Decoded: break;
    case DecodeResult::TooLarge: NotePictureProblem(p, "larger than the page's picture memory"); return false;
    case DecodeResult::TooManyPixels: NotePictureProblem(p, "more pixels than ksdvi decodes"); return false;
    case DecodeResult::TooSlow:
        NotePictureProblem(p, "not decoded within " + SecondsOf(pictureTimeLimit_) + " s");
        return false;
    case DecodeResult::Damaged: NotePictureProblem(p, "cannot be decoded"); return false;
    }
    int const decodedWidth = view.Width(), decodedHeight = view.Height();
    int x = 0, y = 0;
    PlacePicture(p, h, x, y);

    DeviceImage image{
        dib.data(),  dib.size(), 0, 0, decodedWidth, decodedHeight, x, y, w, h, static_cast<std::uint32_t>(rop),
        std::nullopt};
    if (boxRect && !p->clip) {
        // The whole picture, at the scale that shows its box in (w, h);
        // a tiny box of a vast picture stays within the int range.
        double const sx = double(w) / (srcRight - srcLeft), sy = double(h) / (srcTop - srcBottom);
        auto pixels = [](double v) { return static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9))); };
        image.x = pixels(x - srcLeft * sx);
        image.y = pixels(y - srcBottom * sy);
        image.width = pixels(width * sx);
        image.height = pixels(height * sy);
    } else if (sourceRect) {
        // The source rectangle in the pixels of the DIB as decoded.
        int left = Rescaled(srcLeft, decodedWidth, width), right = Rescaled(srcRight, decodedWidth, width);
        int bottom = Rescaled(srcBottom, decodedHeight, height), top = Rescaled(srcTop, decodedHeight, height);
        image.srcX = left;
        image.srcY = decodedHeight - top;
        image.srcWidth = right - left;
        image.srcHeight = top - bottom;
        if (recordRect) image.mix = static_cast<int>(recordDrawMode_);
    }
    Affine const world = p->transform.About(pixels_.OriginX(), pixels_.OriginY());
    if (!p->transform.IsIdentity()) image.transform = &world;
    image.alpha = p->type == kPicturePng && view.BitCount() == 32;
    p->area = (image.transform ? world : Affine{})
                  .BoundsOf(image.x, image.y, double(image.x) + image.width, double(image.y) + image.height);
    if (device_) device_->DrawImage(image);
    pictureBytes_ -= charged;  // drawn: its pixels are freed
    return true;
}

// PDF pages as pictures (graphicx's xetex and dvipdfmx drivers). Ghostscript
// draws the page from the file's bytes, which the job carries, fitted to the
// box it is shown in: as an EPS figure is drawn, within the same time limit
// and without reading any file. Its own size, when the special does not give
// one, comes from poppler, which reads the file's structure without drawing.

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "device/PdfPagePainter.h"
#include "platform/gs/GS.h"
#include "render/CoveragePainter.h"
#include "render/KsDviDrawer.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr int kLargestPdfPicture = 16 << 20;

// The file as a job's PostScript: a positionable stream of its bytes, whose
// page Ghostscript's PDF interpreter shows.
std::string PdfJob(std::string const& pdf, int page) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string job = "/FirstPage " + std::to_string(page) + " def /LastPage " + std::to_string(page) +
                      " def\n/ksdvi@pdf currentfile /ASCIIHexDecode filter /ReusableStreamDecode filter\n";
    job.reserve(job.size() + 2 * pdf.size() + pdf.size() / 32 + 64);
    for (size_t i = 0; i < pdf.size(); ++i) {
        unsigned char const c = static_cast<unsigned char>(pdf[i]);
        job.push_back(kHex[c >> 4]);
        job.push_back(kHex[c & 15]);
        if (i % 64 == 63) job.push_back('\n');
    }
    return job.append(">\ndef ksdvi@pdf runpdf\n");
}

// Whether `box` is the whole page and shown in its own proportions: the
// page is then fitted to the shown box as it is.
bool WholePageInProportion(std::array<double, 4> const& box, std::pair<double, double> const& page, double width,
                           double height) {
    auto near = [](double a, double b) { return std::fabs(a - b) <= 0.01 * std::max(1.0, std::fabs(b)); };
    double const boxWidth = box[2] - box[0], boxHeight = box[3] - box[1];
    return near(box[0], 0) && near(box[1], 0) && near(boxWidth, page.first) && near(boxHeight, page.second) &&
           near(width * boxHeight, height * boxWidth);
}

}  // namespace

// A part of the page (graphicx's viewport and trim) or the page stretched:
// Ghostscript makes the page at its own size, poppler draws it so that
// `box` fills the shown box, cut there when the picture is clipped.
bool KsDviDrawer::DrawPdfPart(PictInfo* p, std::array<double, 4> const& box, std::pair<double, double> const& page,
                              ShownBox const& shown, Affine const& world, std::function<bool(int, int)> const& run) {
    // Ghostscript's page is whole dots: made `magnified` times larger, its
    // rounding does not show when a small page is shown large.
    double const perPointX = RoundHalfAway(pixels_.DpiX()) / 72.0, perPointY = RoundHalfAway(pixels_.DpiY()) / 72.0;
    double const dots = std::max({page.first * perPointX, page.second * perPointY, 1.0});
    double const magnified = std::clamp(std::ceil(2000 / dots), 1.0, 64.0);
    if (!run(std::max(1, RoundHalfAway(page.first * perPointX * magnified)),
             std::max(1, RoundHalfAway(page.second * perPointY * magnified))))
        return false;
    std::string const pdf = GS::GetLastPdf();
    Affine const unmagnified{1 / magnified, 0, 0, 1 / magnified, 0, 0};
    auto const [x0, y0, x1, y1] = box;
    // The page's points from its top-left corner, down, to device dots.
    double const sx = shown.width / (x1 - x0), sy = shown.height / (y1 - y0);
    double const boxTop = page.second - y1;
    Affine const toDevice = Affine{sx, 0, 0, sy, shown.left - x0 * sx, shown.top - boxTop * sy}.Then(world);
    bool const upright = world.b == 0 && world.c == 0;
    // What cuts it on the device: its box, and a clip it was placed in.
    std::optional<std::array<double, 4>> cut = p->deviceClip;
    if (p->clip && upright) {
        double l, t, r, b;
        world.Apply(shown.left, shown.top, l, t);
        world.Apply(shown.left + shown.width, shown.top + shown.height, r, b);
        std::array<double, 4> const own{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
        cut = cut ? std::array<double, 4>{std::max(own[0], (*cut)[0]), std::max(own[1], (*cut)[1]),
                                          std::min(own[2], (*cut)[2]), std::min(own[3], (*cut)[3])}
                  : own;
    }
    if (device_->TakesPdfPages() && (!p->clip || upright)) {
        if (cut) device_->ClipTo(cut);
        bool const drawn = device_->DrawPdfPage(pdf, unmagnified.Then(toDevice));
        if (cut) device_->ClipTo(std::nullopt);
        if (drawn) return true;
    }
    // On a raster the area drawn is the box when it cuts, else the page.
    Affine const area = p->clip ? Affine{1, 0, 0, 1, x0, boxTop}.Then(toDevice) : toDevice;
    double const shiftX = p->clip ? x0 : 0, shiftY = p->clip ? boxTop : 0;
    PaintDrawnCoverage(
        pDC_, area, p->clip ? x1 - x0 : page.first, p->clip ? y1 - y0 : page.second,
        [&](cairo_t* cr) {
            cairo_translate(cr, -shiftX, -shiftY);
            cairo_scale(cr, 1 / magnified, 1 / magnified);
            return PaintPdfPage(pdf, cr);
        },
        p->deviceClip);
    return true;
}

bool KsDviDrawer::DrawPdfPicture(PictInfo* p, int& w, int& h) {
    int size = 0;
    std::unique_ptr<std::istream, std::function<void(std::istream*)>> in(
        OpenPictFileStream(p, &size), [this, p](std::istream* s) { ClosePictFileStream(p, s); });
    if (!in) {
        NotePictureProblem(p, MissingPictureReason());
        return false;
    }
    if (size < 0 || size > kLargestPdfPicture) {
        NotePictureProblem(p, "larger than the PDF files ksdvi draws");
        return false;
    }
    std::string const pdf{std::istreambuf_iterator<char>(*in), {}};
    in.reset();

    // Shown as the special says, else at the page's own size (in DVI units).
    double shownWidth = p->shownWidth, shownHeight = p->shownHeight;
    bool const sized = shownWidth > 0 && shownHeight > 0;
    // A part of the page needs the page's size; when poppler cannot read it,
    // Ghostscript fits what it can read to the shown box.
    std::optional<std::pair<double, double>> points;
    if (!sized || p->pdfBox || p->deviceClip) {
        points = PdfPageSize(pdf, p->pdfPage);
        if (!points && !sized) {
            NotePictureProblem(p, CanPaintPdfPages() ? "has no page " + std::to_string(p->pdfPage) + " that reads"
                                                     : "its size needs poppler-glib, which is not installed");
            return false;
        }
    }
    if (!sized) {
        shownWidth = p->Shown(true, points->first, points->second);
        shownHeight = p->Shown(false, points->second, points->first);
    }
    if (shownWidth <= 0 || shownHeight <= 0) {
        double const perPoint = kSpPerBigPoint * DviPerPoint() / 65536;
        shownWidth = points->first * perPoint;
        shownHeight = points->second * perPoint;
    }
    w = std::max(1, RoundHalfAway(shownWidth * pixels_.PerDviX()));
    h = std::max(1, RoundHalfAway(shownHeight * pixels_.PerDviY()));
    int const left = p->x, top = p->y - h;
    Affine const& t = p->transform;
    // The world transformation, about the DVI origin, in device dots.
    Affine const world = t.About(pixels_.OriginX(), pixels_.OriginY());
    p->area = world.BoundsOf(left, top, left + w, top + h);
    int const xRes = RoundHalfAway(pixels_.DpiX()), yRes = RoundHalfAway(pixels_.DpiY());
    std::string const job = PdfJob(pdf, p->pdfPage);

    // A job of the page on `gs`, painted through `out` (none: as a PDF page);
    // false with the problem noted when it failed.
    auto run = [&](GS* gs, int width, int height, CoveragePainter* out, char const* first) {
        if (!gs->StartGSJob(xRes, yRes, width, height, kGsBitsPerPixel, out, -1, -1)) {
            NotePictureProblem(p, GS::GetLastError().empty() ? "Ghostscript is not available" : GS::GetLastError());
            return false;
        }
        if (out) gs->ProcessPSCommand(CoveragePainter::kAntiAliased);
        if (first) gs->ProcessPSCommand(first);
        gs->ProcessPSCommand(job);
        std::string const noPage = "Ghostscript read no page " + std::to_string(p->pdfPage) + " in it";
        if (!gs->EndGSJob()) {
            NotePictureProblem(p, GS::LastJobShowedNoPage() ? noPage : GS::GetLastError());
            return false;
        }
        if (out && !out->Done()) {
            NotePictureProblem(p, noPage);
            return false;
        }
        return true;
    };

    bool const upright = t.b == 0 && t.c == 0 && t.a > 0 && t.d > 0;
    bool const part =
        sized && p->pdfBox && points && !WholePageInProportion(*p->pdfBox, *points, shownWidth, shownHeight);
    if ((part || (points && p->deviceClip)) && points->first > 0 && points->second > 0)
        return DrawPdfPart(p, part ? *p->pdfBox : std::array<double, 4>{0, 0, points->first, points->second}, *points,
                           {double(left), double(top), shownWidth * pixels_.PerDviX(), shownHeight * pixels_.PerDviY()},
                           world,
                           [&](int width, int height) { return run(GetPdfGS(), width, height, nullptr, nullptr); });
    // A vector output takes the page whatever the transformation; a raster
    // has poppler paint the same PDF page (Ghostscript's own raster paints
    // the backdrop of a page's transparency white), or without poppler
    // Ghostscript, upright.
    bool const poppler = CanPaintPdfPages();
    if (device_->TakesPdfPages() || !upright || poppler) {
        if (!run(GetPdfGS(), w, h, nullptr, nullptr)) return false;
        Affine const toDevice =
            Affine{double(xRes) / 72, 0, 0, double(yRes) / 72, double(left), double(top)}.Then(world);
        if (device_->TakesPdfPages() && device_->DrawPdfPage(GS::GetLastPdf(), toDevice)) return true;
        if (!upright || poppler) {
            double const points = 72.0 / RoundHalfAway(pixels_.DpiX()), pointsY = 72.0 / RoundHalfAway(pixels_.DpiY());
            // As PDF readers show it on screen (hair lines a pixel wide and
            // dark, as pdftoppm draws them) when that shows no annotations.
            std::string const& page = GS::GetLastPdf();
            bool const onScreen = page.find("/Annots") == std::string::npos;
            if (!PaintDrawnCoverage(pDC_, toDevice, w * points, h * pointsY,
                                    [&](cairo_t* cr) { return PaintPdfPage(page, cr, onScreen); }))
                NotePictureProblem(p, "cannot be drawn turned");
            return true;
        }
    }
    double x0, y0, x1, y1;
    world.Apply(left, top, x0, y0);
    world.Apply(left + w, top + h, x1, y1);
    int const jobLeft = RoundHalfAway(x0), jobTop = RoundHalfAway(y0);
    int const jobWidth = std::max(1, RoundHalfAway(x1) - jobLeft), jobHeight = std::max(1, RoundHalfAway(y1) - jobTop);
    CoveragePainter out(pDC_, pDC_, jobLeft, jobTop + jobHeight);
    if (!run(GetGS(), jobWidth, jobHeight, &out, nullptr)) return false;
    out.StartOnBlack();
    // The PDF interpreter sets up its page, clearing it: the black comes as it begins.
    return run(GetGS(), jobWidth, jobHeight, &out,
               "<< /BeginPage { pop gsave 0 setgray clippath fill grestore } >> setpagedevice\n");
}

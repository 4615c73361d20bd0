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

}  // namespace

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
    if (!(shownWidth > 0 && shownHeight > 0)) {
        auto const points = PdfPageSize(pdf, p->pdfPage);
        if (!points) {
            NotePictureProblem(p, CanPaintPdfPages() ? "has no page " + std::to_string(p->pdfPage) + " that reads"
                                                     : "its size needs poppler-glib, which is not installed");
            return false;
        }
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
        gs->ProcessPSCommand(job.c_str());
        if (!gs->EndGSJob()) {
            NotePictureProblem(p, GS::GetLastError());
            return false;
        }
        if (out && !out->Done()) {
            NotePictureProblem(p, "Ghostscript read no page " + std::to_string(p->pdfPage) + " in it");
            return false;
        }
        return true;
    };

    bool const upright = t.b == 0 && t.c == 0 && t.a > 0 && t.d > 0;
    // A vector output takes the page whatever the transformation; on a
    // raster, a page turned or mirrored is drawn from the same PDF page.
    if (device_->TakesPdfPages() || !upright) {
        if (!run(GetPdfGS(), w, h, nullptr, nullptr)) return false;
        Affine const toDevice =
            Affine{double(xRes) / 72, 0, 0, double(yRes) / 72, double(left), double(top)}.Then(world);
        if (device_->TakesPdfPages() && device_->DrawPdfPage(GS::GetLastPdf(), toDevice)) return true;
        if (!upright) {
            double const points = 72.0 / RoundHalfAway(pixels_.DpiX()), pointsY = 72.0 / RoundHalfAway(pixels_.DpiY());
            if (!PaintDrawnCoverage(pDC_, toDevice, w * points, h * pointsY,
                                    [](cairo_t* cr) { return PaintPdfPage(GS::GetLastPdf(), cr); }))
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

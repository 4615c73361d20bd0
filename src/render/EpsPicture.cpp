// EPS pictures: rendered by the process's Ghostscript at the resolution that
// makes the bounding box the picture's device size, in the transformation the
// page's PostScript had where the picture was placed, then painted opaquely
// where it draws and nowhere else (CoveragePainter.h).
//   DOS EPS binaries (header C5 D0 D3 C6) are read from their PostScript part.

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/gs/GS.h"
#include "render/CoveragePainter.h"
#include "render/EpsFile.h"
#include "render/KsDviDrawer.h"
#include "specials/PictureSpecials.h"
#include "stream/DeviceRounding.h"
#include "stream/NumberText.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr int kBoundingBoxLines = 50;
// Around a figure not cut at its box, in its own points: what it draws that
// far outside still shows.
constexpr double kMarginPoints = 36;
constexpr size_t kBlock = 16 * 1024;

bool CaseInsensitivePrefix(std::string const& line, char const* prefix) {
    size_t n = std::strlen(prefix);
    if (line.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The PostScript of a DOS EPS binary, which puts a preview beside it.
std::unique_ptr<std::istream> PostScriptPart(std::istream& in) {
    unsigned char header[kDosEpsHeaderSize];
    std::streampos start = in.tellg();
    std::optional<std::pair<uint32_t, uint32_t>> part;
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || !(part = DosEpsPostScript(header))) {
        in.clear();
        in.seekg(start);
        return nullptr;
    }
    auto [offset, length] = *part;
    std::string text(length, '\0');
    in.seekg(start + std::streamoff(offset));
    in.read(text.data(), length);
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return std::make_unique<std::istringstream>(std::move(text));
}

// The %%BoundingBox of the file's first lines, each edge within ten million
// points (the box a special gives may be moved by it without overflow).
std::optional<std::array<int, 4>> FileBoundingBox(std::istream& in) {
    std::optional<std::array<int, 4>> box;
    std::string line;
    for (int i = 0; i < kBoundingBoxLines && in.good() && std::getline(in, line); ++i) {
        if (line.size() > 199) line.resize(199);
        if (!CaseInsensitivePrefix(line, "%%BoundingBox:")) continue;
        std::istringstream fields(line.substr(14));
        std::string field;
        box = {0, 0, 72, 72};
        for (int& value : *box) {
            if (!(fields >> field)) break;
            value = static_cast<int>(std::clamp(std::strtol(field.c_str(), nullptr, 10), -10000000L, 10000000L));
        }
    }
    return box;
}

// A box given for a file whose own box is `own`, in the file's points. One
// that lies outside `own` but inside its size counts from its corner, and
// the file is cut there (`fromCorner`) as dvipdfmx's conversion cuts it.
std::array<int, 4> GivenBox(KsDviDrawer::PictInfo const* p, std::array<int, 4> const& own, bool& fromCorner) {
    std::array<int, 4> box = {p->llx, p->lly, p->urx, p->ury};
    constexpr int kSlack = 1;  // points graphicx's rounding may add
    auto inside = [&](int x0, int y0, int x1, int y1) {
        return box[0] >= x0 - kSlack && box[1] >= y0 - kSlack && box[2] <= x1 + kSlack && box[3] <= y1 + kSlack;
    };
    auto [llx, lly, urx, ury] = own;
    fromCorner = !inside(llx, lly, urx, ury) && inside(0, 0, urx - llx, ury - lly);
    if (fromCorner) box = {box[0] + llx, box[1] + lly, box[2] + llx, box[3] + lly};
    return box;
}

}  // namespace

bool KsDviDrawer::DrawEpsPicture(PictInfo* p, int& w, int& h) {
    std::unique_ptr<std::istream, std::function<void(std::istream*)>> file(
        OpenPictFileStream(p, nullptr), [this, p](std::istream* s) { ClosePictFileStream(p, s); });
    if (!file || !*file) {
        NotePictureProblem(p, MissingPictureReason());
        return false;
    }
    std::unique_ptr<std::istream> binary = PostScriptPart(*file);
    std::istream& in = binary ? *binary : *file;
    std::streampos start = in.tellg();

    std::array<int, 4> box = {p->llx, p->lly, p->urx, p->ury};
    bool clip = p->clip;
    // The file's own box: what a figure shows that is not cut at the box
    // given for it (graphicx's trim and viewport without clip).
    std::optional<std::array<int, 4>> own;
    if (p->llx == kNoPictureBox || p->boxMayCountFromCorner || !clip) own = FileBoundingBox(in);
    if (p->llx == kNoPictureBox || p->boxMayCountFromCorner) {
        bool fromCorner = false;
        std::array<int, 4> const file = own.value_or(std::array{0, 0, 72, 72});
        box = p->llx == kNoPictureBox ? file : GivenBox(p, file, fromCorner);
        clip = clip || fromCorner;
    }
    auto [llx, lly, urx, ury] = box;
    auto pixels = [](double points, double scale, double pixPerDvi) {
        return Ceiling(static_cast<double>(Truncate(points * scale * kSpPerBigPoint)) * pixPerDvi);
    };
    int width = pixels(urx, p->xScale, pixels_.PerDviX()) - pixels(llx, p->xScale, pixels_.PerDviX());
    int height = pixels(ury, p->yScale, pixels_.PerDviY()) - pixels(lly, p->yScale, pixels_.PerDviY());
    // A negative scale mirrors the figure (onPage below); Ghostscript renders
    // it at the scale's size.
    int xRes = Ceiling(static_cast<double>(Truncate(std::abs(p->xScale) * kSpPerInch)) * pixels_.PerDviX());
    int yRes = Ceiling(static_cast<double>(Truncate(std::abs(p->yScale) * kSpPerInch)) * pixels_.PerDviY());
    int left = p->x, bottom = p->y + (p->anchorTop == 1 ? height : 0);
    if (p->originHere) {
        left += pixels(llx, p->xScale, pixels_.PerDviX());
        bottom -= pixels(lly, p->yScale, pixels_.PerDviY());
    }
    // The figure's points on the page: its box at (left, bottom), then the
    // page's transformation where it was placed, about the DVI origin.
    // Exactly the scaled size: Ghostscript's whole-number resolution is no
    // longer the figure's (a 320 bp figure 4 cm wide came out 1.6% wider).
    double const sx = p->xScale * kSpPerInch * pixels_.PerDviX() / 72.0;
    double const sy = p->yScale * kSpPerInch * pixels_.PerDviY() / 72.0;
    Affine const toBox{sx, 0, 0, -sy, left - llx * sx, bottom + lly * sy};
    Affine const onPage = toBox.Then(p->transform.About(pixels_.OriginX(), pixels_.OriginY()));
    // Ghostscript draws the part of the page the figure covers, and unless
    // it is cut at its box, the file's own box too and a margin around them:
    // strokes on the box and sloppy boxes show as dvips shows them.
    p->area = onPage.BoundsOf(llx, lly, urx, ury);
    if (p->inPagePostScript) {
        w = std::abs(width) + 1;
        h = std::abs(height) + 1;
        return true;
    }
    double const margin = clip ? 0 : kMarginPoints;
    std::array<int, 4> shown = box;
    if (!clip && own)
        shown = {std::min(llx, (*own)[0]), std::min(lly, (*own)[1]), std::max(urx, (*own)[2]),
                 std::max(ury, (*own)[3])};
    auto const [x0, y0, x1, y1] =
        onPage.BoundsOf(shown[0] - margin, shown[1] - margin, shown[2] + margin, shown[3] + margin);
    auto pagePixel = [](double v, int most) { return !(v > 0) ? 0 : v < most ? static_cast<int>(v) : most; };
    int const pageWidth = pDC_->GetDeviceCaps(HORZRES), pageHeight = pDC_->GetDeviceCaps(VERTRES);
    int const jobLeft = pagePixel(std::floor(x0 + 1e-6), pageWidth);
    int const jobTop = pagePixel(std::floor(y0 + 1e-6), pageHeight);
    int const jobWidth = pagePixel(std::ceil(x1 - 1e-6), pageWidth) - jobLeft;
    int const jobHeight = pagePixel(std::ceil(y1 - 1e-6), pageHeight) - jobTop;
    // From page pixels to the job's default user space, in points from its lower left corner.
    double const jx = xRes / 72.0, jy = yRes / 72.0;
    Affine const toJob{1 / jx, 0, 0, -1 / jy, -jobLeft / jx, (jobHeight + jobTop) / jy};
    Affine const m = onPage.Then(toJob);

    w = h = 0;
    if (width == 0 || height == 0) {
        NotePictureProblem(p, "empty bounding box");
        return true;
    }
    if (jobWidth <= 0 || jobHeight <= 0) return true;  // wholly off the page
    // As dvips's @setspecial: a figure that sets up a page of its own (an EPS
    // made by dvips asks for its paper) keeps the place it was given.
    std::string origin = "userdict begin /setpagedevice {pop} def /erasepage {} def /copypage {} def end\n[";
    for (double const v : {m.a, m.b, m.c, m.d, m.e, m.f}) origin += FixedNumber(v, 6) + ' ';
    origin += "] concat\n";
    if (clip) {
        char path[200];
        std::snprintf(path, sizeof path,
                      "newpath %d %d moveto %d %d lineto %d %d lineto %d %d lineto closepath clip newpath\n", llx, lly,
                      urx, lly, urx, ury, llx, ury);
        origin += path;
    }
    if (p->figureCut) {
        auto const& q = *p->figureCut;
        origin += "newpath " + FixedNumber(q[0], 4) + ' ' + FixedNumber(q[1], 4) + " moveto";
        for (size_t i = 2; i < q.size(); i += 2)
            origin += ' ' + FixedNumber(q[i], 4) + ' ' + FixedNumber(q[i + 1], 4) + " lineto";
        origin += " closepath clip newpath\n";
    }
    // One job: painted on white or on black (CoveragePainter.h), or drawn as
    // a PDF page for a vector output. 1 when it ran; else the problem is
    // noted, 0 when Ghostscript failed on the figure, -1 when it did not start.
    enum class Run { White, Black, Pdf };
    CoveragePainter out(pDC_, pDC_, jobLeft, jobTop + jobHeight);
    std::string pdf;
    auto job = [&](Run run) {
        GS* gs = run == Run::Pdf ? GetPdfGS() : GetGS();
        if (!gs->StartGSJob(xRes, yRes, jobWidth, jobHeight, kGsBitsPerPixel, run == Run::Pdf ? nullptr : &out, -1,
                            -1)) {
            std::string why = GS::GetLastError();
            NotePictureProblem(p, why.empty() ? "Ghostscript is not available" : why);
            return -1;
        }
        if (run != Run::Pdf) gs->ProcessPSCommand(CoveragePainter::kAntiAliased);
        if (run == Run::Black) {
            out.StartOnBlack();
            gs->ProcessPSCommand(CoveragePainter::kBlackPage);
        }
        gs->ProcessPSCommand(origin);
        in.clear();
        in.seekg(start);
        // In blocks as they come: binary image data holds NULs and lines of
        // any length.
        char block[kBlock];
        while (in.read(block, sizeof block) || in.gcount() > 0)
            if (!gs->ProcessPSCommand({block, static_cast<size_t>(in.gcount())})) break;
        // On a line of its own: a file's last line may have no newline.
        if (run == Run::Pdf || !out.Done()) gs->ProcessPSCommand("\nshowpage\n");
        if (!gs->EndGSJob()) {
            NotePictureProblem(p, GS::GetLastError());
            return 0;
        }
        if (run == Run::Pdf) pdf = GS::GetLastPdf();
        return 1;
    };
    int ran = 1;
    if (!device_->TakesPdfPages() || (ran = job(Run::Pdf)) != 1 ||
        !device_->DrawPdfPage(pdf, Affine{xRes / 72.0, 0, 0, yRes / 72.0, double(jobLeft), double(jobTop)}))
        for (Run run : {Run::White, Run::Black})
            if (ran == 1 && !(run == Run::Black && out.PaintOnWhite())) ran = job(run);
    if (ran != 1) return ran < 0;
    w = std::abs(width) + 1;
    h = std::abs(height) + 1;
    return true;
}

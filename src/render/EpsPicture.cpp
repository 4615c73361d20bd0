// EPS pictures: rendered by the process's Ghostscript at the resolution that
// makes the bounding box the picture's device size, then painted with white
// as transparent (TransparentPagePainter.h).
//   DOS EPS binaries (header C5 D0 D3 C6) are read from their PostScript part.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dvi/PictureSpecials.h"
#include "platform/gdi/Cursor.h"
#include "platform/gs/GS.h"
#include "render/KsDviDrawer.h"
#include "render/TransparentPagePainter.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr int kBoundingBoxLines = 50;
constexpr size_t kLongestLine = 4999;

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
    unsigned char header[12];
    std::streampos start = in.tellg();
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 0xC5 || header[1] != 0xD0 ||
        header[2] != 0xD3 || header[3] != 0xC6) {
        in.clear();
        in.seekg(start);
        return nullptr;
    }
    auto little = [&](int at) {
        return uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 | uint32_t(header[at + 2]) << 16 |
               uint32_t(header[at + 3]) << 24;
    };
    uint32_t offset = little(4), length = std::min<uint32_t>(little(8), 1u << 30);
    std::string text(length, '\0');
    in.seekg(start + std::streamoff(offset));
    in.read(text.data(), length);
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return std::make_unique<std::istringstream>(std::move(text));
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

    int box[4] = {0, 0, 72, 72};
    if (p->llx != kNoPictureBox) {
        box[0] = p->llx, box[1] = p->lly, box[2] = p->urx, box[3] = p->ury;
    } else {
        std::string line;
        for (int i = 0; i < kBoundingBoxLines && in.good() && std::getline(in, line); ++i) {
            if (line.size() > 199) line.resize(199);
            if (!CaseInsensitivePrefix(line, "%%BoundingBox:")) continue;
            std::istringstream fields(line.substr(14));
            std::string field;
            for (int& value : box) {
                if (!(fields >> field)) break;
                value = std::atoi(field.c_str());
            }
        }
    }
    auto [llx, lly, urx, ury] = box;
    auto pixels = [](double points, double scale, double pixPerDvi) {
        return Ceiling(static_cast<double>(Truncate(points * scale * kSpPerBigPoint)) * pixPerDvi);
    };
    int width = pixels(urx, p->xScale, pixels_.PerDviX()) - pixels(llx, p->xScale, pixels_.PerDviX());
    int height = pixels(ury, p->yScale, pixels_.PerDviY()) - pixels(lly, p->yScale, pixels_.PerDviY());
    int xRes = Ceiling(static_cast<double>(Truncate(p->xScale * kSpPerInch)) * pixels_.PerDviX());
    int yRes = Ceiling(static_cast<double>(Truncate(p->yScale * kSpPerInch)) * pixels_.PerDviY());
    int left = p->x, bottom = p->y + (p->anchorTop == 1 ? height : 0);
    if (p->originHere) {
        left += pixels(llx, p->xScale, pixels_.PerDviX());
        bottom -= pixels(lly, p->yScale, pixels_.PerDviY());
    }
    TransparentPagePainter out(pDC_, refDC_, palette_.get(), left, bottom, gsBitsPerPixel_);

    CWaitCursor wait;
    GS* gs = GetGS();
    if (width <= 0 || height <= 0 || !gs->StartGSJob(xRes, yRes, width, height, gsBitsPerPixel_, &out, -1, -1)) {
        NotePictureProblem(p, width <= 0 || height <= 0 ? "empty bounding box" : "Ghostscript is not available");
        w = h = 0;
        return true;
    }
    char origin[200];
    std::snprintf(origin, sizeof origin, "%d %d translate\n", -llx, -lly);
    gs->ProcessPSCommand(origin);
    if (gsBitsPerPixel_ >= 8)
        gs->ProcessPSCommand("mark /GraphicsAlphaBits 4 /TextAlphaBits 4 currentdevice putdeviceprops pop\n");
    in.clear();
    in.seekg(start);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > kLongestLine) line.resize(kLongestLine);
        line.push_back('\n');
        if (!gs->ProcessPSCommand(line.c_str())) break;
    }
    if (!out.done) gs->ProcessPSCommand("showpage\n");
    if (!gs->EndGSJob()) {
        NotePictureProblem(p, GS::GetLastError());
        return false;
    }
    w = width + 1;
    h = height + 1;
    return true;
}

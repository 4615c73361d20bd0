// Drawing the pictures that specials queue or records ask for: placeable
// metafiles, EPS (EpsPicture.cpp), JPEG, GIF, PNG and BMP. A picture's device
// size comes from its natural size and the record's scales, or from sizes the
// record gives in pixels; raster pictures are stretched onto the page with the
// record's raster operation.

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "dvi/PictureSpecials.h"
#include "platform/gdi/RasterOps.h"
#include "platform/jpg/JpgLib.h"
#include "platform/kpathsea/KPathSea.h"
#include "platform/png/PngLib.h"
#include "render/FontPainting.h"
#include "render/KsDviDrawer.h"
#include "render/WinMetafile.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr double kSpPerInch = 4736286.72;
constexpr double kSpPerMetre = 186467981.1023622;
constexpr double kSpPerPixel = 49330.15373078365;  // at 3780 pixels per metre
constexpr LONG kPixelsPerMetre = 3780;
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

}  // namespace

int KsDviDrawer::DrawPicture(PictInfo* p) { return DrawPictureRop(p, SRCCOPY); }

int KsDviDrawer::DrawPictureRop(PictInfo* p, unsigned long rop) {
    if (!IsWorking() || !p || p->drawn || p->type < 0 || p->type > kPictureBmp) return 0;
    int w = 0, h = 0;
    bool drawn = false;
    switch (p->type) {
    case kPictureWmf: drawn = DrawMetafilePicture(p, w, h); break;
    case kPictureEps: drawn = DrawEpsPicture(p, w, h); break;
    default: drawn = DrawRasterPicture(p, rop, w, h); break;
    }
    if (!drawn) return 0;
    if (p->link) p->link->AddBox(p->x, p->y - (p->anchorTop == 0 ? h : 0), w, h);
    if (!BoxIsZero(p)) p->drawn = 1;
    return 1;
}

void KsDviDrawer::DrawAllPictures(CWnd* w) {
    if (!IsWorking()) return;
    for (PictInfo* p : pictList_) {
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

int KsDviDrawer::PictureExtent(PictInfo const* p, double naturalSp, bool horizontal) const {
    double scale = horizontal ? p->xScale : p->yScale;
    if (scale >= 0) {
        double sp = HeldOnDevice(naturalSp * scale + 0.5);
        return Ceiling(static_cast<double>(Truncate(sp)) * (horizontal ? hPixPerDvi_ : vPixPerDvi_));
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
    w = PictureExtent(p, (metafile.GetRight() - metafile.GetLeft()) / inch * kSpPerInch, true);
    h = PictureExtent(p, (metafile.GetBottom() - metafile.GetTop()) / inch * kSpPerInch, false);
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

// JPEG, GIF, PNG and BMP: decoded to a packed DIB, stretched onto the page.
bool KsDviDrawer::DrawRasterPicture(PictInfo* p, unsigned long rop, int& w, int& h) {
    int size = 0;
    std::unique_ptr<std::istream, std::function<void(std::istream*)>> in(
        OpenPictFileStream(p, p->type == kPicturePng ? nullptr : &size),
        [this, p](std::istream* s) { ClosePictFileStream(p, s); });
    if (!in) {
        NotePictureProblem(p, MissingPictureReason());
        return false;
    }
    std::vector<unsigned char> dib;
    if (p->type == kPicturePng) {
        dib = png::ReadPngDib(*in);
    } else {
        std::vector<unsigned char> file = ReadAll(*in, size);
        auto decode = [&](auto check, auto decoder) {
            size_t needed = file.empty() ? 0 : check(file.data(), file.size());
            if (needed == 0) return;
            dib.assign(needed + 100, 0);
            if (decoder(file.data(), file.size(), dib.data(), dib.size()) <= 0) dib.clear();
        };
        if (p->type == kPictureJpeg)
            decode(jpg::check_dib_size, jpg::Jpg2Dib);
        else if (p->type == kPictureGif)
            decode(jpg::check_gif_size, jpg::Gif2Dib);
        else
            decode(jpg::check_bmp_size, jpg::Bmp2Dib);
    }
    in.reset();
    if (dib.size() < sizeof(BITMAPINFOHEADER)) {
        NotePictureProblem(p, "cannot be decoded");
        return false;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
    if (p->type != kPicturePng || header.biXPelsPerMeter <= 0) header.biXPelsPerMeter = kPixelsPerMetre;
    if (p->type != kPicturePng || header.biYPelsPerMeter <= 0) header.biYPelsPerMeter = kPixelsPerMetre;
    std::memcpy(dib.data(), &header, sizeof header);
    int width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    double naturalWidth = p->type == kPicturePng ? width * kSpPerMetre / header.biXPelsPerMeter : width * kSpPerPixel;
    double naturalHeight = height * kSpPerMetre / header.biYPelsPerMeter;
    w = PictureExtent(p, naturalWidth, true);
    h = PictureExtent(p, naturalHeight, false);
    int x = 0, y = 0;
    PlacePicture(p, h, x, y);

    int oldMode = pDC_->SetStretchBltMode(HALFTONE);
    if (p->xScale < 0 && !BoxIsZero(p)) {
        // A record's source rectangle, its y counted from the picture's bottom.
        int oldRop2 = pDC_->SetROP2(static_cast<int>(recordDrawMode_));
        pDC_->StretchPackedDIB(x, y, w, h, p->llx, height - p->ury, p->urx - p->llx, p->ury - p->lly, dib.data(),
                               dib.size(), DIB_RGB_COLORS, static_cast<DWORD>(rop));
        pDC_->SetROP2(oldRop2);
    } else {
        pDC_->StretchPackedDIB(x, y, w, h, 0, 0, width, height, dib.data(), dib.size(), DIB_RGB_COLORS,
                               static_cast<DWORD>(rop));
    }
    pDC_->SetStretchBltMode(oldMode);
    return true;
}

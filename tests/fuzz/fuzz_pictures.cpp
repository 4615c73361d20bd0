// Fuzz target: picture files as specials name them. The input is a file of
// any format; every decoder reads it (JPEG, GIF, BMP, PNG, the placeable
// Windows metafile, and the metafile's records as they stand), the raster
// ones also within bounds and shown smaller than they are, as the drawer
// decodes them; what they decode so is drawn on a small device as the drawer
// draws pictures, and a BMP is also sent in bands as printing sends pages. A
// decoder writes no more than the size it asked for (the buffer is exactly
// that size), and a DIB it makes holds what its header says.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzEnvironment.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/Dib.h"
#include "platform/gdi/Metafile.h"
#include "platform/gdi/RasterDevice.h"
#include "platform/jpg/JpgLib.h"
#include "platform/png/PngLib.h"
#include "print/CGSFile.h"
#include "print/CPrintDIB.h"
#include "render/WinMetafile.h"

using namespace ksdvi::fuzz;
namespace gdi = ksdvi::gdi;

namespace {

// Headers may ask for up to a gigabyte (JpgLib.h); filling that much takes
// seconds. Larger pictures are only sized, not decoded.
constexpr size_t kLargestDecoded = size_t(16) << 20;

gdi::RasterDevice& Device() {
    static std::unique_ptr<gdi::RasterDevice> device = gdi::RasterDevice::Create({64, 64, 96, 96});
    return *device;
}

// Pictures drawn at their own size as well: small ones, since drawing one
// converts it whole, and a large one costs more than all its decoding.
constexpr int kLargestUnscaled = 256;

// A decoded DIB is what DibView reads.
gdi::DibView Checked(std::vector<unsigned char> const& dib) {
    gdi::DibView view;
    FUZZ_CHECK(gdi::DibView::FromPacked(dib.data(), dib.size(), view));
    FUZZ_CHECK(view.Width() > 0 && view.Height() > 0);
    return view;
}

// A DIB decoded as the drawer decodes is drawn stretched and cut.
void Draw(std::vector<unsigned char> const& dib) {
    gdi::DibView const view = Checked(dib);
    gdi::CDC dc(Device());
    dc.SetStretchBltMode(gdi::HALFTONE);
    dc.StretchPackedDIB(4, 4, 48, 40, 0, 0, view.Width(), view.Height(), dib.data(), dib.size(), gdi::DIB_RGB_COLORS,
                        gdi::SRCCOPY);
    if (view.Width() > kLargestUnscaled || view.Height() > kLargestUnscaled) return;
    dc.StretchPackedDIB(40, 40, view.Width(), view.Height(), 0, 0, view.Width(), view.Height(), dib.data(), dib.size(),
                        gdi::DIB_RGB_COLORS, gdi::SRCCOPY);
}

template <class Check, class Decode>
void Decoded(uint8_t const* data, size_t size, Check check, Decode decode) {
    size_t const needed = check(data, size);
    if (needed == 0 || needed > kLargestDecoded) return;
    std::vector<unsigned char> dib(needed);
    if (decode(data, size, dib.data(), dib.size()) > 0) Checked(dib);
}

// Within bounds as the drawer decodes, shown at a third of the width and a
// fifth of the height, so that the reductions run.
void DecodedWithin(std::function<gdi::DecodeResult(gdi::DecodeBounds const&, std::vector<unsigned char>&)> decode) {
    gdi::DecodeBounds bounds;
    bounds.shownAt = [](gdi::DeclaredPicture const& d) { return gdi::SIZE{d.width / 3, d.height / 5}; };
    bounds.bytes = kLargestDecoded;
    std::vector<unsigned char> dib;
    if (decode(bounds, dib) == gdi::DecodeResult::Decoded)
        Draw(dib);
    else
        FUZZ_CHECK(dib.empty());
}

// Played as the drawer plays a picture: an anisotropic mapping onto its box.
void Play(gdi::HMETAFILE metafile) {
    gdi::CDC dc(Device());
    dc.SaveDC();
    dc.SetMapMode(gdi::MM_ANISOTROPIC);
    dc.SetViewportOrg(8, 8);
    dc.SetViewportExt(48, 40);
    dc.PlayMetaFile(metafile);
    dc.RestoreDC(-1);
}

// A bitmap file sent to a printer in bands, as `ksdvi print` sends pages.
void PrintInBands(uint8_t const* data, size_t size) {
    static std::string const path = ScratchFile("page.bmp");
    WriteFile(path, data, size);
    CGSFile file;
    if (!file.Open(path.c_str(), 0)) return;
    CPrintDIB dib;
    if (!dib.ReadHeader(&file)) return;
    FUZZ_CHECK(dib.GetStride() > 0 && dib.GetStride() <= CPrintDIB::kBandBytes);
    gdi::CDC dc(Device());
    std::vector<unsigned char> line(dib.GetStride());
    for (int y = 0; y < dib.GetHeader().biHeight; ++y) {
        if (file.Read(line.data(), dib.GetStride()) != dib.GetStride()) break;
        dib.AddPrintLine(&dc, static_cast<unsigned>(y + 1), line.data());
        FUZZ_CHECK(dib.GetUsed() <= CPrintDIB::kBandBytes);
    }
    dib.FlushPrintBitmap(&dc);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    Device();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    Decoded(data, size, ksdvi::jpg::check_dib_size, ksdvi::jpg::Jpg2Dib);
    Decoded(data, size, ksdvi::jpg::check_gif_size, ksdvi::jpg::Gif2Dib);
    Decoded(data, size, ksdvi::jpg::check_bmp_size, ksdvi::jpg::Bmp2Dib);
    PrintInBands(data, size);
    using ksdvi::jpg::DecodeBmp, ksdvi::jpg::DecodeGif, ksdvi::jpg::DecodeJpg;
    for (auto decoder : {DecodeJpg, DecodeGif, DecodeBmp})
        DecodedWithin(
            [&](gdi::DecodeBounds const& b, std::vector<unsigned char>& dib) { return decoder(data, size, b, dib); });

    std::string const bytes(reinterpret_cast<char const*>(data), size);
    std::istringstream png(bytes);
    std::vector<unsigned char> dib = ksdvi::png::ReadPngDib(png);
    if (!dib.empty()) Checked(dib);
    DecodedWithin([&](gdi::DecodeBounds const& b, std::vector<unsigned char>& out) {
        std::istringstream stream(bytes);
        return ksdvi::png::DecodePng(stream, b, out);
    });

    std::istringstream placeable(bytes);
    WinMetafile metafile;
    if (metafile.Read(placeable)) Play(metafile.GetHandle());
    if (gdi::HMETAFILE records = gdi::SetMetaFileBitsEx(static_cast<gdi::UINT>(size), data)) {
        Play(records);
        gdi::DeleteMetaFile(records);
    }
    return 0;
}

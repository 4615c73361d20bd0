#include "render/TransparentPagePainter.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Bitmap.h"

namespace ksdvi {

using namespace gdi;

namespace {

constexpr int kBandBytes = 32000;

int RowsPerBand(int bits, int w, int h) {
    int stride = ((bits * w + 31) >> 3) & ~3;
    return std::clamp(stride > 0 ? kBandBytes / stride : h, 1, h);
}

}  // namespace

void TransparentPagePainter::OutputPage(int w, int h) {
    if (done) return;
    done = 1;
    if (w < 1 || h < 1) return;
    CDC memory;
    if (!memory.CreateCompatibleDC(reference_)) return;
    GS* gs = GetGS();
    gs->LockGSDevice();
    std::vector<unsigned char> infoBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
    gs->GetBitmapRow(&info->bmiHeader, info->bmiColors, nullptr, 0);
    // The page's white becomes 1 in the mask and leaves the page alone;
    // everything else whitens the page beneath it.
    CBitmap mask;
    int maskRows = RowsPerBand(1, w, h);
    if (mask.CreateBitmap(w, maskRows, 1, 1, nullptr)) {
        memory.SelectObject(&mask);
        Transfer(*gs, memory, *info, w, h, maskRows, MERGEPAINT);
    }
    // The colours land on the whitened area; white leaves the page as it is.
    CBitmap colour;
    int colourRows = RowsPerBand(24, w, h);
    if (colour.CreateCompatibleBitmap(reference_, w, colourRows)) {
        memory.SelectObject(&colour);
        Transfer(*gs, memory, *info, w, h, colourRows, SRCAND);
    }
    gs->UnlockGSDevice();
}

void TransparentPagePainter::Transfer(GS& gs, CDC& memory, BITMAPINFO& info, int w, int h, int band, DWORD rop) {
    BITMAPINFOHEADER const whole = info.bmiHeader;
    for (int done = 0; done < h;) {
        int rows = std::min(band, h - done);
        unsigned char* data = nullptr;
        if (!gs.GetBitmapRow(nullptr, nullptr, &data, static_cast<unsigned>(h - done - rows)) || !data) break;
        info.bmiHeader.biHeight = rows;  // the band, bottom-up from the pointer
        memory.SetDIBitsToDevice(0, 0, static_cast<DWORD>(w), static_cast<DWORD>(rows), 0, 0, 0,
                                 static_cast<UINT>(rows), data, &info, DIB_RGB_COLORS);
        out_->BitBlt(left_, bottom_ - h + done, w, rows, &memory, 0, 0, rop);
        done += rows;
    }
    info.bmiHeader = whole;
}

}  // namespace ksdvi

#include "render/CoveragePainter.h"

#include <algorithm>

#include "platform/gdi/Bitmap.h"

namespace ksdvi {

using namespace gdi;

namespace {

constexpr int kBandBytes = 32000;

int Stride(int w) { return ((24 * w + 31) >> 3) & ~3; }

// A 24-bit pixel, blue first, of at least half the light of white.
bool Light(unsigned char const* p) { return p[2] * 299 + p[1] * 587 + p[0] * 114 >= 128000; }

}  // namespace

void CoveragePainter::OutputPage(int w, int h) {
    if (done_) return;
    done_ = true;
    if (w < 1 || h < 1) return;
    GS* gs = GetGS();
    gs->LockGSDevice();
    BITMAPINFOHEADER header{};
    unsigned char* bits = nullptr;
    if (gs->GetBitmapRow(&header, nullptr, &bits, 0) && bits && header.biBitCount == 24) {
        if (!onBlack_)
            KeepLight(bits, w, h, Stride(w));
        else if (width_ == w && height_ == h)
            Paint(*gs, w, h);
    }
    gs->UnlockGSDevice();
}

void CoveragePainter::KeepLight(unsigned char const* bits, int w, int h, int stride) {
    width_ = w;
    height_ = h;
    light_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), false);
    for (int y = 0; y < h; ++y) {
        unsigned char const* row = bits + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(stride);
        for (int x = 0; x < w; ++x) light_[static_cast<size_t>(y) * w + x] = Light(row + 3 * x);
    }
}

// The page keeps its pixels where the run on white was light and the run on
// black dark (ANDed with white), and is blackened elsewhere; then the run on
// black is ORed over it, black where nothing was drawn.
void CoveragePainter::Paint(GS& gs, int w, int h) {
    int const stride = Stride(w);
    int const band = std::clamp(kBandBytes / stride, 1, h);
    CDC memory;
    CBitmap bitmap;
    if (!memory.CreateCompatibleDC(reference_) || !bitmap.CreateCompatibleBitmap(reference_, w, band)) return;
    memory.SelectObject(&bitmap);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    std::vector<unsigned char> keep(static_cast<size_t>(stride) * static_cast<size_t>(band));
    for (int done = 0; done < h;) {
        int const rows = std::min(band, h - done);
        unsigned char* data = nullptr;
        if (!gs.GetBitmapRow(nullptr, nullptr, &data, static_cast<unsigned>(h - done - rows)) || !data) break;
        // The band's rows bottom-up, as the job's are.
        for (int r = 0; r < rows; ++r) {
            int const y = done + rows - 1 - r;  // from the top
            unsigned char const* black = data + static_cast<size_t>(r) * stride;
            unsigned char* out = keep.data() + static_cast<size_t>(r) * stride;
            for (int x = 0; x < w; ++x) {
                bool const nothing = light_[static_cast<size_t>(y) * w + x] && !Light(black + 3 * x);
                std::fill_n(out + 3 * x, 3, nothing ? 0xFF : 0x00);
            }
        }
        info.bmiHeader.biHeight = rows;
        int const top = bottom_ - h + done;
        memory.SetDIBitsToDevice(0, 0, static_cast<DWORD>(w), static_cast<DWORD>(rows), 0, 0, 0,
                                 static_cast<UINT>(rows), keep.data(), &info, DIB_RGB_COLORS);
        out_->BitBlt(left_, top, w, rows, &memory, 0, 0, SRCAND);
        memory.SetDIBitsToDevice(0, 0, static_cast<DWORD>(w), static_cast<DWORD>(rows), 0, 0, 0,
                                 static_cast<UINT>(rows), data, &info, DIB_RGB_COLORS);
        out_->BitBlt(left_, top, w, rows, &memory, 0, 0, SRCPAINT);
        done += rows;
    }
}

}  // namespace ksdvi

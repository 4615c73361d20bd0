// The handle-based Win32 forms of the calls, for code written against HDC
// rather than CDC. Each forwards to the CDC member of the same name.
#pragma once

#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {

inline int GetDeviceCaps(HDC dc, int index) { return dc ? dc->GetDeviceCaps(index) : 0; }
inline HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background) {
    return dc ? dc->SelectPalette(palette, background) : nullptr;
}
inline UINT RealizePalette(HDC dc) { return dc ? dc->RealizePalette() : 0; }
inline int SetStretchBltMode(HDC dc, int mode) { return dc ? dc->SetStretchBltMode(mode) : 0; }
inline int GetClipBox(HDC dc, RECT* box) { return dc ? dc->GetClipBox(box) : ERROR; }
inline int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
    if (!dc || !r || !brush) return 0;
    dc->FillRect(r, brush);
    return 1;
}
inline BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
    return dc ? dc->TextOutA(x, y, text, count) : FALSE;
}
inline int StretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                         const BITMAPINFO* info, UINT usage, DWORD rop) {
    return dc ? dc->StretchDIBits(x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop) : 0;
}

}  // namespace ksdvi::gdi

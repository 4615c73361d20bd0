// The handle-based Win32 forms of the calls, for code written against HDC
// rather than CDC. Each forwards to the CDC member of the same name.
#pragma once

#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {

inline int GetDeviceCaps(HDC dc, int index) { return dc ? dc->GetDeviceCaps(index) : 0; }
inline int SaveDC(HDC dc) { return dc ? dc->SaveDC() : 0; }
inline BOOL RestoreDC(HDC dc, int saved) { return dc ? dc->RestoreDC(saved) : FALSE; }
inline HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) { return dc ? dc->SelectObject(object) : nullptr; }
inline HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background) {
    return dc ? dc->SelectPalette(palette, background) : nullptr;
}
inline UINT RealizePalette(HDC dc) { return dc ? dc->RealizePalette() : 0; }
inline int SetStretchBltMode(HDC dc, int mode) { return dc ? dc->SetStretchBltMode(mode) : 0; }
inline COLORREF SetTextColor(HDC dc, COLORREF c) { return dc ? dc->SetTextColor(c) : CLR_INVALID; }
inline COLORREF SetBkColor(HDC dc, COLORREF c) { return dc ? dc->SetBkColor(c) : CLR_INVALID; }
inline int SetBkMode(HDC dc, int mode) { return dc ? dc->SetBkMode(mode) : 0; }
inline int GetClipBox(HDC dc, RECT* box) { return dc ? dc->GetClipBox(box) : ERROR; }
inline int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
    if (!dc || !r || !brush) return 0;
    dc->FillRect(r, brush);
    return 1;
}
inline BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
    return dc ? dc->TextOutA(x, y, text, count) : FALSE;
}
inline BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                        const int* dx) {
    return dc ? dc->ExtTextOutW(x, y, options, rect, text, count, dx) : FALSE;
}
inline BOOL BitBlt(HDC dc, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    return dc ? dc->BitBlt(x, y, w, h, src, sx, sy, rop) : FALSE;
}
inline BOOL StretchBlt(HDC dc, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
    return dc ? dc->StretchBlt(x, y, w, h, src, sx, sy, sw, sh, rop) : FALSE;
}
inline int StretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                         const BITMAPINFO* info, UINT usage, DWORD rop) {
    return dc ? dc->StretchDIBits(x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop) : 0;
}
inline int SetDIBitsToDevice(HDC dc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT startScan, UINT scanLines,
                             const void* bits, const BITMAPINFO* info, UINT usage) {
    return dc ? dc->SetDIBitsToDevice(x, y, w, h, sx, sy, startScan, scanLines, bits, info, usage) : 0;
}

// A new memory context, deleted by DeleteDC.
HDC CreateCompatibleDC(HDC reference);
BOOL DeleteDC(HDC dc);

}  // namespace ksdvi::gdi

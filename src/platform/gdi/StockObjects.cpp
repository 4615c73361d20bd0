// The stock objects: immutable, made once, never deleted.
#include <array>
#include <cstring>

#include "platform/gdi/Brush.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Palette.h"
#include "platform/gdi/Pen.h"

namespace ksdvi::gdi {

namespace {

struct StockObjects {
    CBrush brushes[6];
    CPen pens[3];
    CFont fonts[7];
    CPalette palette;

    StockObjects() {
        const COLORREF greys[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                                   RGB(0, 0, 0)};
        for (int i = 0; i < 5; ++i) brushes[i].CreateSolidBrush(greys[i]);
        LOGBRUSH null{BS_NULL, 0, 0};
        brushes[5].CreateBrushIndirect(&null);
        pens[0].CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
        pens[1].CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
        pens[2].CreatePen(PS_NULL, 0, RGB(0, 0, 0));
        // OEM_FIXED_FONT to DEFAULT_GUI_FONT, by fontconfig's generic names.
        const char* faces[7] = {"monospace",  "monospace", "sans-serif", "sans-serif",
                                "sans-serif", "monospace", "sans-serif"};
        for (int i = 0; i < 7; ++i)
            fonts[i].CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, faces[i]);
        // The twenty static colours of the system palette.
        static constexpr std::array<std::array<BYTE, 3>, 20> kStatic = {
            {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
             {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
             {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
             {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}}};
        std::vector<PALETTEENTRY> entries;
        for (const auto& c : kStatic) entries.push_back({c[0], c[1], c[2], 0});
        palette.AdoptEntries(std::move(entries));
        for (auto& b : brushes) b.MarkStock();
        for (auto& p : pens) p.MarkStock();
        for (auto& f : fonts) f.MarkStock();
        palette.MarkStock();
    }
};

}  // namespace

HGDIOBJ GetStockObject(int index) {
    static StockObjects stock;
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return &stock.brushes[index];
    if (index >= WHITE_PEN && index <= NULL_PEN) return &stock.pens[index - WHITE_PEN];
    if (index >= OEM_FIXED_FONT && index <= DEVICE_DEFAULT_FONT) return &stock.fonts[index - OEM_FIXED_FONT];
    if (index == DEFAULT_PALETTE) return &stock.palette;
    if (index == SYSTEM_FIXED_FONT) return &stock.fonts[5];
    if (index == DEFAULT_GUI_FONT) return &stock.fonts[6];
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ h) {
    if (!h || h->IsStock()) return FALSE;
    if (h->IsOwnedByHandle()) {
        delete h;
        return TRUE;
    }
    return h->DeleteObject();
}

}  // namespace ksdvi::gdi

// "#" records of the text and drawing state: '#', a big-endian 16-bit code,
// then its operands, big-endian. Text sizes and pen widths are record units,
// 1/R inch, converted to device dots; the document keeps the Windows-font
// text state, the process the drawing values. The resolution (0), the face
// names (2), the picture records (16 to 19) and codes not known here are
// declined and left to the drawer and the document.

#include <algorithm>
#include <cstdint>

#include "dvi/KsDvi.h"
#include "render/GdiSpecialInterpreter.h"
#include "render/SharedDrawingValues.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr unsigned kFirstPathCode = 0x100;

COLORREF ReadRgb(RecordReader& record) {
    unsigned r = record.UInt8(), g = record.UInt8(), b = record.UInt8();
    return RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b));
}

// Stores a value read from the record, unless the record ended before it;
// the record is taken either way.
template <typename Field, typename Value>
bool Store(RecordReader const& record, Field& field, Value value) {
    if (record.Ok()) field = static_cast<Field>(value);
    return true;
}

}  // namespace

bool GdiSpecialInterpreter::PlayStateRecord(RecordReader& record) {
    unsigned code = record.UInt16();
    if (!record.Ok()) return false;
    if (code >= kFirstPathCode) {
        bool declined = code >= 0x108 && code <= 0x10F;
        bool known = code <= 0x107 || (code >= 0x110 && code <= 0x117) || (code >= 0x120 && code <= 0x12E) ||
                     code == 0x130 || code == 0x420;
        if (declined || !known) return false;
        PlayPathRecord(code, record);
        return true;
    }
    if (code >= 0x20) return PlayColourRecord(code, record);

    KsDvi* dvi = canvas_.Document();
    if (!dvi) return false;
    KsDvi::WinFontTextState& text = dvi->GetWinFontTextState();
    auto size = [&](int32_t& field, int negativeEscapement) {
        int value = record.Int16();
        if (!record.Ok()) return;
        int p = canvas_.RecordUnitsToDots(value);
        field = p < 0 ? -p : p;
        text.escapement = p < 0 ? negativeEscapement : 0;
    };
    switch (code) {
    case 1: {
        COLORREF colour = ReadRgb(record);
        if (record.Ok()) dc_->SetTextColor(colour);
        return true;
    }
    case 3: return Store(record, text.faceIndex, record.UInt32());
    case 4: size(text.charWidth, 900); return true;
    case 5: size(text.charHeight, 2700); return true;
    case 6: text.bold = 1; return true;
    case 7: text.bold = 0; return true;
    case 8: text.italic = 1; return true;
    case 9: text.italic = 0; return true;
    case 10: return Store(record, text.textScale, record.UInt8());
    case 11: return Store(record, text.escapement, record.Int16());
    case 20: return true;  // its value is not used
    case 24: return Store(record, shared_->modeValue, record.UInt32()) && Store(record, shared_->modeValueSet, true);
    default: return false;
    }
}

// Codes 0x20 to 0x41: the pen, the brush, the colour entries and the drawing mode.
bool GdiSpecialInterpreter::PlayColourRecord(unsigned code, RecordReader& record) {
    SharedDrawingValues& v = *shared_;
    auto solidBrush = [&](COLORREF c) {
        v.brushColour = c;
        v.brushKind = SharedDrawingValues::kSolidBrush;
        v.brushPattern.reset();
    };
    // Entries are numbered from 1; others are ignored.
    auto entry = [&]() -> SharedDrawingValues::ColourEntry* {
        unsigned n = record.UInt32();
        return record.Ok() && n >= 1 && n <= SharedDrawingValues::kColourEntries ? &v.entries[n - 1] : nullptr;
    };
    switch (code) {
    case 0x20: {
        int style = record.Int16(), width = record.Int16();
        if (!record.Ok()) return true;
        v.penStyle = static_cast<int16_t>(style);
        v.penWidth = std::max(canvas_.RecordUnitsToDots(width), 1);
        return true;
    }
    case 0x21:
        v.penStyle = 0;
        v.penWidth = 1;
        return true;
    case 0x22:
    case 0x23:
    case 0x24: {
        COLORREF c = ReadRgb(record);
        if (!record.Ok()) return true;
        if (code != 0x23) v.penColour = c;
        if (code != 0x22) solidBrush(c);
        return true;
    }
    case 0x26:
    case 0x27: {
        SharedDrawingValues::ColourEntry* e = entry();
        unsigned r = record.UInt8(), g = record.UInt8(), b = record.UInt8();
        int kind = code == 0x26 ? SharedDrawingValues::kSolidBrush : static_cast<int>(record.UInt8());
        if (!e || !record.Ok()) return true;
        *e = SharedDrawingValues::ColourEntry{static_cast<uint16_t>(r), static_cast<uint16_t>(g),
                                              static_cast<uint16_t>(b), static_cast<int16_t>(kind), nullptr};
        return true;
    }
    case 0x28: {
        SharedDrawingValues::ColourEntry* e = entry();
        int width = static_cast<int>(record.UInt16()), height = static_cast<int>(record.UInt16());
        unsigned planes = record.UInt8(), bitsPerPixel = record.UInt8();
        // A brush pattern: small, whatever the record claims (sides of up to
        // 65,535 pixels, whose product an int does not hold).
        if (!e || !record.Ok() || width <= 0 || height <= 0 || int64_t{width} * height > 256 * 256) return true;
        auto pattern = std::make_shared<CBitmap>();
        if (!pattern->CreateBitmap(width, height, planes, bitsPerPixel, record.Here(), record.Left())) return true;
        e->kind = SharedDrawingValues::kPatternBrush;
        e->pattern = std::move(pattern);
        return true;
    }
    case 0x29:
    case 0x2C:
    case 0x2F: {
        SharedDrawingValues::ColourEntry* e = entry();
        if (!e) return true;
        COLORREF c = RGB(static_cast<BYTE>(e->red), static_cast<BYTE>(e->green), static_cast<BYTE>(e->blue));
        if (code != 0x2C && !e->pattern) v.penColour = c;
        if (code != 0x29) {
            v.brushKind = e->kind;
            v.brushPattern = e->pattern;
            if (!e->pattern) v.brushColour = c;
        }
        return true;
    }
    case 0x2A:
    case 0x2D:
    case 0x30:
        if (code != 0x2D) v.penColour = RGB(0, 0, 0);
        if (code != 0x2A) solidBrush(RGB(0, 0, 0));
        return true;
    case 0x2B:
    case 0x31: v.penColour = RGB(255, 255, 255); [[fallthrough]];
    case 0x2E: solidBrush(RGB(255, 255, 255)); return true;
    case 0x40: return Store(record, v.rop2, record.UInt8());
    case 0x41: return Store(record, v.rasterOperation, record.UInt32());
    default: return false;  // 0x25, 0x32 to 0x3F and the rest
    }
}

// "GDI" records: "GDI", a big-endian 16-bit opcode, then its operands.
// Coordinates are 1/resX and 1/resY inch from the paper's top-left corner.
// Point lists and the fields of the pen, brush, clip and bitmap records are
// little-endian, everything else big-endian. A bare record (opcode only)
// resets the object it names; unknown opcodes are taken and do nothing.
//
// Operand layouts of our own:
//   0x8002 pattern brush  after the hatch: a packed DIB (BITMAPINFOHEADER
//                         first), else 16 bytes of an 8 x 8 one-bit bitmap,
//                         rows padded to 16 bits; anything else: no brush
//   0x800e                x, y, width, height (the whole stored DIB)

#include <cstring>

#include "platform/gdi/Dib.h"
#include "platform/jpg/JpgLib.h"
#include "render/GdiSpecialInterpreter.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr unsigned kBareLength = 5;
// Embedded records within embedded records: deep enough for any writer,
// shallow enough for the stack.
constexpr int kMaxEmbedding = 8;
// Bitmaps a record may make, in pixels.
constexpr int64_t kMaxBitmapPixels = int64_t{1} << 22;

enum Opcode : unsigned {
    kPolyBezier = 0x0001,
    kLine = 0x0004,
    kRectangle = 0x0006,
    kEllipse = 0x0007,
    kPolyline = 0x0012,
    kPolygonWinding = 0x0014,
    kPolygonAlternate = 0x0016,
    kPie = 0x0017,
    kChord = 0x0020,
    kPolyPolygonWinding = 0x4014,
    kPolyPolygonAlternate = 0x4016,
    kPen = 0x8001,
    kBrush = 0x8002,
    kClip = 0x8003,
    kBitmap = 0x8004,
    kBitmapTransfer = 0x8005,
    kPixel = 0x8007,
    kStoreDib = 0x8008,
    kDibPart = 0x8009,
    kAttributes = 0x800a,
    kResolution = 0x800b,
    kJpeg = 0x800c,
    kGif = 0x800d,
    kWholeDib = 0x800e,
    kEmbedded = 0x80FF,
};

COLORREF ColourOf(uint32_t v) { return v & 0x00FFFFFF; }

}  // namespace

void GdiSpecialInterpreter::PlayGdiRecord(unsigned char const* bytes, unsigned int length, int depth) {
    RecordReader record(bytes + 3, bytes + length);
    unsigned opcode = record.UInt16();
    if (!record.Ok()) return;
    bool bare = length == kBareLength;
    switch (opcode) {
    case kPen: SetPen(record, bare); break;
    case kBrush: SetBrush(record, bare); break;
    case kClip: SetClip(record, bare); break;
    case kBitmap: SetBitmap(record); break;
    case kAttributes: SetAttributes(record, bare); break;
    case kResolution: {
        unsigned x = bare ? 300 : record.UInt16(), y = bare ? 300 : record.UInt16();
        if (record.Ok() && x > 0 && y > 0) resX_ = x, resY_ = y;
        break;
    }
    case kStoreDib:
        if (record.Left() >= sizeof(BITMAPINFOHEADER)) dib_.assign(record.Here(), record.Here() + record.Left());
        break;
    case kJpeg:
    case kGif: DecodePicture(opcode, record); break;
    case kEmbedded:
        if (depth < kMaxEmbedding) PlayEmbedded(record, depth + 1);
        break;
    case kBitmapTransfer:
    case kPixel:
    case kDibPart:
    case kWholeDib: PlayTransfer(opcode, record); break;
    default: PlayShape(opcode, record); break;
    }
}

// Each embedded record follows a tag 0xEF to 0xF2 that gives the width of its
// big-endian length (1 to 4 bytes); a record that does not fit ends the run.
void GdiSpecialInterpreter::PlayEmbedded(RecordReader& record, int depth) {
    while (record.Left() > 0) {
        unsigned tag = record.UInt8();
        if (tag < 0xEF || tag > 0xF2) return;
        unsigned size = record.UIntOf(static_cast<int>(tag - 0xEF + 1));
        unsigned char const* inner = record.Bytes(size);
        if (!inner) return;
        if (size == kBareLength) continue;
        if (size >= 3 && std::memcmp(inner, "GDI", 3) == 0) {
            PlayGdiRecord(inner, size, depth);
        } else if (size >= 3 && inner[0] == '#') {
            RecordReader state(inner + 1, inner + size);
            PlayStateRecord(state);
        }
    }
}

void GdiSpecialInterpreter::PlayShape(unsigned opcode, RecordReader& record) {
    std::vector<POINT> points;
    std::vector<int> counts;
    unsigned count = record.UInt16();
    switch (opcode) {
    case kPolyBezier:
    case kPolyline:
    case kPolygonWinding:
    case kPolygonAlternate: break;
    case kLine:
    case kRectangle:
    case kEllipse: count = 2; break;
    case kPie:
    case kChord: count = 4; break;
    case kPolyPolygonWinding:
    case kPolyPolygonAlternate: {
        // `count` polygons: their point counts, then all points.
        if (record.Left() / 2 < count) return;
        unsigned total = 0;
        for (unsigned i = 0; i < count; ++i) {
            counts.push_back(static_cast<int>(record.UInt16()));
            total += static_cast<unsigned>(counts.back());
        }
        count = total;
        break;
    }
    default: return;  // unknown: taken, nothing drawn
    }
    if (!record.Ok() || !ReadPoints(record, count, points) || points.empty()) return;

    Prologue();
    POINT const* p = points.data();
    int n = static_cast<int>(points.size());
    switch (opcode) {
    case kPolyBezier: dc_->PolyBezier(p, n); break;
    case kLine: {
        // A geometric pen of the current pen's kind, or of the context's.
        LOGPEN style;
        if (CPen* current = pen_ ? pen_.get() : dc_->GetCurrentPen()) current->GetLogPen(&style);
        LOGBRUSH colour{BS_SOLID, style.lopnColor, 0};
        CPen line;
        line.CreatePen(static_cast<int>(PS_GEOMETRIC | (style.lopnStyle & PS_STYLE_MASK)), style.lopnWidth.x, &colour);
        dc_->SelectObject(&line);
        dc_->MoveTo(p[0].x, p[0].y);
        dc_->LineTo(p[1].x, p[1].y);
        break;
    }
    case kRectangle: dc_->Rectangle(p[0].x, p[0].y, p[1].x, p[1].y); break;
    case kEllipse: dc_->Ellipse(p[0].x, p[0].y, p[1].x, p[1].y); break;
    case kPolyline: dc_->Polyline(p, n); break;
    case kPolygonWinding:
    case kPolygonAlternate:
        dc_->SetPolyFillMode(opcode == kPolygonWinding ? WINDING : ALTERNATE);
        dc_->Polygon(p, n);
        break;
    case kPie: dc_->Pie(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y); break;
    case kChord: dc_->Chord(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y); break;
    default:
        dc_->SetPolyFillMode(opcode == kPolyPolygonWinding ? WINDING : ALTERNATE);
        dc_->PolyPolygon(p, counts.data(), static_cast<int>(counts.size()));
        break;
    }
    Epilogue();
}

void GdiSpecialInterpreter::PlayTransfer(unsigned opcode, RecordReader& record) {
    if (opcode == kPixel) {
        int x = static_cast<int>(record.UInt16()), y = static_cast<int>(record.UInt16());
        COLORREF colour = ColourOf(record.UInt32());
        if (record.Ok()) dc_->SetPixel(DeviceX(x), DeviceY(y), colour);
        return;
    }
    // Signed fields, but for the whole-DIB record's four unsigned ones.
    auto field = [&] { return opcode == kWholeDib ? static_cast<int>(record.UInt16()) : record.Int16(); };
    int x = field(), y = field();
    int f[6] = {};
    int fields = opcode == kBitmapTransfer ? 4 : opcode == kDibPart ? 6 : 2;
    for (int i = 0; i < fields; ++i) f[i] = field();
    DWORD rop = opcode == kWholeDib ? SRCCOPY : record.UInt32();
    if (!record.Ok()) return;
    int dx = DeviceX(x), dy = DeviceY(y);

    Prologue();
    if (opcode == kBitmapTransfer) {
        auto [sw, sh, w, h, unused1, unused2] = f;
        if (bitmap_) {
            CDC memory;
            memory.CreateCompatibleDC(dc_);
            memory.SelectObject(bitmap_.get());
            dc_->SetStretchBltMode(COLORONCOLOR);
            dc_->StretchBlt(dx, dy, SizeX(w), SizeY(h), &memory, 0, 0, sw, sh, rop);
        } else {
            // No source: the operation combines the brush with the page.
            dc_->BitBlt(dx, dy, SizeX(w), SizeY(h), nullptr, 0, 0, rop);
        }
    } else if (!dib_.empty()) {
        if (opcode == kDibPart) {
            auto [w, h, sx, sy, sw, sh] = f;
            dc_->StretchPackedDIB(dx, dy, SizeX(w), SizeY(h), sx, sy, sw, sh, dib_.data(), dib_.size(), DIB_RGB_COLORS,
                                  rop);
        } else if (DibView view; DibView::FromPacked(dib_.data(), dib_.size(), view)) {
            dc_->StretchPackedDIB(dx, dy, SizeX(f[0]), SizeY(f[1]), 0, 0, view.Width(), view.Height(), dib_.data(),
                                  dib_.size(), DIB_RGB_COLORS, rop);
        }
    }
    Epilogue();
}

void GdiSpecialInterpreter::SetPen(RecordReader& record, bool bare) {
    pen_.reset();
    if (bare) return;
    LOGPEN logPen;
    logPen.lopnStyle = record.UInt16Le();
    int wx = record.Int16Le();
    record.Int16Le();  // GDI reads only the x width
    logPen.lopnColor = ColourOf(record.UInt32Le());
    if (!record.Ok()) return;
    logPen.lopnWidth.x = SizeX(wx);
    pen_ = std::make_unique<CPen>();
    if (!pen_->CreatePenIndirect(&logPen)) pen_.reset();
}

void GdiSpecialInterpreter::SetBrush(RecordReader& record, bool bare) {
    brush_.reset();
    if (bare) return;
    unsigned style = record.UInt16Le();
    COLORREF colour = ColourOf(record.UInt32Le());
    int hatch = record.Int16Le();
    if (!record.Ok()) return;
    auto brush = std::make_unique<CBrush>();
    BOOL made = FALSE;
    if (style == BS_SOLID) {
        made = brush->CreateSolidBrush(dc_->GetNearestColor(colour));
    } else if (style == BS_HATCHED) {
        made = brush->CreateHatchBrush(hatch, dc_->GetNearestColor(colour));
    } else if (style != BS_NULL) {
        size_t left = record.Left();
        unsigned char const* data = record.Here();
        uint32_t headerSize = 0;
        if (left >= 4) std::memcpy(&headerSize, data, 4);
        if (headerSize == sizeof(BITMAPINFOHEADER) && left >= headerSize) {
            made = brush->CreateDIBPatternBrushPt(data, DIB_RGB_COLORS, left);
        } else if (left >= 16) {
            CBitmap pattern;
            if (pattern.CreateBitmap(8, 8, 1, 1, data, 16)) made = brush->CreatePatternBrush(&pattern);
        }
    }
    if (!made) brush.reset();
    brush_ = std::move(brush);
}

void GdiSpecialInterpreter::SetClip(RecordReader& record, bool bare) {
    dc_->SelectClipRgn(nullptr);
    clipRect_.reset();
    clipRegion_.reset();
    if (bare) return;
    int l = record.Int16Le(), t = record.Int16Le(), r = record.Int16Le(), b = record.Int16Le();
    if (!record.Ok()) return;
    clipRect_ = RECT{DeviceX(l), DeviceY(t), DeviceX(r), DeviceY(b)};
    clipRegion_ = std::make_unique<CRgn>();
    clipRegion_->CreateRectRgnIndirect(&*clipRect_);
    dc_->SelectClipRgn(clipRegion_.get());
}

void GdiSpecialInterpreter::SetBitmap(RecordReader& record) {
    int width = record.Int16Le(), height = record.Int16Le();
    record.Int16Le();  // bytes a row: rows are padded to 16 bits anyway
    record.Int16Le();  // planes again, as GDI's BITMAP has them
    unsigned planes = record.UInt8(), bitsPerPixel = record.UInt8();
    if (!record.Ok() || width <= 0 || height <= 0 || int64_t{width} * height > kMaxBitmapPixels) return;
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateBitmap(width, height, planes, bitsPerPixel, record.Here(), record.Left())) return;
    bitmap_ = std::move(bitmap);
}

// Fields: ROP2 mode at 0, background mode at 2, background colour at 24, text
// colour at 28, stretch mode at 36; the rest is kept and not read.
void GdiSpecialInterpreter::SetAttributes(RecordReader& record, bool bare) {
    if (bare) {
        attributes_.fill(0);
        attributesSet_ = false;
        return;
    }
    unsigned char const* block = record.Bytes(kAttributeBytes);
    if (!block) return;
    std::memcpy(attributes_.data(), block, kAttributeBytes);
    attributesSet_ = true;
    ApplyAttributes();
}

void GdiSpecialInterpreter::ApplyAttributes() {
    RecordReader block(attributes_.data(), attributes_.data() + kAttributeBytes);
    int rop2 = static_cast<int>(block.UInt16());
    int bkMode = static_cast<int>(block.UInt16());
    block.Bytes(20);
    COLORREF bkColour = ColourOf(block.UInt32());
    COLORREF textColour = ColourOf(block.UInt32());
    block.Bytes(4);
    int stretchMode = static_cast<int>(block.UInt16());
    dc_->SetBkMode(bkMode);
    dc_->SetROP2(rop2);
    dc_->SetBkColor(bkColour);
    dc_->SetTextColor(textColour);
    dc_->SetStretchBltMode(stretchMode);
}

// A picture of a record is decoded at its own size, to be drawn later at
// any size and part: within the page's picture budget and time limit, or not
// at all.
void GdiSpecialInterpreter::DecodePicture(unsigned opcode, RecordReader& record) {
    size_t size = record.Left();
    unsigned char const* file = record.Here();
    std::vector<unsigned char> dib;
    gdi::DecodeBounds const bounds = canvas_.PictureBounds();
    gdi::DecodeResult result =
        opcode == kJpeg ? jpg::DecodeJpg(file, size, bounds, dib) : jpg::DecodeGif(file, size, bounds, dib);
    if (result == gdi::DecodeResult::Decoded && canvas_.ChargePicture(dib)) dib_ = std::move(dib);
}

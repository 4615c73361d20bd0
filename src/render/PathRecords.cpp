// "#" path records, codes 0x100 to 0x12E: a figure in record units (1/R
// inch from the paper's corner, big-endian 16-bit; counts and flags 32-bit)
// made into a path and clipped to, stroked or filled by its drawing flags.
// The 0x10x records only clip, the 0x11x records stroke and clip, the 0x12x
// line records stroke; the other 0x12x records end with their flags.
//
// Layouts of our own: the corner byte of 0x129 picks the first corner and
// the way round (1 and 2: from (x0, y0), 3 and 4: from (x1, y1); the even ones
// turn the other way), and a segment of a general path is a flag byte and a
// 32-bit point count.

#include "render/GdiSpecialInterpreter.h"
#include "render/SharedDrawingValues.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

constexpr unsigned kClip = 1, kStroke = 2, kFillAlternate = 4, kFillWinding = 8;
constexpr unsigned kFill = kFillAlternate | kFillWinding;

enum class Figure { HorizontalLine, VerticalLine, Line, Rectangle, Points, General, None };

Figure FigureOf(unsigned code) {
    switch (code) {
    case 0x101:
    case 0x112:
    case 0x113:
    case 0x122:
    case 0x123: return Figure::HorizontalLine;
    case 0x102:
    case 0x114:
    case 0x115:
    case 0x124:
    case 0x125: return Figure::VerticalLine;
    case 0x103:
    case 0x116:
    case 0x117:
    case 0x126:
    case 0x127: return Figure::Line;
    case 0x104:
    case 0x128:
    case 0x129: return Figure::Rectangle;
    case 0x105:
    case 0x106:
    case 0x12A:
    case 0x12B:
    case 0x12C:
    case 0x12D: return Figure::Points;
    case 0x107:
    case 0x12E: return Figure::General;
    default: return Figure::None;
    }
}

// The flags a record has without reading them, or 0 when it carries its own.
unsigned FixedFlags(unsigned code) {
    if (code >= 0x101 && code <= 0x107) return kClip;
    if (code >= 0x112 && code <= 0x117) return kClip | kStroke;
    if (code >= 0x122 && code <= 0x127) return kStroke;
    return 0;
}

// Point lists hold four bytes a point: a count beyond the record is refused
// before anything is allocated.
bool CountFits(RecordReader const& record, unsigned count) { return record.Ok() && record.Left() / 4 >= count; }

}  // namespace

void GdiSpecialInterpreter::AddPoints(RecordReader& record, unsigned count, std::vector<POINT>& points) const {
    for (unsigned i = 0; i < count; ++i) {
        int x = record.Int16(), y = record.Int16();
        points.push_back(POINT{canvas_.RecordUnitsToDots(x), canvas_.RecordUnitsToDots(y)});
    }
}

void GdiSpecialInterpreter::PlayPathRecord(unsigned code, RecordReader& record) {
    SharedDrawingValues& v = *shared_;
    if (code == 0x100 || code == 0x110 || code == 0x111 || code == 0x120 || code == 0x121) {
        v.extendLines = true;
        return;
    }
    Figure figure = FigureOf(code);
    if (figure == Figure::None) return;  // taken, nothing to draw

    std::vector<POINT> points;
    std::vector<BYTE> types;
    auto add = [&](POINT p, BYTE type) {
        points.push_back(p);
        types.push_back(type);
    };
    unsigned flags = FixedFlags(code);
    switch (figure) {
    case Figure::HorizontalLine:
    case Figure::VerticalLine: {
        int x = canvas_.RecordUnitsToDots(record.Int16()), y = canvas_.RecordUnitsToDots(record.Int16());
        int length = canvas_.RecordUnitsToDots(static_cast<int>(record.UInt16()));
        int extension = v.extendLines ? 1 : 0;
        bool horizontal = figure == Figure::HorizontalLine;
        add(horizontal ? POINT{x - extension, y} : POINT{x, y - extension}, PT_MOVETO);
        add(horizontal ? POINT{x + length + extension, y} : POINT{x, y + length + extension}, PT_LINETO);
        break;
    }
    case Figure::Line:
        AddPoints(record, 2, points);
        types = {PT_MOVETO, PT_LINETO};
        break;
    case Figure::Rectangle: {
        int x0 = canvas_.RecordUnitsToDots(record.Int16()), y0 = canvas_.RecordUnitsToDots(record.Int16());
        int x1 = canvas_.RecordUnitsToDots(record.Int16()), y1 = canvas_.RecordUnitsToDots(record.Int16());
        unsigned corner = code == 0x129 ? record.UInt8() : 1;
        if (code != 0x104) flags = record.UInt32();
        if (x0 == x1 || y0 == y1) {
            // No area: the line between the corners, stroked where it was to be filled.
            add(POINT{x0, y0}, PT_MOVETO);
            add(POINT{x1, y1}, PT_LINETO);
            if (flags & kFill) flags = (flags & ~kFill) | kStroke;
            break;
        }
        POINT corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        int first = corner >= 3 ? 2 : 0, step = corner % 2 == 0 ? 3 : 1;
        for (int i = 0; i < 4; ++i)
            add(corners[(first + i * step) % 4], i == 0 ? PT_MOVETO : i == 3 ? PT_LINETO | PT_CLOSEFIGURE : PT_LINETO);
        break;
    }
    case Figure::Points: {
        unsigned count = record.UInt32();
        if (!CountFits(record, count) || count == 0) return;
        AddPoints(record, count, points);
        bool bezier = code == 0x106 || code == 0x12C || code == 0x12D;
        bool closed = code != 0x12A && code != 0x12C;
        types.assign(count, bezier ? PT_BEZIERTO : PT_LINETO);
        types[0] = PT_MOVETO;
        if (closed) add(points[0], PT_LINETO | PT_CLOSEFIGURE);
        if (code >= 0x12A) flags = record.UInt32();
        break;
    }
    case Figure::General: {
        unsigned count = record.UInt32();
        if (!CountFits(record, count) || count == 0) return;
        AddPoints(record, count, points);
        types.reserve(count);
        while (types.size() < count && record.Ok()) {
            unsigned segment = record.UInt8();
            unsigned n = record.UInt32();
            if (!record.Ok() || n == 0 || n > count - types.size()) return;
            size_t start = types.size();
            types.insert(types.end(), n, (segment & 4) ? PT_BEZIERTO : PT_LINETO);
            if ((segment & 1) || start == 0) types[start] = PT_MOVETO;
            if (segment & 8) types.back() |= PT_CLOSEFIGURE;
        }
        if (code == 0x12E) flags = record.UInt32();
        break;
    }
    case Figure::None: return;
    }
    if (!record.Ok()) return;
    if (code >= 0x104 && code <= 0x107) flags |= kClip;
    bool odd =
        code % 2 == 1 && (figure == Figure::HorizontalLine || figure == Figure::VerticalLine || figure == Figure::Line);
    DrawPath(points, types, flags, odd);
}

void GdiSpecialInterpreter::DrawPath(std::vector<POINT> const& points, std::vector<BYTE> const& types, unsigned flags,
                                     bool brushColourPen) {
    if (points.empty() || flags == 0) return;
    SharedDrawingValues& v = *shared_;
    auto pen = std::make_unique<CPen>();
    if (!(flags & (kClip | kStroke))) {
        flags |= kStroke;
        pen->CreatePen(PS_SOLID, 2, v.brushColour);
    } else {
        pen->CreatePen(v.penStyle, v.penWidth, brushColourPen ? v.brushColour : v.penColour);
    }
    auto brush = std::make_unique<CBrush>();
    if (v.brushKind == SharedDrawingValues::kSolidBrush) {
        brush->CreateSolidBrush(v.brushColour);
    } else if (v.brushKind == SharedDrawingValues::kPatternBrush) {
        if (v.brushPattern) brush->CreatePatternBrush(v.brushPattern.get());
        dc_->SetROP2(R2_COPYPEN);
        dc_->SetBkColor(RGB(255, 255, 255));
        dc_->SetTextColor(v.brushColour);
    } else {
        brush->CreateHatchBrush(v.brushKind, v.brushColour);
    }
    if (!brush->HasContents()) brush->CreateStockObject(NULL_BRUSH);
    pen_ = std::move(pen);
    brush_ = std::move(brush);
    CPen* previousPen = dc_->SelectObject(pen_.get());
    CBrush* previousBrush = dc_->SelectObject(brush_.get());

    dc_->SetROP2(v.rop2);
    dc_->BeginPath();
    dc_->PolyDraw(points.data(), types.data(), static_cast<int>(points.size()));
    dc_->EndPath();
    if (flags == kClip) {
        dc_->SelectClipPath(RGN_COPY);
    } else {
        if (flags & kClip) dc_->SelectClipRgn(nullptr, RGN_COPY);
        if (flags & kFillAlternate)
            dc_->SetPolyFillMode(ALTERNATE);
        else if (flags & kFillWinding)
            dc_->SetPolyFillMode(WINDING);
        if ((flags & kStroke) && (flags & kFill))
            dc_->StrokeAndFillPath();
        else if (flags & kStroke)
            dc_->StrokePath();
        else if (flags & kFill)
            dc_->FillPath();
        else
            dc_->AbortPath();
    }
    if (previousPen) dc_->SelectObject(previousPen);
    if (previousBrush) dc_->SelectObject(previousBrush);
}

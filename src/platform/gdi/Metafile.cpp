#include "platform/gdi/Metafile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {

namespace {

// Header: type, header size (9 words), version, size in words (32 bits),
// object count, largest record (32 bits), unused.
constexpr std::size_t kHeaderBytes = 18;
constexpr int kMaxObjects = 65535;

WORD Word(const BYTE* p) { return WORD(p[0] | p[1] << 8); }
DWORD Dword(const BYTE* p) { return DWORD(Word(p)) | DWORD(Word(p + 2)) << 16; }

// The parameters of one record, read as 16-bit words; reads past the
// record's end are refused by Has().
class Params {
public:
    Params(const BYTE* p, std::size_t bytes) : p_(p), bytes_(bytes) {}
    bool Has(std::size_t words) const { return words * 2 <= bytes_; }
    std::size_t Words() const { return bytes_ / 2; }
    int S(std::size_t i) const { return std::int16_t(Word(p_ + 2 * i)); }
    unsigned U(std::size_t i) const { return Word(p_ + 2 * i); }
    DWORD D(std::size_t i) const { return Dword(p_ + 2 * i); }
    const BYTE* Bytes(std::size_t word) const { return p_ + 2 * word; }
    std::size_t BytesFrom(std::size_t word) const { return bytes_ - std::min(bytes_, 2 * word); }

private:
    const BYTE* p_;
    std::size_t bytes_;
};

// A region record: header words, then scans of (count, top, bottom, count
// x-coordinates as left/right pairs, count again).
std::unique_ptr<CRgn> ReadRegion(const Params& r) {
    auto rgn = std::make_unique<CRgn>();
    Region region;
    if (r.Has(11)) {
        const unsigned scans = r.U(5);
        std::size_t at = 11;
        for (unsigned s = 0; s < scans && r.Has(at + 3); ++s) {
            const unsigned count = r.U(at);
            const int top = r.S(at + 1), bottom = r.S(at + 2);
            if (!r.Has(at + 3 + count + 1)) break;
            for (unsigned i = 0; i + 1 < count; i += 2)
                region = Region::Combine(region, Region(RECT{r.S(at + 3 + i), top, r.S(at + 4 + i), bottom}), RGN_OR);
            at += 3 + count + 1;
        }
    }
    rgn->Assign(std::move(region));
    return rgn;
}

class Player {
public:
    Player(CDC& dc, int objects) : dc_(dc), objects_(std::size_t(std::clamp(objects, 0, kMaxObjects))) {}

    void Record(WORD function, const Params& r);

private:
    void AddObject(std::unique_ptr<CGdiObject> object) {
        for (auto& slot : objects_) {
            if (!slot) {
                slot = std::move(object);
                return;
            }
        }
    }
    CGdiObject* Object(unsigned index) const { return index < objects_.size() ? objects_[index].get() : nullptr; }
    void SelectRegion(CGdiObject* object);
    std::vector<POINT> Points(const Params& r, std::size_t first, std::size_t count) const {
        std::vector<POINT> pts(count);
        for (std::size_t i = 0; i < count; ++i) pts[i] = {r.S(first + 2 * i), r.S(first + 2 * i + 1)};
        return pts;
    }
    void Text(int x, int y, UINT options, const RECT* rect, const Params& r, std::size_t stringWord, unsigned length,
              bool withSpacing);

    CDC& dc_;
    std::vector<std::unique_ptr<CGdiObject>> objects_;
    int saves_ = 0;
};

void Player::SelectRegion(CGdiObject* object) {
    auto* rgn = dynamic_cast<CRgn*>(object);
    if (!rgn) {
        dc_.SelectClipRgn(nullptr);
        return;
    }
    // Region records are in logical units.
    Region device;
    for (const auto& b : rgn->GetRegion().Rects()) {
        RECT r{b.x1, b.y1, b.x2, b.y2};
        dc_.LPtoDP(&r);
        device = Region::Combine(device, Region(r), RGN_OR);
    }
    CRgn mapped;
    mapped.Assign(std::move(device));
    dc_.SelectClipRgn(&mapped);
}

void Player::Text(int x, int y, UINT options, const RECT* rect, const Params& r, std::size_t stringWord,
                  unsigned length, bool withSpacing) {
    const std::size_t stringWords = (length + 1) / 2;
    if (!r.Has(stringWord + stringWords)) return;
    const char* text = reinterpret_cast<const char*>(r.Bytes(stringWord));
    std::vector<int> dx;
    const std::size_t dxWord = stringWord + stringWords;
    if (withSpacing && r.Has(dxWord + length)) {
        for (unsigned i = 0; i < length; ++i) dx.push_back(r.S(dxWord + i));
    }
    dc_.ExtTextOutA(x, y, options, rect, text, length, dx.empty() ? nullptr : dx.data());
}

void Player::Record(WORD function, const Params& r) {
    switch (function) {
    case META_SETWINDOWORG:
        if (r.Has(2)) dc_.SetWindowOrgEx(r.S(1), r.S(0), nullptr);
        break;
    case META_SETWINDOWEXT:
        if (r.Has(2)) dc_.SetWindowExtEx(r.S(1), r.S(0), nullptr);
        break;
    case META_SETVIEWPORTORG:
        if (r.Has(2)) dc_.SetViewportOrgEx(r.S(1), r.S(0), nullptr);
        break;
    case META_SETVIEWPORTEXT:
        if (r.Has(2)) dc_.SetViewportExtEx(r.S(1), r.S(0), nullptr);
        break;
    case META_OFFSETWINDOWORG:
        if (r.Has(2)) dc_.OffsetWindowOrgEx(r.S(1), r.S(0), nullptr);
        break;
    case META_OFFSETVIEWPORTORG:
        if (r.Has(2)) dc_.OffsetViewportOrgEx(r.S(1), r.S(0), nullptr);
        break;
    case META_SCALEWINDOWEXT:
        if (r.Has(4)) dc_.ScaleWindowExtEx(r.S(3), r.S(2), r.S(1), r.S(0), nullptr);
        break;
    case META_SCALEVIEWPORTEXT:
        if (r.Has(4)) dc_.ScaleViewportExtEx(r.S(3), r.S(2), r.S(1), r.S(0), nullptr);
        break;
    case META_SETMAPMODE:
        if (r.Has(1)) dc_.SetMapMode(r.S(0));
        break;
    case META_SETBKCOLOR:
        if (r.Has(2)) dc_.SetBkColor(r.D(0));
        break;
    case META_SETTEXTCOLOR:
        if (r.Has(2)) dc_.SetTextColor(r.D(0));
        break;
    case META_SETBKMODE:
        if (r.Has(1)) dc_.SetBkMode(r.S(0));
        break;
    case META_SETROP2:
        if (r.Has(1)) dc_.SetROP2(r.S(0));
        break;
    case META_SETPOLYFILLMODE:
        if (r.Has(1)) dc_.SetPolyFillMode(r.S(0));
        break;
    case META_SETSTRETCHBLTMODE:
        if (r.Has(1)) dc_.SetStretchBltMode(r.S(0));
        break;
    case META_SETTEXTALIGN:
        if (r.Has(1)) dc_.SetTextAlign(r.U(0));
        break;
    case META_SAVEDC:
        if (dc_.SaveDC()) ++saves_;
        break;
    case META_RESTOREDC:
        // Only what the metafile saved itself, never below the playback's level.
        if (r.Has(1) && r.S(0) < 0 && -r.S(0) <= saves_ && dc_.RestoreDC(r.S(0))) saves_ += r.S(0);
        break;

    case META_CREATEPENINDIRECT:
        if (r.Has(5)) {
            auto pen = std::make_unique<CPen>();
            pen->CreatePen(int(r.U(0)), r.S(1), r.D(3));
            AddObject(std::move(pen));
        } else {
            AddObject(nullptr);
        }
        break;
    case META_CREATEBRUSHINDIRECT: {
        auto brush = std::make_unique<CBrush>();
        if (r.Has(4)) {
            LOGBRUSH lb{r.U(0), r.D(1), r.U(3)};
            if (lb.lbStyle == BS_PATTERN) lb.lbStyle = BS_NULL;  // no bitmap comes with it
            if (!brush->CreateBrushIndirect(&lb)) brush->CreateSolidBrush(lb.lbColor);
        }
        AddObject(std::move(brush));
        break;
    }
    case META_DIBCREATEPATTERNBRUSH: {
        auto brush = std::make_unique<CBrush>();
        if (r.Has(2)) brush->CreateDIBPatternBrushPt(r.Bytes(2), r.U(1), r.BytesFrom(2));
        if (!brush->HasContents()) brush->CreateStockObject(NULL_BRUSH);
        AddObject(std::move(brush));
        break;
    }
    case META_CREATEPATTERNBRUSH: {
        // Old bitmap patterns are not drawn; the slot still counts.
        auto brush = std::make_unique<CBrush>();
        brush->CreateStockObject(NULL_BRUSH);
        AddObject(std::move(brush));
        break;
    }
    case META_CREATEFONTINDIRECT: {
        auto font = std::make_unique<CFont>();
        if (r.Has(9)) {
            LOGFONTA lf;
            lf.lfHeight = r.S(0);
            lf.lfWidth = r.S(1);
            lf.lfEscapement = r.S(2);
            lf.lfOrientation = r.S(3);
            lf.lfWeight = r.S(4);
            const BYTE* b = r.Bytes(5);
            lf.lfItalic = b[0], lf.lfUnderline = b[1], lf.lfStrikeOut = b[2], lf.lfCharSet = b[3];
            lf.lfOutPrecision = b[4], lf.lfClipPrecision = b[5], lf.lfQuality = b[6], lf.lfPitchAndFamily = b[7];
            const std::size_t nameBytes = std::min<std::size_t>(r.BytesFrom(9), LF_FACESIZE - 1);
            std::memcpy(lf.lfFaceName, r.Bytes(9), nameBytes);
            lf.lfFaceName[nameBytes] = '\0';
            font->CreateFontIndirectA(&lf);
        }
        AddObject(std::move(font));
        break;
    }
    case META_CREATEPALETTE: {
        auto palette = std::make_unique<CPalette>();
        if (r.Has(2)) {
            const std::size_t n = std::min<std::size_t>(r.U(1), (r.Words() - 2) / 2);
            std::vector<PALETTEENTRY> entries(n);
            for (std::size_t i = 0; i < n; ++i) std::memcpy(&entries[i], r.Bytes(2 + 2 * i), 4);
            if (n) palette->AdoptEntries(std::move(entries));
        }
        AddObject(std::move(palette));
        break;
    }
    case META_CREATEREGION: AddObject(ReadRegion(r)); break;
    case META_SELECTOBJECT:
        if (r.Has(1)) {
            CGdiObject* object = Object(r.U(0));
            if (object && object->Kind() == GdiObjectKind::Region)
                SelectRegion(object);
            else if (object && object->HasContents())
                dc_.SelectObject(object);
        }
        break;
    case META_SELECTCLIPREGION:
        if (r.Has(1)) SelectRegion(Object(r.U(0)));
        break;
    case META_DELETEOBJECT:
        // The context keeps what it has selected; the slot becomes free.
        if (r.Has(1) && r.U(0) < objects_.size()) objects_[r.U(0)].reset();
        break;
    case META_SELECTPALETTE:
        if (r.Has(1)) {
            if (auto* palette = dynamic_cast<CPalette*>(Object(r.U(0)))) dc_.SelectPalette(palette, FALSE);
        }
        break;
    case META_REALIZEPALETTE: dc_.RealizePalette(); break;

    case META_INTERSECTCLIPRECT:
        if (r.Has(4)) dc_.IntersectClipRect(r.S(3), r.S(2), r.S(1), r.S(0));
        break;
    case META_EXCLUDECLIPRECT:
        if (r.Has(4)) dc_.ExcludeClipRect(r.S(3), r.S(2), r.S(1), r.S(0));
        break;
    case META_OFFSETCLIPRGN:
        if (r.Has(2)) dc_.OffsetClipRgn(r.S(1), r.S(0));
        break;

    case META_MOVETO:
        if (r.Has(2)) dc_.MoveTo(r.S(1), r.S(0));
        break;
    case META_LINETO:
        if (r.Has(2)) dc_.LineTo(r.S(1), r.S(0));
        break;
    case META_RECTANGLE:
        if (r.Has(4)) dc_.Rectangle(r.S(3), r.S(2), r.S(1), r.S(0));
        break;
    case META_ELLIPSE:
        if (r.Has(4)) dc_.Ellipse(r.S(3), r.S(2), r.S(1), r.S(0));
        break;
    case META_ROUNDRECT:
        if (r.Has(6)) dc_.RoundRect(r.S(5), r.S(4), r.S(3), r.S(2), r.S(1), r.S(0));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD:
        if (r.Has(8)) {
            const int a[8] = {r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.S(2), r.S(1), r.S(0)};
            if (function == META_ARC) dc_.Arc(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
            if (function == META_PIE) dc_.Pie(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
            if (function == META_CHORD) dc_.Chord(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        }
        break;
    case META_POLYGON:
    case META_POLYLINE:
        if (r.Has(1) && r.Has(1 + 2 * std::size_t(r.U(0)))) {
            const auto pts = Points(r, 1, r.U(0));
            if (function == META_POLYGON)
                dc_.Polygon(pts.data(), int(pts.size()));
            else
                dc_.Polyline(pts.data(), int(pts.size()));
        }
        break;
    case META_POLYPOLYGON:
        if (r.Has(1) && r.Has(1 + std::size_t(r.U(0)))) {
            const unsigned polygons = r.U(0);
            std::vector<int> counts(polygons);
            std::size_t total = 0;
            for (unsigned i = 0; i < polygons; ++i) total += counts[i] = int(r.U(1 + i));
            if (r.Has(1 + polygons + 2 * total)) {
                const auto pts = Points(r, 1 + polygons, total);
                dc_.PolyPolygon(pts.data(), counts.data(), int(polygons));
            }
        }
        break;
    case META_SETPIXEL:
        if (r.Has(4)) dc_.SetPixel(r.S(3), r.S(2), r.D(0));
        break;
    case META_PATBLT:
        if (r.Has(6)) dc_.PatBlt(r.S(5), r.S(4), r.S(3), r.S(2), r.D(0));
        break;

    case META_TEXTOUT:
        // Length, the string padded to words, then y and x.
        if (r.Has(1)) {
            const unsigned length = r.U(0);
            const std::size_t after = 1 + (length + 1) / 2;
            if (r.Has(after + 2)) Text(r.S(after + 1), r.S(after), 0, nullptr, r, 1, length, false);
        }
        break;
    case META_EXTTEXTOUT:
        if (r.Has(4)) {
            const int y = r.S(0), x = r.S(1);
            const unsigned length = r.U(2), options = r.U(3);
            std::size_t at = 4;
            RECT rect;
            const bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
            if (hasRect) {
                if (!r.Has(8)) break;
                rect = {r.S(4), r.S(5), r.S(6), r.S(7)};
                at = 8;
            }
            Text(x, y, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr, r, at, length, true);
        }
        break;

    case META_DIBBITBLT:
        // Without a bitmap the record has a reserved word and is a PatBlt.
        if (r.Words() == 9) {
            dc_.PatBlt(r.S(8), r.S(7), r.S(6), r.S(5), r.D(0));
        } else if (r.Has(8)) {
            dc_.StretchPackedDIB(r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.S(2), r.S(5), r.S(4), r.Bytes(8),
                                 r.BytesFrom(8), DIB_RGB_COLORS, r.D(0));
        }
        break;
    case META_DIBSTRETCHBLT:
        if (r.Words() == 11) {
            dc_.PatBlt(r.S(10), r.S(9), r.S(8), r.S(7), r.D(0));
        } else if (r.Has(10)) {
            dc_.StretchPackedDIB(r.S(9), r.S(8), r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.S(2), r.Bytes(10),
                                 r.BytesFrom(10), DIB_RGB_COLORS, r.D(0));
        }
        break;
    case META_STRETCHDIB:
        if (r.Has(11))
            dc_.StretchPackedDIB(r.S(10), r.S(9), r.S(8), r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.Bytes(11),
                                 r.BytesFrom(11), r.U(2), r.D(0));
        break;
    case META_SETDIBTODEV:
        // Whole-bitmap transfers, the form drawings use.
        if (r.Has(9) && r.U(2) == 0)
            dc_.StretchPackedDIB(r.S(8), r.S(7), r.S(6), r.S(5), r.S(4), r.S(3), r.S(6), r.S(5), r.Bytes(9),
                                 r.BytesFrom(9), r.U(0), SRCCOPY);
        break;
    default: break;  // records that drawings rarely use are skipped
    }
}

}  // namespace

Metafile* Metafile::FromBytes(const BYTE* data, std::size_t size) {
    if (!data || size < kHeaderBytes) return nullptr;
    const WORD type = Word(data), headerWords = Word(data + 2);
    if ((type != 1 && type != 2) || headerWords != 9) return nullptr;
    return new Metafile(std::vector<BYTE>(data, data + size));
}

int Metafile::ObjectCount() const { return Word(bytes_.data() + 10); }

BOOL Metafile::Play(CDC& dc) const {
    if (!dc.GetSafeHdc()) return FALSE;
    const int level = dc.SaveDC();
    {
        Player player(dc, ObjectCount());
        std::size_t at = kHeaderBytes;
        while (at + 6 <= bytes_.size()) {
            const DWORD words = Dword(&bytes_[at]);
            const WORD function = Word(&bytes_[at + 4]);
            if (function == META_EOF || words < 3 || words > (bytes_.size() - at) / 2) break;
            player.Record(function, Params(&bytes_[at + 6], std::size_t(words) * 2 - 6));
            at += std::size_t(words) * 2;
        }
    }
    dc.RestoreDC(level);
    return TRUE;
}

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data) { return Metafile::FromBytes(data, size); }

BOOL DeleteMetaFile(HMETAFILE metafile) {
    if (!metafile) return FALSE;
    delete metafile;
    return TRUE;
}

BOOL PlayMetaFile(HDC dc, HMETAFILE metafile) { return dc && metafile ? metafile->Play(*dc) : FALSE; }

BOOL CDC::PlayMetaFile(HMETAFILE metafile) { return metafile ? metafile->Play(*this) : FALSE; }

}  // namespace ksdvi::gdi

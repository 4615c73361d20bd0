// Windows metafiles (WMF): the bytes of a metafile held as an HMETAFILE and
// played record by record onto a device context. Records that drawings
// commonly use are played; others are skipped; a record that runs past the
// end stops the playback.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class CDC;
using HDC = CDC*;

class Metafile {
public:
    // Null unless the bytes start with a metafile header.
    static Metafile* FromBytes(const BYTE* data, std::size_t size);

    const std::vector<BYTE>& Bytes() const { return bytes_; }
    int ObjectCount() const;
    BOOL Play(CDC& dc) const;

private:
    explicit Metafile(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {}
    std::vector<BYTE> bytes_;
};

using HMETAFILE = Metafile*;

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data);
BOOL DeleteMetaFile(HMETAFILE metafile);
BOOL PlayMetaFile(HDC dc, HMETAFILE metafile);

// Record numbers of the records played.
enum MetaRecord : WORD {
    META_EOF = 0x0000,
    META_REALIZEPALETTE = 0x0035,
    META_SAVEDC = 0x001E,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_RESTOREDC = 0x0127,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
    META_CREATEPALETTE = 0x00F7,
};

}  // namespace ksdvi::gdi

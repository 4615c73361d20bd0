#pragma once
// The interpreter of binary drawing records that the painting drawer offers
// every special to before its own keywords: "GDI" records, a drawing language
// with its own pen, brush, clip, bitmap and attributes (GdiRecords.cpp), and
// the "#" records of the text and drawing state (StateRecords.cpp) and of
// paths (PathRecords.cpp). Records too short for their fields are taken and
// ignored; nothing is read past a special's end.

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/Cdc.h"
#include "render/RecordCanvas.h"
#include "render/RecordReader.h"

namespace ksdvi {

struct SharedDrawingValues;

class GdiSpecialInterpreter {
public:
    static constexpr int kAttributeBytes = 42;

    explicit GdiSpecialInterpreter(RecordCanvas& canvas);
    virtual ~GdiSpecialInterpreter();
    GdiSpecialInterpreter(GdiSpecialInterpreter const&) = delete;
    GdiSpecialInterpreter& operator=(GdiSpecialInterpreter const&) = delete;

    virtual int BeginPage();
    virtual int EndPage();
    // Non-zero when the special was taken. `x`, `y`: the current position in device pixels.
    virtual int PlaySpecial(unsigned char const* bytes, unsigned int length, int x, int y);
    // Whether the open page had a record: some of them draw at device
    // coordinates of their own, not at the page's position.
    bool HasPlayedRecords() const { return played_; }

protected:
    RecordCanvas& canvas_;

private:
    bool played_ = false;
    // "GDI" records (GdiRecords.cpp). `depth` counts the embedding records around one.
    void PlayGdiRecord(unsigned char const* bytes, unsigned int length, int depth);
    void PlayEmbedded(RecordReader& record, int depth);
    void PlayShape(unsigned opcode, RecordReader& record);
    void PlayTransfer(unsigned opcode, RecordReader& record);
    void SetPen(RecordReader& record, bool bare);
    void SetBrush(RecordReader& record, bool bare);
    void SetClip(RecordReader& record, bool bare);
    void SetBitmap(RecordReader& record);
    void SetAttributes(RecordReader& record, bool bare);
    void ApplyAttributes();
    void DecodePicture(unsigned opcode, RecordReader& record);
    // Record coordinates in device pixels: positions from the paper's corner,
    // sizes without it (rounded up).
    int DeviceX(int c) const;
    int DeviceY(int c) const;
    int SizeX(int c) const;
    int SizeY(int c) const;
    // `count` points of little-endian pairs, or false when the record holds fewer.
    bool ReadPoints(RecordReader& record, unsigned count, std::vector<gdi::POINT>& points) const;

    // "#" records (StateRecords.cpp): false when declined.
    bool PlayStateRecord(RecordReader& record);
    bool PlayColourRecord(unsigned code, RecordReader& record);

    // Path records (PathRecords.cpp).
    void PlayPathRecord(unsigned code, RecordReader& record);
    void DrawPath(std::vector<gdi::POINT> const& points, std::vector<gdi::BYTE> const& types, unsigned flags,
                  bool brushColourPen);
    void AddPoints(RecordReader& record, unsigned count, std::vector<gdi::POINT>& points) const;

    // Save the DC's state and select what shapes draw with; the epilogue
    // restores it.
    void Prologue();
    void Epilogue();

    SharedDrawingValues* shared_ = nullptr;  // the document's, while a page is open
    gdi::CDC* dc_ = nullptr;
    std::unique_ptr<gdi::CPen> pen_;
    std::unique_ptr<gdi::CBrush> brush_;
    std::optional<gdi::RECT> clipRect_;
    std::unique_ptr<gdi::CRgn> clipRegion_;
    std::unique_ptr<gdi::CBitmap> bitmap_;
    std::vector<unsigned char> dib_;
    std::array<unsigned char, kAttributeBytes> attributes_{};
    bool attributesSet_ = false;
    unsigned resX_ = 300, resY_ = 300;
};

}  // namespace ksdvi

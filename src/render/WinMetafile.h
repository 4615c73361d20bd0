#pragma once
// A placeable Windows metafile (the "Aldus" form pictures come in): a 22-byte
// header with the key 0x9AC6CDD7, the bounding box and the units per inch
// (little-endian), then a standard metafile whose header gives its size in
// 16-bit words.

#include <istream>

#include "platform/gdi/Metafile.h"
#include "stream/String8.h"

class WinMetafile {
public:
    class ReOpenError {};  // a second read into a holder that holds a metafile

    WinMetafile() = default;
    WinMetafile(WinMetafile const&) = delete;
    WinMetafile& operator=(WinMetafile const&) = delete;
    ~WinMetafile();

    // 1 when the stream, from its position, holds a placeable metafile.
    int Read(std::istream& in);
    int Open(String8 const& path);

    int IsLoaded() const { return loaded_; }
    int GetLeft() const { return left_; }
    int GetTop() const { return top_; }
    int GetRight() const { return right_; }
    int GetBottom() const { return bottom_; }
    int GetInch() const { return inch_; }
    ksdvi::gdi::HMETAFILE GetHandle() const { return handle_; }

private:
    int loaded_ = 0;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    int inch_ = 0;
    ksdvi::gdi::HMETAFILE handle_ = nullptr;
};

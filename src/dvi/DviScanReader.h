#pragma once
// Reads the DVI file for the page scan and keeps the file offset itself: asking
// the stream for its position costs a system call, and the scan needs the
// offset of every instruction.

#include <cstdint>

#include "dvi/KsDvi.h"

namespace ksdvi {

class DviScanReader {
public:
    DviScanReader(KsDvi::Dviifstream& in, int64_t size) : in_(in), size_(size) {}

    void Seek(int64_t offset) {
        in_.seekg(offset);
        pos_ = offset;
    }
    uint32_t Unsigned(int bytes) {
        pos_ += bytes;
        switch (bytes) {
        case 1: return in_.ReadUInt8();
        case 2: return in_.ReadUInt16();
        case 3: return in_.ReadUInt24();
        default: return in_.ReadUInt32();
        }
    }
    int32_t Signed32() { return static_cast<int32_t>(Unsigned(4)); }
    void Skip(int64_t n) {
        pos_ += n;
        in_.ignore(n);
    }
    void Read(void* buffer, int64_t n) {
        pos_ += n;
        in_.read(static_cast<char*>(buffer), n);
    }
    // Offset of the next byte; meaningful until the file ends.
    int64_t Position() const { return pos_; }
    int64_t Size() const { return size_; }
    // True once a read has gone past the end of the file.
    bool Ended() const { return in_.eof(); }
    // Whether n more bytes lie in the file.
    bool Holds(int64_t n) const { return pos_ + n <= size_; }

private:
    KsDvi::Dviifstream& in_;
    int64_t size_;
    int64_t pos_ = 0;
};

}  // namespace ksdvi

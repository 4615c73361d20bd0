#pragma once
// Reads the DVI file for the page scan and keeps the file offset itself: asking
// the stream for its position costs a system call, and the scan needs the
// offset of every instruction.

#include <cstdint>
#include <istream>

#include "dvi/DviOpcodes.h"
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

// The file's size, with the stream left at its start.
int64_t FileSize(std::istream& in);

// Parameter bytes of an opcode the scan only skips; -1 for the opcodes it
// handles itself (bop, eop, xxx, fnt_def, post) or refuses: characters wider
// than 16 bits, and the records that belong outside pages.
inline int ScanSkipLength(unsigned op) {
    using namespace dvi;
    if (op == kSet1 + 2 || op == kSet1 + 3 || op == kPut1 + 2 || op == kPut1 + 3) return -1;
    if (FamilyOf(op) == kXxx1 || FamilyOf(op) == kFntDef1) return -1;
    if (op == kBop || op == kEop || op >= kPre) return -1;
    return kParameterBytes[op];
}

// The postamble after its post opcode: p num den mag l u s t, font
// definitions and nops, then post_post q i and at least four 223s. TeX
// writes it last, so it counts only when all of it is there.
struct PostambleWalk {
    enum Result { Whole, Unfinished, BadOpcode } result = Unfinished;
    int32_t height = 0, width = 0;  // l and u
    int64_t badAt = 0;              // the offending opcode and its offset
    unsigned badOpcode = 0;
};
PostambleWalk WalkPostamble(DviScanReader& in);

}  // namespace ksdvi

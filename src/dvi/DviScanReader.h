#pragma once
// Reads the DVI file for the page scan through a buffer of its own and keeps
// the file offset itself: asking the stream for its position costs a system
// call, and the scan needs the offset of every instruction.

#include <algorithm>
#include <array>
#include <cstdint>
#include <istream>
#include <memory>

#include "dvi/DviOpcodes.h"
#include "dvi/KsDvi.h"

namespace ksdvi {

class DviScanReader {
public:
    DviScanReader(KsDvi::Dviifstream& in, int64_t size)
        : in_(in), size_(size), capacity_(size_t(std::clamp<int64_t>(size, kSmallestBuffer, kBufferSize))) {}

    void Seek(int64_t offset) {
        if (offset >= bufferStart_ && offset <= bufferStart_ + int64_t(filled_)) {
            at_ = size_t(offset - bufferStart_);
        } else {
            in_.clear();
            in_.seekg(offset);
            bufferStart_ = offset;
            at_ = filled_ = 0;
        }
        ended_ = false;
    }
    uint32_t Unsigned(int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | Byte();
        return value;
    }
    int32_t Signed32() { return static_cast<int32_t>(Unsigned(4)); }
    // Passes set_char_0 to set_char_127, which have no parameters and make
    // up most of a page, up to the offset `limit` at most.
    void SkipCharacters(int64_t limit) {
        for (;;) {
            int64_t room = limit - Position();
            if (room <= 0) return;
            size_t end = at_ + size_t(std::min<int64_t>(room, int64_t(filled_ - at_)));
            while (at_ < end && buffer_[at_] < dvi::kSet1) ++at_;
            if (at_ < filled_) return;  // an opcode with parameters, or the limit
            if (!Refill()) return;      // the file ends: the next read says so
        }
    }
    void Skip(int64_t n) {
        if (n <= int64_t(filled_ - at_)) {
            at_ += size_t(n);
            return;
        }
        int64_t to = Position() + n;
        Seek(std::min(to, size_));
        if (to > size_) ended_ = true;
    }
    void Read(void* buffer, int64_t n) {
        auto* out = static_cast<unsigned char*>(buffer);
        for (int64_t i = 0; i < n; ++i) out[i] = Byte();
    }
    // Offset of the next byte; meaningful until the file ends.
    int64_t Position() const { return bufferStart_ + int64_t(at_); }
    int64_t Size() const { return size_; }
    // True once a read has gone past the end of the file.
    bool Ended() const { return ended_; }
    // Whether n more bytes lie in the file.
    bool Holds(int64_t n) const { return Position() + n <= size_; }

private:
    // Pages are read an instruction at a time: a stream's get() per byte made
    // scanning a 2 GB file take minutes.
    static constexpr size_t kBufferSize = size_t(1) << 18;
    // Small files get a buffer their size: documents are scanned anew on
    // every rerun, and 256 KiB cleared for a page of text costs more than
    // the scan.
    static constexpr size_t kSmallestBuffer = size_t(1) << 12;

    unsigned char Byte() {
        if (at_ == filled_ && !Refill()) {
            ended_ = true;
            return 0;
        }
        return buffer_[at_++];
    }
    bool Refill() {
        bufferStart_ += int64_t(filled_);
        at_ = filled_ = 0;
        if (!buffer_) buffer_ = std::make_unique_for_overwrite<unsigned char[]>(capacity_);
        in_.read(reinterpret_cast<char*>(buffer_.get()), std::streamsize(capacity_));
        filled_ = size_t(std::max<std::streamsize>(in_.gcount(), 0));
        if (filled_ < capacity_) in_.clear();  // a growing file may be read further later
        return filled_ > 0;
    }

    KsDvi::Dviifstream& in_;
    int64_t size_;
    size_t capacity_;
    std::unique_ptr<unsigned char[]> buffer_;
    int64_t bufferStart_ = 0;  // the file offset of buffer_[0]
    size_t at_ = 0, filled_ = 0;
    bool ended_ = false;
};

// The file's size, with the stream left at its start.
int64_t FileSize(std::istream& in);

// Parameter bytes of an opcode the scan only skips; -1 for the opcodes it
// handles itself (bop, eop, xxx, fnt_def, post) or refuses: characters wider
// than 24 bits (upTeX's reach 24), and the records that belong outside pages.
constexpr int ScanSkipLengthOf(unsigned op) {
    using namespace dvi;
    if (op == kSet1 + 3 || op == kPut1 + 3) return -1;
    if (op == kDir) return 1;
    if (FamilyOf(op) == kXxx1 || FamilyOf(op) == kFntDef1) return -1;
    if (op == kBop || op == kEop || op >= kPre) return -1;
    return kParameterBytes[op];
}
inline constexpr auto kScanSkipLengths = [] {
    std::array<int8_t, 256> lengths{};
    for (unsigned op = 0; op < 256; ++op) lengths[op] = static_cast<int8_t>(ScanSkipLengthOf(op));
    return lengths;
}();
inline int ScanSkipLength(unsigned op) { return kScanSkipLengths[op & 0xFF]; }

// The postamble after its post opcode: p num den mag l u s t, font
// definitions and nops, then post_post q i and at least four 223s. TeX
// writes it last, so it counts only when all of it is there.
struct PostambleWalk {
    enum Result { Whole, Unfinished, BadOpcode } result = Unfinished;
    int32_t height = 0, width = 0;  // l and u
    int64_t badAt = 0;              // the offending opcode and its offset
    unsigned badOpcode = 0;
};
// XDV files (`id` 5 to 7) also define native fonts there.
// Passes XeTeX's record `op` (define_native_font, a glyph run) of a file of
// `id`; false when `op` is none of those. Ended() tells a record cut short.
bool SkipXdvRecord(DviScanReader& in, unsigned op, unsigned id);

PostambleWalk WalkPostamble(DviScanReader& in, unsigned id);

}  // namespace ksdvi

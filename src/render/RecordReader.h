#pragma once
// Fields of a binary record read front to back, never past the record's end.
// A field that does not fit reads as zero and fails the record for good, so a
// handler reads all its fields and then asks Ok() once.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ksdvi {

class RecordReader {
public:
    RecordReader(unsigned char const* p, unsigned char const* end) : p_(p), end_(end) {}

    unsigned UInt8() { return Fits(1) ? *p_++ : 0; }
    unsigned UInt16() { return static_cast<unsigned>(Read(2, false)); }
    int Int16() { return static_cast<int16_t>(UInt16()); }
    unsigned UInt32() { return static_cast<unsigned>(Read(4, false)); }
    unsigned UInt16Le() { return static_cast<unsigned>(Read(2, true)); }
    int Int16Le() { return static_cast<int16_t>(UInt16Le()); }
    unsigned UInt32Le() { return static_cast<unsigned>(Read(4, true)); }
    // A big-endian unsigned value of 1 to 4 bytes.
    unsigned UIntOf(int bytes) { return static_cast<unsigned>(Read(bytes, false)); }
    // A length byte and that many bytes.
    std::string_view Name() {
        if (!Fits(1) || !Fits(size_t{1} + *p_)) return {};
        std::string_view name(reinterpret_cast<char const*>(p_ + 1), *p_);
        p_ += 1 + name.size();
        return name;
    }
    // The next `n` bytes, or null when fewer are left.
    unsigned char const* Bytes(size_t n) {
        if (!Fits(n)) return nullptr;
        unsigned char const* at = p_;
        p_ += n;
        return at;
    }
    unsigned char const* Here() const { return p_; }
    size_t Left() const { return static_cast<size_t>(end_ - p_); }
    bool Ok() const { return ok_; }

private:
    bool Fits(size_t n) {
        ok_ = ok_ && Left() >= n;
        return ok_;
    }
    uint32_t Read(int bytes, bool littleEndian) {
        if (!Fits(static_cast<size_t>(bytes))) return 0;
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            uint32_t b = p_[i];
            v = littleEndian ? v | (b << (8 * i)) : (v << 8) | b;
        }
        p_ += bytes;
        return v;
    }

    unsigned char const* p_;
    unsigned char const* end_;
    bool ok_ = true;
};

}  // namespace ksdvi

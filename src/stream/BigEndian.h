#pragma once
// Big-endian numbers of one to four bytes, as TeX's binary files (DVI, TFM, VF,
// PK) store them, and a bounded cursor over such bytes held in memory. Reading
// past the cursor's end yields zeros and marks it failed, so that a parser
// checks once at the end of a record.

#include <cstddef>
#include <cstdint>

namespace ksdvi {

// A big-endian value of 1 to 4 bytes at p.
inline uint32_t BigEndianUnsigned(unsigned char const* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

// A value of 1 to 4 bytes read as two's complement of its width.
inline int32_t SignExtend(uint32_t v, int bytes) {
    if (bytes < 4 && (v >> (8 * bytes - 1)) != 0) v |= ~uint32_t(0) << (8 * bytes);
    return static_cast<int32_t>(v);
}

inline int32_t BigEndianSigned(unsigned char const* p, int bytes) {
    return SignExtend(BigEndianUnsigned(p, bytes), bytes);
}

class ByteReader {
public:
    ByteReader(unsigned char const* data, size_t size) : data_(data), size_(size) {}

    uint32_t Unsigned(int bytes) {
        if (!Has(bytes)) return Fail();
        uint32_t v = BigEndianUnsigned(data_ + pos_, bytes);
        pos_ += static_cast<size_t>(bytes);
        return v;
    }
    int32_t Signed(int bytes) {
        if (!Has(bytes)) return static_cast<int32_t>(Fail());
        int32_t v = BigEndianSigned(data_ + pos_, bytes);
        pos_ += static_cast<size_t>(bytes);
        return v;
    }
    void Skip(size_t n) {
        if (n > size_ - pos_) {
            Fail();
            return;
        }
        pos_ += n;
    }
    bool Has(size_t n) const { return !failed_ && n <= size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    bool Failed() const { return failed_; }
    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    unsigned char const* Here() const { return data_ + pos_; }

private:
    uint32_t Fail() {
        failed_ = true;
        pos_ = size_;
        return 0;
    }

    unsigned char const* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace ksdvi

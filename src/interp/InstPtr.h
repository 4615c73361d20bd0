#pragma once
// A cursor over DVI instruction bytes that reads big-endian values and advances
// past them. Passed by value: reading through a copy never moves the original.

#include <cstdint>

#include "stream/BigEndian.h"

class InstPtr {
public:
    InstPtr() = default;
    explicit InstPtr(unsigned char const* p) : p_(p) {}

    unsigned char const* Get() const { return p_; }
    InstPtr& operator+=(int n) {
        p_ += n;
        return *this;
    }

    uint32_t ReadUInt8() { return ReadUnsigned(1); }
    uint32_t ReadUInt16() { return ReadUnsigned(2); }
    uint32_t ReadUInt24() { return ReadUnsigned(3); }
    uint32_t ReadUInt32() { return ReadUnsigned(4); }
    int32_t ReadInt8() { return ReadSigned(1); }
    int32_t ReadInt16() { return ReadSigned(2); }
    int32_t ReadInt24() { return ReadSigned(3); }
    int32_t ReadInt32() { return ReadSigned(4); }
    // Values of 1 to 4 bytes; movements are signed, codes and lengths not.
    int32_t ReadSigned(int bytes) {
        int32_t v = ksdvi::BigEndianSigned(p_, bytes);
        p_ += bytes;
        return v;
    }
    uint32_t ReadUnsigned(int bytes) {
        uint32_t v = ksdvi::BigEndianUnsigned(p_, bytes);
        p_ += bytes;
        return v;
    }

private:
    unsigned char const* p_ = nullptr;
};

// Big-endian reads from raw special bytes; each returns the pointer past the value.
inline unsigned char const* GetBigEndian16(unsigned char const* p, unsigned short& out) {
    out = static_cast<unsigned short>(ksdvi::BigEndianUnsigned(p, 2));
    return p + 2;
}

inline unsigned char const* GetBigEndian32(unsigned char const* p, unsigned int& out) {
    out = ksdvi::BigEndianUnsigned(p, 4);
    return p + 4;
}

#pragma once
// A cursor over DVI instruction bytes that reads big-endian values and advances
// past them. Passed by value: reading through a copy never moves the original.

#include <cstdint>

class InstPtr {
public:
    InstPtr() = default;
    explicit InstPtr(unsigned char const* p) : p_(p) {}

    unsigned char const* Get() const { return p_; }
    InstPtr& operator+=(int n) {
        p_ += n;
        return *this;
    }

    uint32_t ReadUInt8() { return *p_++; }
    uint32_t ReadUInt16() {
        uint32_t v = (uint32_t(p_[0]) << 8) | p_[1];
        p_ += 2;
        return v;
    }
    uint32_t ReadUInt24() {
        uint32_t v = (uint32_t(p_[0]) << 16) | (uint32_t(p_[1]) << 8) | p_[2];
        p_ += 3;
        return v;
    }
    uint32_t ReadUInt32() {
        uint32_t v = (uint32_t(p_[0]) << 24) | (uint32_t(p_[1]) << 16) | (uint32_t(p_[2]) << 8) | p_[3];
        p_ += 4;
        return v;
    }
    int32_t ReadInt8() { return static_cast<int8_t>(ReadUInt8()); }
    int32_t ReadInt16() { return static_cast<int16_t>(ReadUInt16()); }
    int32_t ReadInt24() {
        uint32_t v = ReadUInt24();
        return v >= 0x800000 ? static_cast<int32_t>(v) - 0x1000000 : static_cast<int32_t>(v);
    }
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
    // A signed value of 1 to 4 bytes, as DVI movement parameters are.
    int32_t ReadSigned(int bytes) {
        switch (bytes) {
        case 1: return ReadInt8();
        case 2: return ReadInt16();
        case 3: return ReadInt24();
        default: return ReadInt32();
        }
    }
    uint32_t ReadUnsigned(int bytes) {
        switch (bytes) {
        case 1: return ReadUInt8();
        case 2: return ReadUInt16();
        case 3: return ReadUInt24();
        default: return ReadUInt32();
        }
    }

private:
    unsigned char const* p_ = nullptr;
};

// Big-endian reads from raw special bytes; each returns the pointer past the value.
inline unsigned char const* GetBigEndian16(unsigned char const* p, unsigned short& out) {
    out = static_cast<unsigned short>((p[0] << 8) | p[1]);
    return p + 2;
}

inline unsigned char const* GetBigEndian32(unsigned char const* p, unsigned int& out) {
    out = (unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | p[3];
    return p + 4;
}

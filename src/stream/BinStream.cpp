#include "stream/BinStream.h"

uint32_t BinInStream::ReadUnsigned(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        uint32_t b = ReadUInt8() & 0xFF;
        value = IsBigEndian() ? (value << 8) | b : value | (b << (8 * i));
    }
    return value;
}

int32_t BinInStream::ReadInt8() { return static_cast<int8_t>(ReadUInt8() & 0xFF); }
uint32_t BinInStream::ReadUInt16() { return ReadUnsigned(2); }
int32_t BinInStream::ReadInt16() { return static_cast<int16_t>(ReadUInt16()); }
uint32_t BinInStream::ReadUInt24() { return ReadUnsigned(3); }

int32_t BinInStream::ReadInt24() {
    uint32_t v = ReadUInt24();
    return v >= 0x800000 ? static_cast<int32_t>(v) - 0x1000000 : static_cast<int32_t>(v);
}

uint32_t BinInStream::ReadUInt32() { return ReadUnsigned(4); }
int32_t BinInStream::ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }

void BinOutStream::WriteUnsigned(uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        int shift = IsBigEndian() ? 8 * (bytes - 1 - i) : 8 * i;
        WriteUInt8((v >> shift) & 0xFF);
    }
}

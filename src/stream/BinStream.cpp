#include "stream/BinStream.h"

#include "stream/BigEndian.h"

uint32_t BinInStream::ReadUnsigned(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        uint32_t b = ReadUInt8() & 0xFF;
        value = IsBigEndian() ? (value << 8) | b : value | (b << (8 * i));
    }
    return value;
}

int32_t BinInStream::ReadInt8() { return ksdvi::SignExtend(ReadUInt8() & 0xFF, 1); }
uint32_t BinInStream::ReadUInt16() { return ReadUnsigned(2); }
int32_t BinInStream::ReadInt16() { return ksdvi::SignExtend(ReadUInt16(), 2); }
uint32_t BinInStream::ReadUInt24() { return ReadUnsigned(3); }

int32_t BinInStream::ReadInt24() { return ksdvi::SignExtend(ReadUInt24(), 3); }

uint32_t BinInStream::ReadUInt32() { return ReadUnsigned(4); }
int32_t BinInStream::ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }

void BinOutStream::WriteUnsigned(uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        int shift = IsBigEndian() ? 8 * (bytes - 1 - i) : 8 * i;
        WriteUInt8((v >> shift) & 0xFF);
    }
}

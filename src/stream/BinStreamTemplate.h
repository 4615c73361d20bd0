#pragma once
// The binary reader and writer over a standard stream class S, which they share
// as a virtual base so that one object can read, write and be an S at once.

#include "stream/BinStream.h"

template <class S>
class BinInStreamTemplate : public BinInStream, public virtual S {
public:
    BinInStreamTemplate() = default;
    uint32_t ReadUInt8() override { return static_cast<uint32_t>(this->get()) & 0xFF; }
};

template <class S>
class BinOutStreamTemplate : public BinOutStream, public virtual S {
public:
    BinOutStreamTemplate() = default;
    void WriteUInt8(uint32_t v) override { this->put(static_cast<char>(v & 0xFF)); }
};

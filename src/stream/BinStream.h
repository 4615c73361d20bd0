#pragma once
// Binary streams: integers one to four bytes wide in either byte order, over the
// standard stream classes. Every format this library reads or writes (DVI, TFM,
// OFM, VF) is big-endian.

#include <cstdint>

class BinStream {
public:
    explicit BinStream(int bigEndian = 1) : bigEndian_(bigEndian) {}
    int IsBigEndian() const { return bigEndian_; }
    void SetBigEndian(int bigEndian) { bigEndian_ = bigEndian; }

protected:
    ~BinStream() = default;

private:
    int bigEndian_;
};

// Reads past the end of the data yield 0xFF per byte (the low byte of EOF) and put
// the stream into its end-of-file state; callers check consistency themselves.
class BinInStream : public virtual BinStream {
public:
    virtual int32_t ReadInt8();
    virtual uint32_t ReadUInt8() = 0;
    virtual int32_t ReadInt16();
    virtual uint32_t ReadUInt16();
    virtual int32_t ReadInt24();
    virtual uint32_t ReadUInt24();
    virtual int32_t ReadInt32();
    virtual uint32_t ReadUInt32();
    virtual ~BinInStream() = default;

private:
    uint32_t ReadUnsigned(int bytes);
};

class BinOutStream : public virtual BinStream {
public:
    virtual void WriteInt8(int32_t v) { WriteUInt8(static_cast<uint32_t>(v)); }
    virtual void WriteUInt8(uint32_t v) = 0;
    virtual void WriteInt16(int32_t v) { WriteUInt16(static_cast<uint32_t>(v)); }
    virtual void WriteUInt16(uint32_t v) { WriteUnsigned(v, 2); }
    virtual void WriteInt24(int32_t v) { WriteUInt24(static_cast<uint32_t>(v)); }
    virtual void WriteUInt24(uint32_t v) { WriteUnsigned(v, 3); }
    virtual void WriteInt32(int32_t v) { WriteUInt32(static_cast<uint32_t>(v)); }
    virtual void WriteUInt32(uint32_t v) { WriteUnsigned(v, 4); }
    virtual ~BinOutStream() = default;

private:
    void WriteUnsigned(uint32_t v, int bytes);
};

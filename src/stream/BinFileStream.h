#pragma once
// Binary file and memory streams. On Linux every open file is shared: a reader
// never keeps another process from writing the same file.

#include <fstream>
#include <istream>
#include <streambuf>

#include "stream/BinStreamTemplate.h"

class BinInFileStream : public BinInStreamTemplate<std::ifstream> {
public:
    BinInFileStream() = default;
    explicit BinInFileStream(char const* path) : std::ifstream(path, std::ios::in | std::ios::binary) {}
};

class BinOutFileStream : public BinOutStreamTemplate<std::ofstream> {
public:
    BinOutFileStream() = default;
    explicit BinOutFileStream(char const* path)
        : std::ofstream(path, std::ios::out | std::ios::binary | std::ios::trunc) {}
};

class BinFileStream : public BinInStreamTemplate<std::fstream>, public BinOutStreamTemplate<std::fstream> {
public:
    BinFileStream() = default;
    explicit BinFileStream(char const* path) : std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) {}
};

namespace ksdvi_detail {
// A read-only stream buffer over memory the caller keeps alive (no copy).
class MemoryBuf : public std::streambuf {
public:
    MemoryBuf(char const* data, int length) {
        char* p = const_cast<char*>(data);
        setg(p, p, p + (length > 0 ? length : 0));
    }

protected:
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override;
    pos_type seekpos(pos_type pos, std::ios::openmode mode) override {
        return seekoff(off_type(pos), std::ios::beg, mode);
    }
};

}  // namespace ksdvi_detail

class BinInStrStream : public BinInStreamTemplate<std::istream> {
public:
    // The virtual istream base is built before any member, so the buffer is
    // attached once it exists.
    BinInStrStream(char const* data, int length) : std::istream(nullptr), buf_(data, length) { rdbuf(&buf_); }

private:
    ksdvi_detail::MemoryBuf buf_;
};

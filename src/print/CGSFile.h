// CGSFile: the minimal file object through which bitmap files are read for
// printing, over a POSIX file descriptor that it owns.
#pragma once

class CGSFile {
public:
    // Mode bits: the low four are 1 for writing (otherwise reading); bits 4 to
    // 7 say what others may do meanwhile: 0x10 nothing, 0x20 read, else both.
    static constexpr unsigned int kRead = 0x00;
    static constexpr unsigned int kWrite = 0x01;
    static constexpr unsigned int kShareNone = 0x10;
    static constexpr unsigned int kShareRead = 0x20;

    CGSFile() = default;
    // Takes over an open descriptor.
    explicit CGSFile(int handle);
    ~CGSFile();
    CGSFile(CGSFile const&) = delete;
    CGSFile& operator=(CGSFile const&) = delete;

    // Opens an existing file, never creating one: 1, or 0 when it cannot be
    // opened or another holder's sharing forbids it.
    int Open(char const* path, unsigned int mode);
    void Close();
    // Bytes transferred, 0 on failure.
    unsigned int Read(void* buffer, unsigned int count);
    unsigned int Write(void* buffer, unsigned int count);
    // Origin 1: from the current position, 2: from the end, else from the
    // start. The new position, -1 on failure.
    long Seek(long offset, unsigned int origin);

    // -1 when closed: 0 is a real descriptor here.
    int GetHandle() const { return handle_; }

private:
    int handle_ = -1;
};

#pragma once
// A file the tool writes is made under a temporary name beside the one asked
// for and moved there only when whole: a page that cannot be drawn, or a disk
// that fills up half-way, leaves whatever the user had at that name as it
// was. Devices and pipes (-o /dev/null, a FIFO) cannot be replaced that way
// and are written directly.

#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();  // drops the temporary file unless committed
    OutputFile(OutputFile const&) = delete;
    OutputFile& operator=(OutputFile const&) = delete;

    // Makes the temporary file; false with errno set when it cannot be made
    // (the directory is missing or not writable).
    bool Create();
    // Where the bytes go: the temporary file, or the path itself for a device.
    std::string const& WritePath() const { return temporary_.empty() ? path_ : temporary_; }
    // Moves the written file to its name; false with errno set.
    bool Commit();

private:
    std::string path_;
    std::string target_;     // the file the name leads to, symbolic links followed
    std::string temporary_;  // empty when written directly
};

// Whether both paths lead to one existing file, through symbolic or hard links.
bool IsSameFile(std::string const& a, std::string const& b);

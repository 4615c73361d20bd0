#pragma once
// A document that can be read only once (a pipe, /dev/stdin, a terminal) is
// copied to a temporary file before anything reads it: the scan, each render
// worker and every page read open the document again by name.

#include <string>

class InputSpool {
public:
    InputSpool() = default;
    InputSpool(InputSpool const&) = delete;
    InputSpool& operator=(InputSpool const&) = delete;
    ~InputSpool();  // removes the copy

    // Where the bytes of `path` are to be read from: `path` itself when it can
    // be opened again (or does not exist: the scan says so), else a copy of
    // it. Empty with `error` set for a directory or a failed copy.
    std::string Prepare(std::string const& path, std::string& error);

private:
    std::string dir_;  // the temporary directory holding the copy
    std::string copy_;
};

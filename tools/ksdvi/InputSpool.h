#pragma once
// A document that can be read only once (a pipe, /dev/stdin, a terminal) is
// copied to a temporary file before anything reads it: the scan, each render
// worker and every page read open the document again by name. "-" is standard
// input, whatever it is, and always copied: pictures are then looked for
// beside the copy, not in /dev.

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
    std::string Copy(std::string const& from, std::string const& name, std::string& error);

    std::string dir_;  // the temporary directory holding the copy
    std::string copy_;
};

// The document a name on the command line means: the name itself, or NAME.dvi
// when NAME does not exist and NAME.dvi does (as TeX's other tools take it).
std::string DocumentPath(std::string const& given);

// Whether a document named on the command line is standard input.
inline bool IsStandardInput(std::string const& path) { return path == "-"; }

// What output is named after: the document's name without directory and
// extension, "stdin" for standard input.
std::string DocumentStem(std::string const& path);

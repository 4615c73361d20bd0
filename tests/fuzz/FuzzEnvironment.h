#pragma once
// What every fuzz target sets up once, in LLVMFuzzerInitialize: the fonts of
// the TeX installation, shared by all inputs; no Ghostscript and no mktexpk,
// which would run external programs for seconds at a time; and a scratch
// directory for the files an input is written to, since documents and fonts
// are read from files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "font/TeXFonts.h"

namespace ksdvi::fuzz {

// Call first in LLVMFuzzerInitialize.
void SetUpProcess();

// The installation's map and kpathsea, read once.
TeXFonts& Fonts();

// The test data of the repository (tests/data).
std::string DataFile(std::string const& name);

// This process's scratch directory, removed at exit, and a path in it.
std::string ScratchDir();
std::string ScratchFile(std::string const& name);

void WriteFile(std::string const& path, uint8_t const* data, size_t size);
std::vector<uint8_t> ReadFile(std::string const& path);

// A property of the library that must hold for every input. A failure prints
// what failed and aborts, so that libFuzzer keeps the input as a crash.
[[noreturn]] void Failed(char const* what, char const* file, int line);
// The same for two texts that must be equal; both are printed.
void CheckEqual(std::string const& a, std::string const& b, char const* what, char const* file, int line);

}  // namespace ksdvi::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::ksdvi::fuzz::Failed(#condition, __FILE__, __LINE__))
#define FUZZ_CHECK_EQUAL(a, b) ::ksdvi::fuzz::CheckEqual((a), (b), #a " == " #b, __FILE__, __LINE__)

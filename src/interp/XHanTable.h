#pragma once
// The Hangul composition tables of the xhan subfonts: a syllable is set as two
// or three code bytes (initial, medial, final jamo), and a table per subfont
// (1 and 2) turns the bytes into the syllable's EUC-KR code. A few rows are
// built in; the full tables are read from a file, one row per line:
//
//   # subfont  key (b1 b2 b3, hex)  EUC-KR code (hex)
//   1 0e2200 b0a1
//
// The key is b1 * 65536 + b2 * 256 + b3, with 0 for bytes not present.

#include <cstdint>
#include <string>

namespace ksdvi {

class XHanTable {
public:
    static constexpr int MaxRows = 1 << 16;

    // The EUC-KR bytes of the sequence `key` in subfont 1 or 2; 0 when the
    // table has no such row.
    static int Find(int subfont, uint32_t key, unsigned char& lead, unsigned char& trail);
    // Adds the rows of a table file to the tables in use (a row of the file
    // replaces a row with its key). False, with the line and the reason in
    // `error`, when the file cannot be read or a line is not a row.
    static bool LoadFile(std::string const& path, std::string& error);
};

}  // namespace ksdvi

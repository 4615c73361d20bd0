#pragma once
// The DVI instruction set, written once for the page scan, the interpreter,
// the virtual-font loader and the tests: each opcode and the bytes of the
// parameters that follow it. xxx and fnt_def carry more bytes than these, as
// many as their parameters say; pre and post are the file's own records.

#include <array>
#include <cstdint>

namespace ksdvi::dvi {

enum Opcode : unsigned {
    kSetChar0 = 0,
    kSet1 = 128,  // to set4 = 131
    kSetRule = 132,
    kPut1 = 133,  // to put4 = 136
    kPutRule = 137,
    kNop = 138,
    kBop = 139,
    kEop = 140,
    kPush = 141,
    kPop = 142,
    kRight1 = 143,  // each movement family: the one-byte form first, four bytes last
    kW0 = 147,
    kW1 = 148,
    kX0 = 152,
    kX1 = 153,
    kDown1 = 157,
    kY0 = 161,
    kY1 = 162,
    kZ0 = 166,
    kZ1 = 167,
    kFntNum0 = 171,  // to fnt_num_63 = 234
    kFnt1 = 235,     // to fnt4 = 238
    kXxx1 = 239,     // to xxx4 = 242
    kFntDef1 = 243,  // to fnt_def4 = 246
    kPre = 247,
    kPost = 248,
    kPostPost = 249,
    // XeTeX's own (XDV files only): a native font's definition, and runs of
    // its glyphs by glyph index, the second with the text they set.
    kDefineNativeFont = 252,
    kSetGlyphs = 253,
    kSetTextAndGlyphs = 254,
    // pTeX's and upTeX's: the direction of the text set from here on (one
    // byte, kHorizontal and the two vertical ones), kept by push and pop.
    kDir = 255,
};

enum Direction : unsigned {
    kHorizontal = 0,
    kVertical = 1,      // tate: set moves down the page, down moves left
    kDownToUp = 3,      // set moves up the page, down moves right
};
constexpr bool IsDirection(unsigned d) { return d == kHorizontal || d == kVertical || d == kDownToUp; }

// The identification byte of the DVI files TeX writes.
constexpr unsigned kDviId = 2;
// The post_post of pTeX's and upTeX's files that use dir; their preamble says 2.
constexpr unsigned kPtexId = 3;
// XeTeX's XDV files: 5 (native fonts by name, glyph strings without
// vertical offsets at 254), 6 (fonts by file, no text at 254), 7.
constexpr unsigned kXdvIdNames = 5;
constexpr unsigned kXdvIdNoText = 6;
constexpr unsigned kXdvId = 7;
constexpr bool IsXdvId(unsigned id) { return id >= kXdvIdNames && id <= kXdvId; }
// The identification bytes ksdvi reads.
constexpr bool IsKnownId(unsigned id) { return id == kDviId || id == kPtexId || IsXdvId(id); }

// The opcodes with one-to-four-byte forms, by their one-byte opcode.
constexpr unsigned kFamilies[] = {kSet1, kPut1, kRight1, kW1, kX1, kDown1, kY1, kZ1, kFnt1, kXxx1, kFntDef1};

// The one-byte opcode of each opcode's family, 0 for those without one: a
// table, since a scan asks it of every opcode of the file.
constexpr std::array<uint8_t, 256> kFamilyOf = [] {
    std::array<uint8_t, 256> table{};
    for (unsigned first : kFamilies)
        for (unsigned op = first; op < first + 4; ++op) table[op] = static_cast<uint8_t>(first);
    return table;
}();

// The one-byte opcode of the family `op` belongs to, or 0 when it has no family.
constexpr unsigned FamilyOf(unsigned op) { return op < kFamilyOf.size() ? kFamilyOf[op] : 0; }

// How many bytes a family member's first parameter has: 1 to 4.
constexpr int FamilyWidth(unsigned op) { return static_cast<int>(op - FamilyOf(op) + 1); }

// Bytes of the parameters that follow an opcode, counting only the fixed part
// of xxx (k) and fnt_def (k c s d a l); -1 for the opcodes 250-254, whose
// records (XeTeX's) have lengths of their own (dvi/XdvRecords.h).
constexpr int ParameterBytes(unsigned op) {
    if (op < kSet1 || (op >= kFntNum0 && op < kFnt1)) return 0;
    switch (op) {
    case kSetRule:
    case kPutRule: return 8;
    case kNop:
    case kEop:
    case kPush:
    case kPop:
    case kW0:
    case kX0:
    case kY0:
    case kZ0: return 0;
    case kBop: return 44;  // c0 to c9, p
    case kPre: return 14;  // i num den mag k, then the comment
    case kPost: return 28;
    case kPostPost: return 5;  // q, i, then the 223s
    case kDir: return 1;
    default: break;
    }
    if (unsigned family = FamilyOf(op)) return FamilyWidth(op) + (family == kFntDef1 ? 14 : 0);
    return -1;
}

// The table the scan and the interpreter index.
constexpr std::array<int8_t, 256> kParameterBytes = [] {
    std::array<int8_t, 256> table{};
    for (unsigned op = 0; op < 256; ++op) table[op] = static_cast<int8_t>(ParameterBytes(op));
    return table;
}();

}  // namespace ksdvi::dvi

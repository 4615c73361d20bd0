#include "platform/gdi/RasterOps.h"

namespace ksdvi::gdi {

namespace {

// Sum of the minterms whose truth-table bit is set.
std::uint32_t FromTruthTable(unsigned table, int inputs, const std::uint32_t* in) {
    std::uint32_t result = 0;
    for (unsigned row = 0; row < (1u << inputs); ++row) {
        if (!(table >> row & 1)) continue;
        std::uint32_t term = ~0u;
        for (int i = 0; i < inputs; ++i) {
            const bool set = row >> (inputs - 1 - i) & 1;
            term &= set ? in[i] : ~in[i];
        }
        result |= term;
    }
    return result;
}

}  // namespace

std::uint32_t ApplyRop3(BYTE index, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    switch (index) {  // the frequent ones without the general sum
    case 0x00: return 0;
    case 0x33: return ~s;
    case 0x55: return ~d;
    case 0x5A: return p ^ d;
    case 0x66: return s ^ d;
    case 0x88: return s & d;
    case 0xAA: return d;
    case 0xBB: return ~s | d;
    case 0xC0: return p & s;
    case 0xCC: return s;
    case 0xEE: return s | d;
    case 0xF0: return p;
    case 0xFF: return ~0u;
    default: {
        const std::uint32_t in[3] = {p, s, d};
        return FromTruthTable(index, 3, in);
    }
    }
}

std::uint32_t ApplyRop2(int mode, std::uint32_t p, std::uint32_t d) {
    switch (mode) {
    case R2_COPYPEN: return p;
    case R2_XORPEN: return p ^ d;
    case R2_MERGEPEN: return p | d;
    case R2_MASKPEN: return p & d;
    case R2_NOP: return d;
    case R2_NOT: return ~d;
    default: {
        if (mode < R2_BLACK || mode > R2_WHITE) return p;
        const std::uint32_t in[2] = {p, d};
        return FromTruthTable(unsigned(mode - 1), 2, in);
    }
    }
}

}  // namespace ksdvi::gdi

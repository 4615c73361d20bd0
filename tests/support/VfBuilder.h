#pragma once
// VF bytes for the cases vptovf would never write.

#include <cstdint>
#include <string>
#include <vector>

#include "support/DviBuilder.h"

struct VfBuilder {
    DviBuilder out;  // the same big-endian byte writer
    VfBuilder& Pre(uint32_t checksum = 0) {
        out.Op(247).Op(202).Op(0).U(checksum, 4).U(10 << 20, 4);
        return *this;
    }
    // `scale`: the local font's size as a fix-word of the virtual font's.
    VfBuilder& FntDef(uint32_t k, std::string const& name, int kBytes = 1, uint32_t scale = 1 << 20) {
        out.Op(242 + kBytes).U(k, kBytes).U(0, 4).U(scale, 4).U(10 << 20, 4).Op(0).Op(static_cast<int>(name.size()));
        out.bytes.insert(out.bytes.end(), name.begin(), name.end());
        return *this;
    }
    VfBuilder& Char(int code, std::vector<uint8_t> const& packet) {
        out.Op(static_cast<int>(packet.size())).Op(code).U(0, 3);
        out.bytes.insert(out.bytes.end(), packet.begin(), packet.end());
        return *this;
    }
    VfBuilder& LongChar(int code, std::vector<uint8_t> const& packet) {
        out.Op(242).U(static_cast<uint32_t>(packet.size()), 4).U(static_cast<uint32_t>(code), 4).U(0, 4);
        out.bytes.insert(out.bytes.end(), packet.begin(), packet.end());
        return *this;
    }
    VfBuilder& Post() {
        out.Op(248);
        return *this;
    }
};

#pragma once
// VF bytes for the cases vptovf would never write.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/DviBuilder.h"
#include "support/TempDir.h"

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
    // kstest's characters B, C, E and 0177, each setting itself: with a packet
    // for A, a whole virtual font over kstest.
    VfBuilder& OtherKstestChars() { return Char('B', {'B'}).Char('C', {'C'}).Char('E', {'E'}).Char(0177, {0177}); }
    VfBuilder& Post() {
        out.Op(248);
        return *this;
    }
};

// A scratch directory holding the virtual font `name`: its VF file and, as its
// metrics, a copy of one of tests/data/metrics.
struct VfDir : TempDir {
    VfDir(std::string const& name, std::vector<uint8_t> const& vf, std::string const& metrics = "kstest.tfm") {
        std::filesystem::copy_file(std::string(KSDVI_TEST_DATA) + "/metrics/" + metrics, *this / (name + ".tfm"));
        std::ofstream(*this / (name + ".vf"), std::ios::binary)
            .write(reinterpret_cast<char const*>(vf.data()), static_cast<std::streamsize>(vf.size()));
    }
};

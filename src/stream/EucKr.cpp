#include "stream/EucKr.h"

#include <array>
#include <cstdint>
#include <memory>

#include <iconv.h>

namespace ksdvi {

namespace {

constexpr int kFirstLead = 0x81, kFirstTrail = 0x41, kTrails = 0xFF - kFirstTrail;

// Every two-byte code converted once, by iconv, on first use: documents
// convert one character at a time and thousands per page.
struct CodeTable {
    std::array<uint16_t, (0xFF - kFirstLead) * kTrails> unicode{};

    CodeTable() {
        iconv_t cd = iconv_open("UTF-16LE", "CP949");
        if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-16LE", "EUC-KR");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (int lead = kFirstLead; lead < 0xFF; ++lead) {
            for (int trail = kFirstTrail; trail < 0xFF; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                unsigned char out[4];
                char *from = in, *to = reinterpret_cast<char*>(out);
                size_t left = 2, room = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &from, &left, &to, &room) != static_cast<size_t>(-1) && left == 0 && room == 2)
                    unicode[Index(lead, trail)] = static_cast<uint16_t>(out[0] | out[1] << 8);
            }
        }
        iconv_close(cd);
    }

    static size_t Index(int lead, int trail) {
        return size_t(lead - kFirstLead) * kTrails + size_t(trail - kFirstTrail);
    }
};

}  // namespace

int EucKrToUnicode(unsigned char lead, unsigned char trail, unsigned short& out) {
    if (!IsEucKrLeadByte(lead) || trail < kFirstTrail || trail == 0xFF) return 0;
    static CodeTable const table;
    uint16_t u = table.unicode[CodeTable::Index(lead, trail)];
    if (u == 0) return 0;
    out = u;
    return 1;
}

}  // namespace ksdvi

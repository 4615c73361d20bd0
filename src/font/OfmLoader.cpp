// Omega's extended metric files: 32-bit header quantities and codes up to 65535,
// level 0 with one char_info per code, level 1 with repeated char_info records.

#include "font/FixWordScaler.h"
#include "font/ItrnFont.h"

#include <tuple>

using namespace ksdvi;

int ksdvi::ItrnFont::LoadOfm(String8 const& path) {
    MetricFileStream in(path);
    uint32_t level = in.ReadUInt32();
    if (level == 0) return LoadOfmLevel0(in);
    if (level == 1) return LoadOfmLevel1(in);
    return 0;
}

int ksdvi::ItrnFont::ReadHeader(MetricFileStream& in, uint32_t lh) {
    if (lh < 2) return 0;
    checksum_ = in.ReadUInt32();
    designSize_ = in.ReadUInt32() >> 4;
    for (uint32_t i = 2; i < lh; ++i) in.ReadUInt32();
    return in.good() ? 1 : 0;
}

// lf lh bc ec nw nh nd ni nl nk ne np fontdir, header[lh], char_info[ec-bc+1] of
// 8 bytes, widths, heights, depths.
int ksdvi::ItrnFont::LoadOfmLevel0(MetricFileStream& in) {
    uint32_t w[13];
    for (uint32_t& word : w) word = in.ReadUInt32();
    auto [lf, lh, bc, ec, nw, nh, nd, ni, nl, nk, ne, np] =
        std::tuple(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11]);
    bc_ = bc;
    ec_ = ec;
    if (bc > ec + 1 || ec > 65535 || nw > 65535 || nh > 256 || nd > 256) return 0;
    // Summed wide: in 32 bits, huge counts could wrap round to the length.
    uint64_t words = 14ull + lh + 2ull * (ec - bc + 1) + nw + nh + nd + ni + 2ull * nl + nk + 2ull * ne + np;
    if (lf != words || !FileHolds(in, lf) || !ReadHeader(in, lh)) return 0;

    FixWordScaler scaler(static_cast<uint32_t>(scaleSize_));
    AllocateTables(ec - bc + 1, nw, nh, nd);
    for (uint32_t i = 0; i < ec - bc + 1; ++i) {
        widthIndex_[i] = static_cast<uint16_t>(in.ReadUInt16());
        heightIndex_[i] = static_cast<uint8_t>(in.ReadUInt8());
        depthIndex_[i] = static_cast<uint8_t>(in.ReadUInt8());
        in.ReadUInt32();  // italic index, tag, remainder
    }
    return ReadDimensions(in, scaler);
}

// Words 1-13 as level 0, then nco ncw npc and the six kern/glue counts; the
// char_info records start at word nco and each covers r + 1 codes.
int ksdvi::ItrnFont::LoadOfmLevel1(MetricFileStream& in) {
    uint32_t w[28];
    for (uint32_t& word : w) word = in.ReadUInt32();
    uint32_t lf = w[0], lh = w[1], bc = w[2], ec = w[3], nw = w[4], nh = w[5], nd = w[6];
    uint32_t ni = w[7], nl = w[8], nk = w[9], ne = w[10], np = w[11];
    uint32_t nco = w[13], ncw = w[14], npc = w[15];
    uint32_t const* k = w + 16;  // nki nwi nkf nwf nkm nwm nkr nwr nkg nwg nkp nwp
    bc_ = bc;
    ec_ = ec;
    // Summed wide: in 32 bits, huge counts could wrap round to the length.
    uint64_t words = 29ull + lh + ncw + nw + nh + nd + ni + 2ull * nl + nk + 2ull * ne + np;
    for (int i = 0; i < 12; ++i) words += k[i];
    if (lf != words) return 0;
    if (static_cast<uint64_t>(k[0]) + k[2] + k[4] + k[6] + k[8] + k[10] >= 32) return 0;
    if (bc > ec + 1 || ec > 65535 || nw > 65535 || nh > 256 || nd > 256) return 0;
    if (!FileHolds(in, lf) || !ReadHeader(in, lh)) return 0;

    // A record is 10 bytes and (npc + 2) / 2 skipped pairs of bytes. One
    // longer than all the records' words is damage, and npc near 2^32 would
    // have every record skip for a billion reads.
    uint64_t skipPairs = (static_cast<uint64_t>(npc) + 2) / 2;
    if (bc <= ec && 10 + 2 * skipPairs > 4ull * ncw) return 0;

    FixWordScaler scaler(static_cast<uint32_t>(scaleSize_));
    AllocateTables(ec - bc + 1, nw, nh, nd);
    in.seekg(static_cast<std::streamoff>(nco) * 4);
    for (uint32_t c = bc; c <= ec && in.good();) {
        uint16_t wi = static_cast<uint16_t>(in.ReadUInt16());
        uint8_t hi = static_cast<uint8_t>(in.ReadUInt8());
        uint8_t di = static_cast<uint8_t>(in.ReadUInt8());
        in.ReadUInt32();  // italic index, tag, remainder
        uint32_t r = in.ReadUInt16();
        for (uint64_t i = 0; i < skipPairs; ++i) in.ReadUInt16();
        for (uint32_t code = c; code <= c + r && code <= ec; ++code) {
            widthIndex_[code - bc] = wi;
            heightIndex_[code - bc] = hi;
            depthIndex_[code - bc] = di;
        }
        c += r + 1;
    }
    return ReadDimensions(in, scaler);
}

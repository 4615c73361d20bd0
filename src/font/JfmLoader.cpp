// pTeX's Japanese font metrics. After id and nt come lf lh bc ec nw nh nd ni
// nl nk ng np (16 bits each), header[lh], char_type[nt], char_info[ec+1],
// width, height, depth, italic, glue_kern[nl], kern[nk], glue[ng], param.
// A char_type word holds a code's low two bytes, its high byte and its type.

#include <vector>

#include "font/FixWordScaler.h"
#include "font/ItrnFont.h"

using namespace ksdvi;

int ksdvi::ItrnFont::LoadJfm(MetricFileStream& in, uint32_t id, uint32_t nt) {
    uint32_t lf = in.ReadUInt16(), lh = in.ReadUInt16();
    uint32_t bc = in.ReadUInt16(), ec = in.ReadUInt16();
    uint32_t nw = in.ReadUInt16(), nh = in.ReadUInt16(), nd = in.ReadUInt16(), ni = in.ReadUInt16();
    uint32_t nl = in.ReadUInt16(), nk = in.ReadUInt16(), ng = in.ReadUInt16(), np = in.ReadUInt16();
    bc_ = 0;
    ec_ = 0;
    if (!in.good() || lf != 7 + nt + lh + (ec + 1) + nw + nh + nd + ni + nl + nk + ng + np) return 0;
    if (bc != 0 || ec > 255 || nt < 1 || lh < 2 || nw > 256 || nh > 16 || nd > 16 || ni > 64) return 0;
    if (!FileHolds(in, lf)) return 0;

    std::vector<uint32_t> header(lh);
    for (uint32_t& word : header) word = in.ReadUInt32();
    checksum_ = header[0];
    designSize_ = header[1] >> 4;

    // Codes ascending after the default entry (code 0, type 0); types within ec.
    std::vector<uint32_t> codes;
    std::vector<uint8_t> types;
    codes.reserve(nt);
    types.reserve(nt);
    for (uint32_t i = 0; i < nt; ++i) {
        uint32_t word = in.ReadUInt32();
        uint32_t code = (((word >> 8) & 0xFF) << 16) | (word >> 16);
        uint32_t type = word & 0xFF;
        if (i == 0 ? (code != 0 || type != 0) : (code <= codes.back() || type > ec)) return 0;
        codes.push_back(code);
        types.push_back(static_cast<uint8_t>(type));
    }

    FixWordScaler scaler(static_cast<uint32_t>(scaleSize_));
    AllocateTables(ec + 1, nw, nh, nd);
    for (uint32_t i = 0; i <= ec; ++i) {
        widthIndex_[i] = static_cast<uint16_t>(in.ReadUInt8());
        uint32_t hd = in.ReadUInt8();
        heightIndex_[i] = static_cast<uint8_t>(hd >> 4);
        depthIndex_[i] = static_cast<uint8_t>(hd & 0x0F);
        uint32_t tag = in.ReadUInt8() & 3;
        uint32_t remainder = in.ReadUInt8();
        // Only tag 1 (a glue/kern program) has a meaning in a JFM.
        if (tag > 1 || (tag == 1 && remainder >= nl)) return 0;
    }
    ec_ = ec;
    if (!ReadDimensions(in, scaler)) return 0;
    for (uint32_t i = 0; i < ni; ++i) in.ReadUInt32();

    // The glue/kern program: each step names a character type and a glue
    // (three words from 3 x index) or a kern, which must lie in their tables.
    for (uint32_t i = 0; i < nl; ++i) {
        uint32_t word = in.ReadUInt32();
        uint32_t skip = word >> 24, next = (word >> 16) & 0xFF, op = (word >> 8) & 0xFF, remainder = word & 0xFF;
        if (skip > 128) continue;  // a rearrangement or a stop: no reference of its own
        if (next > ec) return 0;
        uint32_t index = ((op & 0x7F) << 8) | remainder;
        if (op >= 128 ? index >= nk : 3ull * index + 3 > ng) return 0;
    }
    if (!in.good()) return 0;

    jfmId_ = id;
    jfmCodes_ = std::move(codes);
    jfmTypes_ = std::move(types);
    return 1;
}

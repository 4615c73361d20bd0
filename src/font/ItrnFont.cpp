#include "font/ItrnFont.h"

#include <strings.h>

#include <algorithm>

#include "font/FixWordScaler.h"

using namespace ksdvi;

ksdvi::ItrnFont::ItrnFont(ksdvi::FontRegistry* owner, String8 const& area, String8 const& name, unsigned int scale)
    : owner_(owner), area_(area), name_(name), scaleSize_(static_cast<int>(scale)) {}

ksdvi::ItrnFont::~ItrnFont() = default;

unsigned char const* ksdvi::ItrnFont::GetCharPacket(unsigned int c) const {
    if (!IsValidChar(c) || !virtual_) return nullptr;
    if (IsJfm()) {
        auto it = jfmPackets_.find(c);
        // One byte of storage even for an empty packet, as other fonts have.
        static unsigned char const kEmpty = 0;
        return it == jfmPackets_.end() ? nullptr : it->second.empty() ? &kEmpty : it->second.data();
    }
    if (c - bc_ >= packets_.size()) return nullptr;
    return packets_[c - bc_].get();
}

int ksdvi::ItrnFont::GetCharPacketLength(unsigned int c) const {
    if (!IsValidChar(c) || !virtual_) return 0;
    if (IsJfm()) {
        auto it = jfmPackets_.find(c);
        return it == jfmPackets_.end() ? 0 : static_cast<int>(it->second.size());
    }
    if (c - bc_ >= packetLengths_.size()) return 0;
    return packetLengths_[c - bc_];
}

unsigned ksdvi::ItrnFont::GetCharType(unsigned code) const {
    auto it = std::lower_bound(jfmCodes_.begin(), jfmCodes_.end(), code);
    if (it == jfmCodes_.end() || *it != code) return 0;
    return jfmTypes_[static_cast<size_t>(it - jfmCodes_.begin())];
}

bool ksdvi::ItrnFont::FileHolds(MetricFileStream& in, uint32_t words) {
    auto here = in.tellg();
    in.seekg(0, std::ios::end);
    auto size = in.tellg();
    in.seekg(here);
    return size >= 0 && static_cast<uint64_t>(words) * 4 <= static_cast<uint64_t>(size);
}

bool ksdvi::ItrnFont::IndexesFitTables() const {
    for (size_t i = 0; i < widthIndex_.size(); ++i) {
        if (widthIndex_[i] >= widths_.size() || heightIndex_[i] >= heights_.size() || depthIndex_[i] >= depths_.size())
            return false;
    }
    return true;
}

// TFM: lf lh bc ec nw nh nd ni nl nk ne np (16 bits each), header[lh],
// char_info[ec-bc+1], width[nw], height[nh], depth[nd], then tables we do not use.
int ksdvi::ItrnFont::LoadTfm(String8 const& path) {
    int length = path.GetLength();
    if (length > 4 && strcasecmp(path.c_str() + length - 4, ".ofm") == 0) return LoadOfm(path);

    MetricFileStream in(path);
    uint32_t lf = in.ReadUInt16(), lh = in.ReadUInt16();
    // A TFM's length is never as short as a JFM's id.
    if (lf == kJfmYoko || lf == kJfmTate) return LoadJfm(in, lf, lh);
    uint32_t bc = in.ReadUInt16(), ec = in.ReadUInt16();
    uint32_t nw = in.ReadUInt16(), nh = in.ReadUInt16(), nd = in.ReadUInt16(), ni = in.ReadUInt16();
    uint32_t nl = in.ReadUInt16(), nk = in.ReadUInt16(), ne = in.ReadUInt16(), np = in.ReadUInt16();
    bc_ = bc;
    ec_ = ec;
    if (lf != 6 + lh + (ec - bc + 1) + nw + nh + nd + ni + nl + nk + ne + np) return 0;
    if (bc > ec + 1 || ec > 255 || nw > 256) return 0;
    // A header without a checksum and design size, or a file shorter than it
    // claims: cut in the tables we skip, it would still have looked whole.
    if (lh < 2 || !in.good() || !FileHolds(in, lf)) return 0;

    std::vector<uint32_t> header(lh);
    for (uint32_t& word : header) word = in.ReadUInt32();
    checksum_ = header[0];
    designSize_ = header[1] >> 4;

    FixWordScaler scaler(static_cast<uint32_t>(scaleSize_));
    ReadHeaderTTFInfo(header, scaler);

    AllocateTables(ec - bc + 1, nw, nh, nd);
    for (uint32_t i = 0; i < ec - bc + 1; ++i) {
        widthIndex_[i] = static_cast<uint16_t>(in.ReadUInt8());
        uint32_t hd = in.ReadUInt8();
        heightIndex_[i] = static_cast<uint8_t>(hd >> 4);
        depthIndex_[i] = static_cast<uint8_t>(hd & 0x0F);
        in.ReadUInt16();  // italic index, tag, remainder
    }
    return ReadDimensions(in, scaler);
}

void ksdvi::ItrnFont::AllocateTables(uint32_t codes, uint32_t nw, uint32_t nh, uint32_t nd) {
    widthIndex_.assign(codes, 0);
    heightIndex_.assign(codes, 0);
    depthIndex_.assign(codes, 0);
    widths_.assign(nw, 0);
    heights_.assign(nh, 0);
    depths_.assign(nd, 0);
}

// The width, height and depth tables follow the char_info words in TFM and OFM.
int ksdvi::ItrnFont::ReadDimensions(MetricFileStream& in, FixWordScaler const& scaler) {
    for (int32_t& w : widths_) w = scaler.Scale(in.ReadUInt32());
    for (int32_t& h : heights_) h = scaler.Scale(in.ReadUInt32());
    for (int32_t& d : depths_) d = scaler.Scale(in.ReadUInt32());
    // A file cut short or an index past its table would give metrics from nowhere.
    if (in.fail() || !IndexesFitTables()) {
        widthIndex_.clear();
        return 0;
    }
    return 1;
}

// Header words 18 and up may describe the outline face that paints the font:
// 18 = 1, 22..24 height/width/vadjust, 25 weight|italic|slant|encoding, 26 name
// length, then the name; the double-byte face follows in the same layout.
void ksdvi::ItrnFont::ReadHeaderTTFInfo(std::vector<uint32_t> const& header, FixWordScaler const& scaler) {
    size_t lh = header.size();
    if (!sbcInfo_.faceName.IsNull() || lh < 27 || header[18] != 1) return;

    auto nameAt = [&](size_t first, uint32_t bytes) {
        std::string name;
        for (uint32_t i = 0; i < bytes; ++i)
            name.push_back(static_cast<char>((header[first + i / 4] >> (24 - 8 * (i % 4))) & 0xFF));
        return String8(name);
    };
    auto readInfo = [&](size_t at, TTFInfo& info) {
        info.height = scaler.Scale(header[at]);
        info.averagewidth = scaler.Scale(header[at + 1]);
        info.vadjustment = scaler.Scale(header[at + 2]);
        info.weight = static_cast<int>(header[at + 3] >> 16);
        info.italic = (header[at + 3] >> 15) & 1;
        info.slant = (header[at + 3] >> 14) & 1;
    };

    uint32_t l = header[26];
    if (l < 1) return;
    size_t e = 27 + (l - 1) / 4;
    if (lh <= e) return;
    readInfo(22, sbcInfo_);
    encoding_ = static_cast<KsDviTTFMap::EncodingName>(header[25] & 0xFF);
    sbcInfo_.faceName = nameAt(27, l);

    if (lh <= e + 5) return;
    uint32_t l2 = header[e + 5];
    if (l2 < 1) return;
    size_t e2 = e + 6 + (l2 - 1) / 4;
    if (lh <= e2) return;
    readInfo(e + 1, dbcInfo_);
    dbcInfo_.faceName = nameAt(e + 6, l2);
}

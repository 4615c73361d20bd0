// Virtual fonts: each character is a packet of DVI commands over other fonts.
// Packets are stored ready to run: dimensions scaled to DVI units for the
// font's size and every movement widened to its four-byte form, so that the
// interpreter never decodes or scales while it runs one.

#include <vector>

#include "font/FixWordScaler.h"
#include "font/ItrnFont.h"

namespace {

constexpr unsigned kPre = 247, kVfId = 202, kPost = 248;
constexpr unsigned kLongChar = 242, kFntDef1 = 243, kFntDef4 = 246;
constexpr size_t kMaxPacket = 1000;

// The stored packet under construction; false once it would outgrow its limit.
class PacketWriter {
public:
    bool Byte(unsigned b) {
        if (bytes_.size() + 1 > kMaxPacket) return false;
        bytes_.push_back(static_cast<unsigned char>(b));
        return true;
    }
    bool Word(int32_t v) {
        if (bytes_.size() + 4 > kMaxPacket) return false;
        for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<unsigned char>(uint32_t(v) >> shift));
        return true;
    }
    bool Fits(size_t n) const { return bytes_.size() + n <= kMaxPacket; }
    std::vector<unsigned char>& Bytes() { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

int32_t SignExtend(uint32_t v, int bytes) {
    if (bytes == 4) return static_cast<int32_t>(v);
    uint32_t sign = 1u << (8 * bytes - 1);
    return static_cast<int32_t>((v ^ sign) - sign);
}

uint32_t ReadBytes(BinInFileStream& in, int bytes) {
    switch (bytes) {
    case 1: return in.ReadUInt8();
    case 2: return in.ReadUInt16();
    case 3: return in.ReadUInt24();
    default: return in.ReadUInt32();
    }
}

// The four-byte opcode of a movement family (right, w, x, down, y, z), or 0.
unsigned WideMovement(unsigned op, int& bytes) {
    static constexpr unsigned kFirst[] = {143, 148, 153, 157, 162, 167};
    for (unsigned first : kFirst) {
        if (op >= first && op < first + 4) {
            bytes = static_cast<int>(op - first + 1);
            return first + 3;
        }
    }
    return 0;
}

}  // namespace

// pre[247] i[202] k[1] x[k] cs[4] ds[4], then fnt_defs and characters, post
void KsDvi::ItrnFont::LoadVf(String8 const& path) {
    virtual_ = 1;
    size_t codes = widthIndex_.size();
    packetLengths_.assign(codes, 0);
    packets_.clear();
    packets_.resize(codes);
    localFonts_.assign(LocalFontIndexSize, nullptr);
    firstLocalFont_ = -1;

    Tfmifstream in(path);
    bool ok = in.ReadUInt8() == kPre && in.ReadUInt8() == kVfId;
    if (ok) {
        in.ignore(in.ReadUInt8());
        uint32_t cs = in.ReadUInt32();
        in.ReadUInt32();  // design size: the metrics have it
        ok = in.good() && (cs == 0 || checksum_ == 0 || cs == checksum_);
    }
    int scale = scaleSize_;
    while (ok) {
        if (!in.good()) {
            ok = false;
            break;
        }
        unsigned op = in.ReadUInt8();
        if (op == kPost) break;
        if (op >= kFntDef1 && op <= kFntDef4) {
            LoadVfFntDef(scale, in, ReadBytes(in, static_cast<int>(op - kFntDef1 + 1)));
            continue;
        }
        if (op > kLongChar) {
            ok = false;
            break;
        }
        uint32_t pl, cc;
        if (op == kLongChar) {
            pl = in.ReadUInt32();
            cc = in.ReadUInt32();
            in.ReadUInt32();  // TFM width: the metrics have it
        } else {
            pl = op;
            cc = in.ReadUInt8();
            in.ReadUInt24();
        }
        if (cc >= bc_ && cc <= ec_)
            LoadVfCharPacket(scale, in, cc, pl);
        else
            in.ignore(pl);
    }
    // Every character of the metrics needs a packet, and only they may have one.
    for (uint32_t c = bc_; ok && c <= ec_ && c - bc_ < codes; ++c)
        ok = (IsValidChar(c) != 0) == (packets_[c - bc_] != nullptr);
    if (!ok) DropPackets();
}

void KsDvi::ItrnFont::DropPackets() {
    virtual_ = 0;
    packets_.clear();
    packetLengths_.clear();
}

// fnt_def: k, then c[4] s[4] d[4] a[1] l[1] n[a+l]; s is a fix-word of this font's size
void KsDvi::ItrnFont::LoadVfFntDef(int scale, BinInFileStream& in, unsigned int k) {
    FixWordScaler scaler(static_cast<uint32_t>(scale));
    in.ReadUInt32();  // checksum
    int32_t size = scaler.Scale(in.ReadUInt32());
    uint32_t design = in.ReadUInt32();
    uint32_t a = in.ReadUInt8();
    uint32_t l = in.ReadUInt8();
    std::string area(a, '\0'), name(l, '\0');
    in.read(area.data(), a);
    in.read(name.data(), l);
    if (k >= static_cast<unsigned>(LocalFontIndexSize) || !in.good() || !owner_) return;
    localFonts_[k] = owner_->LoadItrnFont(String8(area), String8(name), size, design);
    if (firstLocalFont_ < 0) firstLocalFont_ = static_cast<int>(k);
}

void KsDvi::ItrnFont::LoadVfCharPacket(int scale, BinInFileStream& in, unsigned int c, unsigned int pl) {
    FixWordScaler scaler(static_cast<uint32_t>(scale));
    PacketWriter out;
    uint64_t consumed = 0;  // bytes of the packet read so far
    // A rejected packet is skipped to its end, so the file is read in step.
    auto reject = [&] {
        packets_[c - bc_].reset();
        packetLengths_[c - bc_] = 0;
        if (consumed < pl) in.ignore(static_cast<std::streamsize>(pl - consumed));
    };
    while (consumed < pl) {
        if (!in.good()) return reject();
        unsigned op = in.ReadUInt8();
        ++consumed;
        int bytes = 0;
        bool fits = true;
        if (op < 128 || (op >= 171 && op <= 234) || op == 138 || op == 141 || op == 142 || op == 147 || op == 152 ||
            op == 161 || op == 166) {
            fits = out.Byte(op);
        } else if (op == 128 || op == 133 || op == 235) {  // set1, put1, fnt1
            unsigned arg = in.ReadUInt8();
            consumed += 1;
            fits = out.Fits(2) && out.Byte(op) && out.Byte(arg);
        } else if (op == 132 || op == 137) {  // set_rule, put_rule
            int32_t a = scaler.Scale(in.ReadUInt32());
            int32_t b = scaler.Scale(in.ReadUInt32());
            consumed += 8;
            fits = out.Fits(9) && out.Byte(op) && out.Word(a) && out.Word(b);
        } else if (unsigned wide = WideMovement(op, bytes)) {
            int32_t value = scaler.Scale(static_cast<uint32_t>(SignExtend(ReadBytes(in, bytes), bytes)));
            consumed += static_cast<uint64_t>(bytes);
            fits = out.Fits(5) && out.Byte(wide) && out.Word(value);
        } else if (op >= 239 && op <= 242) {  // xxx1 to xxx4
            bytes = static_cast<int>(op - 238);
            uint32_t k = ReadBytes(in, bytes);
            consumed += static_cast<uint64_t>(bytes);
            fits = out.Fits(5 + static_cast<size_t>(k));
            if (fits) {
                out.Byte(242);
                out.Word(static_cast<int32_t>(k));
                size_t at = out.Bytes().size();
                out.Bytes().resize(at + k);
                in.read(reinterpret_cast<char*>(out.Bytes().data() + at), k);
                consumed += k;
            }
        } else {
            // bop, eop, font definitions, pre/post, undefined, and the wide
            // set/put/fnt forms, which a stored packet never holds
            return reject();
        }
        if (!fits) return reject();
    }
    if (consumed != pl || !in.good()) return reject();
    size_t n = out.Bytes().size();
    packets_[c - bc_] = std::make_unique<unsigned char[]>(n > 0 ? n : 1);
    std::copy(out.Bytes().begin(), out.Bytes().end(), packets_[c - bc_].get());
    packetLengths_[c - bc_] = static_cast<int>(n);
}

// Virtual fonts: each character is a packet of DVI commands over other fonts.
// Packets are stored ready to run: dimensions scaled to DVI units for the
// font's size and every movement widened to its four-byte form, so that the
// interpreter never decodes or scales while it runs one.

#include <algorithm>
#include <fstream>
#include <vector>

#include "dvi/DviOpcodes.h"
#include "font/FixWordScaler.h"
#include "font/FontRegistry.h"
#include "font/ItrnFont.h"
#include "stream/BigEndian.h"

using namespace ksdvi;

namespace {

using namespace ksdvi::dvi;

constexpr unsigned kVfId = 202;
constexpr unsigned kLongChar = 242;
constexpr size_t kMaxPacket = 1000;
// VF files of real fonts are a few kilobytes; far larger ones are damage.
constexpr std::streamoff kLargestFile = 1 << 24;
// upTeX's JFM virtual fonts hold a packet for each of some 40,000 codes;
// a file of a million would cost a hundred megabytes of records.
constexpr size_t kMostJfmPackets = 1 << 17;

// The stored packet under construction; false once it would outgrow its limit.
class PacketWriter {
public:
    // A packet's commands grow at most from two bytes to five (a movement of
    // one byte widened): room for that up front, as fonts have hundreds of
    // packets and each is read with every document that uses the font.
    explicit PacketWriter(size_t packetBytes) { bytes_.reserve(std::min(kMaxPacket, packetBytes * 5 / 2 + 1)); }
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

}  // namespace

std::vector<unsigned char> ksdvi::ItrnFont::ReadVfFile(String8 const& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size <= 0 || size > kLargestFile) return {};
    in.seekg(0);
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return {};
    return bytes;
}

void ksdvi::ItrnFont::LoadVf(String8 const& path) { LoadVf(ReadVfFile(path)); }

// pre[247] i[202] k[1] x[k] cs[4] ds[4], then fnt_defs and characters, post
void ksdvi::ItrnFont::LoadVf(std::vector<unsigned char> const& bytes) {
    virtual_ = 1;
    size_t codes = IsJfm() ? 0 : widthIndex_.size();
    packetLengths_.assign(codes, 0);
    packets_.clear();
    packets_.resize(codes);
    jfmPackets_.clear();
    localFonts_.clear();
    firstLocalFont_ = -1;

    ksdvi::ByteReader in(bytes.data(), bytes.size());
    bool ok = in.Unsigned(1) == kPre && in.Unsigned(1) == kVfId;
    if (ok) {
        in.Skip(in.Unsigned(1));
        uint32_t cs = in.Unsigned(4);
        in.Skip(4);  // design size: the metrics have it
        ok = !in.Failed() && (cs == 0 || checksum_ == 0 || cs == checksum_);
    }
    int scale = scaleSize_;
    while (ok) {
        unsigned op = in.Unsigned(1);
        if (in.Failed()) {
            ok = false;
            break;
        }
        if (op == kPost) break;
        if (FamilyOf(op) == kFntDef1) {
            LoadVfFntDef(scale, in, in.Unsigned(FamilyWidth(op)));
            continue;
        }
        if (op > kLongChar) {
            ok = false;
            break;
        }
        uint32_t pl, cc;
        if (op == kLongChar) {
            pl = in.Unsigned(4);
            cc = in.Unsigned(4);
            in.Skip(4);  // TFM width: the metrics have it
        } else {
            pl = op;
            cc = in.Unsigned(1);
            in.Skip(3);
        }
        if (!in.Has(pl)) {
            ok = false;
            break;
        }
        ksdvi::ByteReader packet(in.Here(), pl);
        in.Skip(pl);
        // A JFM's codes are those of its packets: JIS or Unicode, not types.
        if (IsJfm() && jfmPackets_.size() >= kMostJfmPackets) {
            ok = false;
            break;
        }
        if (IsJfm() ? cc <= 0xFFFFFF : cc >= bc_ && cc <= ec_) LoadVfCharPacket(scale, packet, cc);
    }
    // Every character of the metrics needs a packet, and only they may have one.
    for (uint32_t c = bc_; ok && c <= ec_ && c - bc_ < codes; ++c)
        ok = (IsValidChar(c) != 0) == (packets_[c - bc_] != nullptr);
    if (!ok) DropPackets();
}

void ksdvi::ItrnFont::DropPackets() {
    virtual_ = 0;
    packets_.clear();
    packetLengths_.clear();
    jfmPackets_.clear();
}

void ksdvi::ItrnFont::StorePacket(unsigned c, std::vector<unsigned char> const& bytes) {
    if (IsJfm()) {
        jfmPackets_[c] = bytes;
        return;
    }
    size_t n = bytes.size();
    packets_[c - bc_] = std::make_unique<unsigned char[]>(n > 0 ? n : 1);
    std::copy(bytes.begin(), bytes.end(), packets_[c - bc_].get());
    packetLengths_[c - bc_] = static_cast<int>(n);
}

void ksdvi::ItrnFont::ForgetPacket(unsigned c) {
    if (IsJfm()) {
        jfmPackets_.erase(c);
        return;
    }
    packets_[c - bc_].reset();
    packetLengths_[c - bc_] = 0;
}

// fnt_def: k, then c[4] s[4] d[4] a[1] l[1] n[a+l]; s is a fix-word of this font's size
void ksdvi::ItrnFont::LoadVfFntDef(int scale, ksdvi::ByteReader& in, unsigned int k) {
    FixWordScaler scaler(static_cast<uint32_t>(scale));
    in.Skip(4);  // checksum
    int32_t size = scaler.Scale(in.Unsigned(4));
    uint32_t design = in.Unsigned(4);
    uint32_t a = in.Unsigned(1);
    uint32_t l = in.Unsigned(1);
    if (!in.Has(a + l)) {
        in.Skip(a + l);  // fails the reader: the file ends inside the definition
        return;
    }
    std::string area(reinterpret_cast<char const*>(in.Here()), a);
    std::string name(reinterpret_cast<char const*>(in.Here()) + a, l);
    in.Skip(a + l);
    if (k >= static_cast<unsigned>(LocalFontIndexSize) || !owner_) return;
    // The table reaches the highest number defined: real fonts number theirs from 0.
    if (k >= localFonts_.size()) localFonts_.resize(k + 1, nullptr);
    localFonts_[k] = owner_->LoadLocal(String8(area), String8(name), size, design);
    if (firstLocalFont_ < 0) firstLocalFont_ = static_cast<int>(k);
}

// A packet's commands, stored as the interpreter runs them; a packet with a
// command a packet may not hold, or one cut short, leaves the code without one.
void ksdvi::ItrnFont::LoadVfCharPacket(int scale, ksdvi::ByteReader& in, unsigned int c) {
    FixWordScaler scaler(static_cast<uint32_t>(scale));
    PacketWriter out(in.Size());
    auto reject = [&] { ForgetPacket(c); };
    while (!in.AtEnd()) {
        unsigned op = in.Unsigned(1);
        unsigned family = FamilyOf(op);
        int width = family ? FamilyWidth(op) : 0;
        bool fits = true;
        if (op < kSet1 || (op >= kFntNum0 && op < kFnt1) || op == kNop || op == kPush || op == kPop || op == kW0 ||
            op == kX0 || op == kY0 || op == kZ0) {
            fits = out.Byte(op);
        } else if ((family == kSet1 || family == kPut1 || family == kFnt1) && width == 1) {
            unsigned arg = in.Unsigned(1);
            fits = out.Fits(2) && out.Byte(op) && out.Byte(arg);
        } else if ((family == kSet1 || family == kPut1) && (width == 2 || width == 3) && IsJfm()) {
            // A JFM's packets set the codes of its Japanese font (JIS, or upTeX's Unicode).
            unsigned arg = in.Unsigned(width);
            fits = out.Fits(1 + size_t(width)) && out.Byte(op);
            for (int shift = 8 * (width - 1); fits && shift >= 0; shift -= 8) fits = out.Byte((arg >> shift) & 0xFF);
        } else if (op == kSetRule || op == kPutRule) {
            int32_t a = scaler.Scale(in.Unsigned(4));
            int32_t b = scaler.Scale(in.Unsigned(4));
            fits = out.Fits(9) && out.Byte(op) && out.Word(a) && out.Word(b);
        } else if (family == kRight1 || family == kW1 || family == kX1 || family == kDown1 || family == kY1 ||
                   family == kZ1) {
            // Every movement widened to its four-byte form.
            int32_t value = scaler.Scale(static_cast<uint32_t>(in.Signed(width)));
            fits = out.Fits(5) && out.Byte(family + 3) && out.Word(value);
        } else if (family == kXxx1) {
            uint32_t k = in.Unsigned(width);
            fits = in.Has(k) && out.Fits(5 + static_cast<size_t>(k)) && out.Byte(kXxx1 + 3) &&
                   out.Word(static_cast<int32_t>(k));
            if (fits) {
                out.Bytes().insert(out.Bytes().end(), in.Here(), in.Here() + k);
                in.Skip(k);
            }
        } else {
            // bop, eop, font definitions, pre/post, undefined, and the wide
            // set/put/fnt forms, which a stored packet never holds
            return reject();
        }
        if (!fits || in.Failed()) return reject();
    }
    StorePacket(c, out.Bytes());
}

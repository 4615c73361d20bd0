#include "font/PkFont.h"

#include <algorithm>
#include <fstream>

#include "stream/BigEndian.h"

namespace ksdvi {

namespace {

constexpr unsigned kXxx1 = 240, kXxx4 = 243, kYyy = 244, kPost = 245, kNoOp = 246, kPre = 247;
constexpr size_t kLargestFile = size_t(1) << 28;

// The nybbles of a run-length packed raster, never past its packet.
class Nybbles {
public:
    Nybbles(unsigned char const* data, size_t size) : data_(data), size_(size) {}

    bool Next(unsigned& out) {
        if (pos_ / 2 >= size_) return false;
        unsigned char byte = data_[pos_ / 2];
        out = pos_ % 2 == 0 ? byte >> 4 : byte & 0x0F;
        ++pos_;
        return true;
    }

    // The next run count; a repeat count met on the way goes to `repeat`.
    bool PackedNumber(unsigned dynF, long& out, long& repeat, bool repeatAllowed = true) {
        unsigned i;
        if (!Next(i)) return false;
        if (i == 0) {
            // A long count: as many leading zero nybbles as digits to follow.
            unsigned j = 0;
            int zeros = 0;
            do {
                if (!Next(j)) return false;
                ++zeros;
            } while (j == 0 && zeros < 8);
            long value = j;
            for (int k = 0; k < zeros; ++k) {
                unsigned d;
                if (!Next(d)) return false;
                value = value * 16 + d;
            }
            out = value - 15 + (13 - long(dynF)) * 16 + long(dynF);
            return true;
        }
        if (i <= dynF) {
            out = i;
            return true;
        }
        if (i < 14) {
            unsigned d;
            if (!Next(d)) return false;
            out = (long(i) - long(dynF) - 1) * 16 + d + dynF + 1;
            return true;
        }
        // 14: a repeat count follows; 15: repeat once. A repeat of a repeat is damage.
        if (!repeatAllowed) return false;
        long count = 1;
        long ignored = 0;
        if (i == 14 && !PackedNumber(dynF, count, ignored, false)) return false;
        repeat = count;
        return PackedNumber(dynF, out, repeat, false);
    }

private:
    unsigned char const* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool Fail(std::string* error, std::string const& what) {
    if (error) *error = what;
    return false;
}

bool ReadStraightBitmap(ByteReader& in, PkFont::Char& c) {
    size_t bits = size_t(c.width) * size_t(c.height);
    if (!in.Has((bits + 7) / 8)) return false;
    unsigned char const* p = in.Here();
    for (size_t i = 0; i < bits; ++i) c.pixels[i] = (p[i / 8] >> (7 - i % 8)) & 1;
    return true;
}

bool ReadPackedBitmap(unsigned char const* data, size_t size, unsigned dynF, bool black, PkFont::Char& c) {
    Nybbles nybbles(data, size);
    long const w = c.width;
    long rowsLeft = c.height;
    long row = 0, column = 0;  // where the next pixel of the run goes
    long repeat = 0;
    while (rowsLeft > 0) {
        long count;
        if (!nybbles.PackedNumber(dynF, count, repeat) || count < 0) return false;
        while (count > 0) {
            long n = std::min(count, w - column);
            if (black) std::fill_n(c.pixels.begin() + row * w + column, n, uint8_t(1));
            column += n;
            count -= n;
            if (column < w) break;
            // A row is complete: copy it for each repeat.
            column = 0;
            if (repeat > rowsLeft - 1) return false;
            for (long r = 1; r <= repeat; ++r)
                std::copy_n(c.pixels.begin() + row * w, w, c.pixels.begin() + (row + r) * w);
            row += repeat + 1;
            rowsLeft -= repeat + 1;
            repeat = 0;
            if (rowsLeft == 0) break;  // what runs past the last row is ignored
        }
        black = !black;
    }
    return true;
}

// A character packet; `in` is positioned after the flag byte. The packet's
// length counts the bytes after its character code.
bool ReadChar(ByteReader& in, unsigned flag, PkFont::Char& c, std::string* error) {
    unsigned dynF = flag >> 4;
    bool black = flag & 8;
    unsigned form = flag & 7;
    uint32_t length;
    size_t start;
    if (form < 4) {
        length = ((form & 3) << 8) | in.Unsigned(1);
        c.code = in.Unsigned(1);
        start = in.Position();
        c.tfmWidth = static_cast<int32_t>(in.Unsigned(3));
        c.dx = static_cast<int32_t>(in.Unsigned(1) << 16);
        c.width = static_cast<int>(in.Unsigned(1));
        c.height = static_cast<int>(in.Unsigned(1));
        c.hoff = in.Signed(1);
        c.voff = in.Signed(1);
    } else if (form < 7) {
        length = ((form & 3) << 16) | in.Unsigned(2);
        c.code = in.Unsigned(1);
        start = in.Position();
        c.tfmWidth = static_cast<int32_t>(in.Unsigned(3));
        c.dx = static_cast<int32_t>(in.Unsigned(2) << 16);
        c.width = static_cast<int>(in.Unsigned(2));
        c.height = static_cast<int>(in.Unsigned(2));
        c.hoff = in.Signed(2);
        c.voff = in.Signed(2);
    } else {
        length = in.Unsigned(4);
        c.code = in.Unsigned(4);
        start = in.Position();
        c.tfmWidth = in.Signed(4);
        c.dx = in.Signed(4);
        c.dy = in.Signed(4);
        uint32_t w = in.Unsigned(4), h = in.Unsigned(4);
        if (w > PkFont::MaxSide || h > PkFont::MaxSide) return Fail(error, "a character larger than any font has");
        c.width = static_cast<int>(w);
        c.height = static_cast<int>(h);
        c.hoff = in.Signed(4);
        c.voff = in.Signed(4);
    }
    if (in.Failed() || length > in.Size() - start) return Fail(error, "a character packet runs past the end");
    size_t header = in.Position() - start;
    if (length < header) return Fail(error, "a character packet shorter than its header");
    if (dynF > 14) return Fail(error, "a character packet with dyn_f 15");
    if (c.width > PkFont::MaxSide || c.height > PkFont::MaxSide || long(c.width) * long(c.height) > PkFont::MaxPixels)
        return Fail(error, "a character larger than any font has");
    c.pixels.assign(size_t(c.width) * size_t(c.height), 0);
    size_t rasterSize = length - header;
    bool ok = c.pixels.empty() ||
              (dynF == 14 ? ReadStraightBitmap(in, c) : ReadPackedBitmap(in.Here(), rasterSize, dynF, black, c));
    if (!ok) return Fail(error, "character " + std::to_string(c.code) + " has a damaged raster");
    in.Skip(rasterSize);
    return !in.Failed() || Fail(error, "a character packet runs past the end");
}

}  // namespace

std::unique_ptr<PkFont> PkFont::Parse(unsigned char const* data, size_t size, std::string* error) {
    ByteReader in(data, size);
    if (in.Unsigned(1) != kPre || in.Unsigned(1) != 89) {
        Fail(error, "not a PK file");
        return nullptr;
    }
    auto font = std::make_unique<PkFont>();
    in.Skip(in.Unsigned(1));
    font->designSize_ = in.Unsigned(4);
    font->checksum_ = in.Unsigned(4);
    font->hppp_ = in.Unsigned(4);
    font->vppp_ = in.Unsigned(4);
    if (in.Failed()) {
        Fail(error, "the PK preamble is cut short");
        return nullptr;
    }
    for (;;) {
        if (in.AtEnd()) {
            Fail(error, "the PK file has no postamble");
            return nullptr;
        }
        unsigned flag = in.Unsigned(1);
        if (flag == kPost) break;
        if (flag == kNoOp) continue;
        if (flag >= kXxx1 && flag <= kXxx4) {
            in.Skip(in.Unsigned(static_cast<int>(flag - kXxx1 + 1)));
        } else if (flag == kYyy) {
            in.Skip(4);
        } else if (flag >= kPre) {
            Fail(error, "PK command " + std::to_string(flag) + " is not defined");
            return nullptr;
        } else {
            Char c;
            if (!ReadChar(in, flag, c, error)) return nullptr;
            uint32_t code = c.code;
            font->chars_.insert_or_assign(code, std::move(c));
        }
        if (in.Failed()) {
            Fail(error, "a PK special runs past the end");
            return nullptr;
        }
    }
    return font;
}

std::unique_ptr<PkFont> PkFont::Read(std::string const& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail(error, "cannot open the PK file");
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<size_t>(size) > kLargestFile) {
        Fail(error, "not a PK file");
        return nullptr;
    }
    in.seekg(0);
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        Fail(error, "cannot read the PK file");
        return nullptr;
    }
    return Parse(bytes.data(), bytes.size(), error);
}

}  // namespace ksdvi

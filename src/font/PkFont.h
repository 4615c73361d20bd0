#pragma once
// A packed bitmap font (PK), as METAFONT's gftopk writes it for one resolution:
//   pre[247] id[1]=89 k[1] comment[k] ds[4] cs[4] hppp[4] vppp[4]
//   then character packets and specials (xxx1-4[240-243], yyy[244], no_op[246])
//   up to post[245].
// A character packet's flag byte gives its form (short, extended, long), the
// first run's colour and dyn_f, which selects a straight bitmap (14) or the
// run-length nybble code. Every count is checked against the packet and the
// glyph's own size, so a damaged file yields an error, never a wild read.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ksdvi {

class PkFont {
public:
    struct Char {
        uint32_t code = 0;
        int32_t tfmWidth = 0;  // fix-word fraction of the design size
        int32_t dx = 0;        // escapement, pixels x 65536
        int32_t dy = 0;
        int width = 0;  // pixels
        int height = 0;
        int hoff = 0;                 // the reference pixel's column from the bitmap's left
        int voff = 0;                 // and its row from the bitmap's top
        std::vector<uint8_t> pixels;  // width x height, row by row, 1 for black
    };

    // Glyphs larger than this many pixels each way are damage.
    static constexpr int MaxSide = 16384;
    static constexpr long MaxPixels = 1L << 26;

    // Null on failure, with the reason in `error` when given.
    static std::unique_ptr<PkFont> Parse(unsigned char const* data, size_t size, std::string* error = nullptr);
    static std::unique_ptr<PkFont> Read(std::string const& path, std::string* error = nullptr);

    uint32_t GetDesignSize() const { return designSize_; }
    uint32_t GetChecksum() const { return checksum_; }
    // Pixels per point, x 65536.
    uint32_t GetHppp() const { return hppp_; }
    uint32_t GetVppp() const { return vppp_; }
    Char const* GetChar(uint32_t code) const {
        auto it = chars_.find(code);
        return it == chars_.end() ? nullptr : &it->second;
    }
    std::map<uint32_t, Char> const& GetChars() const { return chars_; }

private:
    uint32_t designSize_ = 0;
    uint32_t checksum_ = 0;
    uint32_t hppp_ = 0;
    uint32_t vppp_ = 0;
    std::map<uint32_t, Char> chars_;
};

}  // namespace ksdvi

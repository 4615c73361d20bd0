#include "stream/JisX0208.h"

#include <array>
#include <mutex>
#include <string>

#include "stream/TextConversion.h"

namespace ksdvi {

namespace {

constexpr unsigned kFirst = 0x21, kCells = 94;

char32_t DecodeOne(std::string const& utf8) {
    auto const* p = reinterpret_cast<unsigned char const*>(utf8.data());
    size_t n = utf8.size();
    if (n == 1 && p[0] < 0x80) return p[0];
    if (n == 2 && (p[0] & 0xE0) == 0xC0) return char32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    if (n == 3 && (p[0] & 0xF0) == 0xE0)
        return char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    if (n == 4 && (p[0] & 0xF8) == 0xF0)
        return char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 | (p[3] & 0x3F);
    return 0;
}

}  // namespace

// The 94 x 94 table is made once per process: a document sets thousands of
// characters, and iconv per character would cost more than the page.
char32_t JisToUnicode(unsigned code) {
    static std::array<char32_t, kCells * kCells> table{};
    static std::once_flag made;
    std::call_once(made, [] {
        for (unsigned row = 0; row < kCells; ++row)
            for (unsigned cell = 0; cell < kCells; ++cell) {
                char euc[2] = {static_cast<char>(0x80 | (kFirst + row)), static_cast<char>(0x80 | (kFirst + cell))};
                if (auto utf8 = ToUtf8(std::string_view(euc, 2), "EUC-JP"))
                    table[row * kCells + cell] = DecodeOne(*utf8);
            }
    });
    unsigned row = (code >> 8) & 0xFF, cell = code & 0xFF;
    if (code > 0xFFFF || row < kFirst || row >= kFirst + kCells || cell < kFirst || cell >= kFirst + kCells) return 0;
    return table[(row - kFirst) * kCells + (cell - kFirst)];
}

}  // namespace ksdvi

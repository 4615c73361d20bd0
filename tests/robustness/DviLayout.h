#pragma once
// Where things lie in a well-formed DVI file, found by walking its
// instructions: its four-byte fields (preamble num/den/mag, bop counts and
// pointer, font definition checksum/size/design, rule dimensions, four-byte
// parameters, postamble values), where extreme values reach checks that a
// random offset rarely hits, and its specials, whose texts can be replaced.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ksdvi::robustness {

namespace dvi_layout_detail {

// Width of the single parameter of op (0 when it has none or a fixed layout
// handled by the walker).
inline int ParameterBytes(int op) {
    if (op < 128 || (op >= 171 && op <= 234)) return 0;
    if (op <= 131) return op - 127;               // set1-4
    if (op >= 133 && op <= 136) return op - 132;  // put1-4
    if (op >= 143 && op <= 146) return op - 142;  // right1-4
    if (op >= 148 && op <= 151) return op - 147;  // w1-4
    if (op >= 153 && op <= 156) return op - 152;  // x1-4
    if (op >= 157 && op <= 160) return op - 156;  // down1-4
    if (op >= 162 && op <= 165) return op - 161;  // y1-4
    if (op >= 167 && op <= 170) return op - 166;  // z1-4
    if (op >= 235 && op <= 238) return op - 234;  // fnt1-4
    return 0;
}

}  // namespace dvi_layout_detail

struct DviLayout {
    struct Special {
        size_t at;           // the xxx opcode
        size_t lengthBytes;  // 1 to 4
        size_t textLength;
    };
    std::vector<size_t> fourByteFields;
    std::vector<Special> specials;
};

inline DviLayout LayoutOf(std::vector<uint8_t> const& b) {
    using dvi_layout_detail::ParameterBytes;
    DviLayout layout;
    std::vector<size_t>& fields = layout.fourByteFields;
    auto u = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n && at + static_cast<size_t>(i) < b.size(); ++i)
            v = v << 8 | b[at + static_cast<size_t>(i)];
        return v;
    };
    if (b.size() < 15 || b[0] != 247) return layout;
    fields.insert(fields.end(), {2, 6, 10});
    size_t at = 15 + b[14];
    while (at < b.size()) {
        int op = b[at];
        if (op == 139) {  // bop
            for (size_t i = 0; i < 11; ++i) fields.push_back(at + 1 + 4 * i);
            at += 45;
        } else if (op == 132 || op == 137) {  // rules
            fields.insert(fields.end(), {at + 1, at + 5});
            at += 9;
        } else if (op >= 239 && op <= 242) {  // xxx
            int k = op - 238;
            if (k == 4) fields.push_back(at + 1);
            layout.specials.push_back({at, static_cast<size_t>(k), u(at + 1, k)});
            at += 1 + static_cast<size_t>(k) + u(at + 1, k);
        } else if (op >= 243 && op <= 246) {  // fnt_def
            size_t k = static_cast<size_t>(op - 242);
            fields.insert(fields.end(), {at + 1 + k, at + 5 + k, at + 9 + k});
            at += 1 + k + 14 + u(at + 13 + k, 1) + u(at + 14 + k, 1);
        } else if (op == 248) {  // post: p num den mag l u
            for (size_t i = 0; i < 6; ++i) fields.push_back(at + 1 + 4 * i);
            at += 29;
        } else if (op == 249) {  // post_post: q
            fields.push_back(at + 1);
            break;
        } else {
            int n = ParameterBytes(op);
            if (n == 4) fields.push_back(at + 1);
            at += 1 + static_cast<size_t>(n);
        }
    }
    return layout;
}

// The file with one special's text replaced, written as xxx4.
inline std::vector<uint8_t> WithSpecialText(std::vector<uint8_t> const& b, DviLayout::Special const& special,
                                            std::vector<uint8_t> const& text) {
    auto at = b.begin() + static_cast<long>(special.at);
    std::vector<uint8_t> out(b.begin(), at);
    auto length = static_cast<uint32_t>(text.size());
    out.insert(out.end(), {242, static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                           static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out.insert(out.end(), text.begin(), text.end());
    out.insert(out.end(), at + static_cast<long>(1 + special.lengthBytes + special.textLength), b.end());
    return out;
}

}  // namespace ksdvi::robustness

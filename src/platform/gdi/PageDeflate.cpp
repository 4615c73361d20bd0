#include "platform/gdi/PageDeflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include <libdeflate.h>

namespace ksdvi::gdi {

namespace {

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kEndOfBlock = 256;
constexpr int kLitLenSymbols = 286;
constexpr int kDistSymbols = 30;
constexpr int kCodeLengthSymbols = 19;
constexpr int kTokenValues = 256 + kMaxMatch + 1;
// Tokens per block: enough for the codes to pay for their description,
// few enough for them to follow the page from its margins into its text.
constexpr std::size_t kBlockTokens = std::size_t(1) << 15;

constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistBase[kDistSymbols] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                         33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistExtra[kDistSymbols] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The length symbol (less 257) of each match length.
constexpr std::array<std::uint8_t, kMaxMatch + 1> kLengthSymbol = [] {
    std::array<std::uint8_t, kMaxMatch + 1> table{};
    for (int length = kMinMatch, s = 0; length <= kMaxMatch; ++length) {
        while (s < 28 && kLengthBase[s + 1] <= length) ++s;
        table[length] = std::uint8_t(s);
    }
    return table;
}();

int DistanceSymbol(int distance) {
    int s = 0;
    while (s + 1 < kDistSymbols && kDistBase[s + 1] <= distance) ++s;
    return s;
}

// Huffman code lengths of at most `maxBits` for the symbols' counts. Every
// code is complete: a lone symbol gets a partner, as inflaters want.
void BuildLengths(const std::uint32_t* counts, int n, int maxBits, std::uint8_t* lengths) {
    std::vector<std::uint32_t> weight(counts, counts + n);
    int used = int(std::count_if(weight.begin(), weight.end(), [](std::uint32_t c) { return c > 0; }));
    for (int s = 0; used < 2 && s < n; ++s)
        if (weight[s] == 0) weight[s] = 1, ++used;
    struct Node {
        std::uint64_t weight;
        int parent;
    };
    for (;;) {
        std::vector<Node> nodes;
        std::vector<int> leafOf;  // the symbol of each leaf node
        for (int s = 0; s < n; ++s)
            if (weight[s] > 0) nodes.push_back({weight[s], -1}), leafOf.push_back(s);
        const int leaves = int(nodes.size());
        std::vector<int> order(leaves);
        for (int i = 0; i < leaves; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return nodes[a].weight < nodes[b].weight; });
        // Two queues: the leaves by weight, and the joined nodes, which come
        // out in order of weight by themselves.
        std::size_t nextLeaf = 0, nextJoined = std::size_t(leaves);
        const auto take = [&]() {
            if (nextLeaf < order.size() &&
                (nextJoined >= nodes.size() || nodes[order[nextLeaf]].weight <= nodes[nextJoined].weight))
                return order[nextLeaf++];
            return int(nextJoined++);
        };
        for (int joins = 0; joins < leaves - 1; ++joins) {
            const int a = take(), b = take();
            nodes.push_back({nodes[a].weight + nodes[b].weight, -1});
            nodes[a].parent = nodes[b].parent = int(nodes.size()) - 1;
        }
        std::vector<int> depth(nodes.size(), 0);
        int deepest = 0;
        for (int i = int(nodes.size()) - 2; i >= 0; --i) {
            depth[i] = depth[nodes[i].parent] + 1;
            deepest = std::max(deepest, depth[i]);
        }
        if (deepest <= maxBits) {
            std::fill(lengths, lengths + n, 0);
            for (int i = 0; i < leaves; ++i) lengths[leafOf[i]] = std::uint8_t(depth[i]);
            return;
        }
        // Too deep: flatten the counts and build again.
        for (auto& w : weight)
            if (w > 0) w = (w >> 1) | 1;
    }
}

// Canonical codes for the lengths, bit-reversed: deflate sends codes from
// their first bit, and the output is written lowest bit first.
void BuildCodes(const std::uint8_t* lengths, int n, std::uint16_t* codes) {
    int count[16] = {};
    for (int s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    int next[16] = {};
    for (int bits = 1, code = 0; bits < 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int s = 0; s < n; ++s) {
        const int len = lengths[s];
        unsigned code = len ? unsigned(next[len]++) : 0, reversed = 0;
        for (int b = 0; b < len; ++b, code >>= 1) reversed = reversed << 1 | (code & 1);
        codes[s] = std::uint16_t(reversed);
    }
}

// How many bytes from `at` on repeat the bytes `distance` before them.
std::size_t RepeatLength(const std::uint8_t* at, std::size_t left, int distance) {
    std::size_t k = 0;
    for (; k + 8 <= left; k += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, at + k, 8);
        std::memcpy(&b, at + k - distance, 8);
        if (a == b) continue;
        // The first differing byte: the lowest in memory, whatever the byte order.
        const int bit = std::endian::native == std::endian::little ? std::countr_zero(a ^ b) : std::countl_zero(a ^ b);
        return k + std::size_t(bit / 8);
    }
    while (k < left && at[k] == at[k - distance]) ++k;
    return k;
}

}  // namespace

// Bits go out lowest first, four bytes at a time, into room made beforehand.
class PageDeflate::BitSink {
public:
    BitSink(PageDeflate& owner, std::size_t room)
        : owner_(owner), at_(owner.Room(room + 8)), bits_(owner.bits_), count_(owner.bitCount_) {}
    ~BitSink() {
        owner_.bits_ = bits_;
        owner_.bitCount_ = count_;
        owner_.outSize_ = std::size_t(at_ - owner_.out_.get());
    }
    // `value` has at most `count` (at most 32) bits.
    void Put(std::uint32_t value, int count) {
        bits_ |= std::uint64_t(value) << count_;
        count_ += count;
        if (count_ >= 32) {
            const std::uint32_t word = std::uint32_t(bits_);
            const std::uint8_t bytes[4] = {std::uint8_t(word), std::uint8_t(word >> 8), std::uint8_t(word >> 16),
                                           std::uint8_t(word >> 24)};
            std::memcpy(at_, bytes, 4);
            at_ += 4;
            bits_ >>= 32;
            count_ -= 32;
        }
    }
    // Pads to a whole byte and writes what is left.
    void Flush() {
        for (; count_ > 0; count_ -= 8, bits_ >>= 8) *at_++ = std::uint8_t(bits_);
        count_ = 0;
        bits_ = 0;
    }

private:
    PageDeflate& owner_;
    std::uint8_t* at_;
    std::uint64_t bits_;
    int count_;
};

std::uint8_t* PageDeflate::Room(std::size_t bytes) {
    if (outCapacity_ - outSize_ < bytes) {
        const std::size_t capacity = std::max(2 * outCapacity_, outSize_ + bytes);
        auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
        if (outSize_) std::memcpy(grown.get(), out_.get(), outSize_);
        out_ = std::move(grown);
        outCapacity_ = capacity;
    }
    return out_.get() + outSize_;
}

void PageDeflate::Start(int bytesPerPixel) {
    distance_ = std::clamp(bytesPerPixel, 1, 4);
    adler_ = 1;
    tokenCount_ = 0;
    bits_ = 0;
    bitCount_ = 0;
    outSize_ = 0;
    // zlib's header: deflate with a 32 KiB window, no dictionary.
    std::uint8_t* at = Room(2);
    at[0] = 0x78;
    at[1] = 0x01;
    outSize_ = 2;
}

void PageDeflate::AddRow(const std::uint8_t* bytes, std::size_t count) {
    adler_ = std::uint32_t(libdeflate_adler32(adler_, bytes, count));
    if (tokens_.size() < tokenCount_ + count) tokens_.resize(tokenCount_ + count);
    std::uint16_t* token = tokens_.data() + tokenCount_;
    const std::size_t d = std::size_t(distance_);
    std::size_t i = 0;
    while (i < count) {
        // Ink changes from pixel to pixel: most literals fail the first test.
        std::size_t run = i >= d && bytes[i] == bytes[i - d] ? RepeatLength(bytes + i, count - i, distance_) : 0;
        if (run < kMinMatch) {
            *token++ = bytes[i++];
            continue;
        }
        i += run;
        while (run >= kMinMatch) {
            std::size_t length = std::min<std::size_t>(run, kMaxMatch);
            // Never leave a piece too short to be a match.
            if (run > length && run - length < kMinMatch) length = run - kMinMatch;
            *token++ = std::uint16_t(256 + length);
            run -= length;
        }
    }
    tokenCount_ = std::size_t(token - tokens_.data());
    if (tokenCount_ >= kBlockTokens) PutBlock(false);
}

void PageDeflate::Finish() {
    PutBlock(true);
    BitSink(*this, 0).Flush();
    std::uint8_t* at = Room(4);
    for (int i = 0; i < 4; ++i) at[i] = std::uint8_t(adler_ >> (24 - 8 * i));
    outSize_ += 4;
}

void PageDeflate::PutBlock(bool last) {
    const std::uint16_t* const tokens = tokens_.data();
    std::uint32_t tokenCounts[kTokenValues] = {};
    for (std::size_t i = 0; i < tokenCount_; ++i) ++tokenCounts[tokens[i]];
    std::uint32_t litCounts[kLitLenSymbols] = {}, distCounts[kDistSymbols] = {};
    std::copy_n(tokenCounts, 256, litCounts);
    litCounts[kEndOfBlock] = 1;
    const int distSymbol = DistanceSymbol(distance_);
    for (int length = kMinMatch; length <= kMaxMatch; ++length) {
        litCounts[257 + kLengthSymbol[length]] += tokenCounts[256 + length];
        distCounts[distSymbol] += tokenCounts[256 + length];
    }

    std::uint8_t lengths[kLitLenSymbols + kDistSymbols];
    std::uint8_t* litLengths = lengths;
    std::uint8_t distLengths[kDistSymbols];
    BuildLengths(litCounts, kLitLenSymbols, 15, litLengths);
    BuildLengths(distCounts, kDistSymbols, 15, distLengths);
    std::uint16_t litCodes[kLitLenSymbols], distCodes[kDistSymbols];
    BuildCodes(litLengths, kLitLenSymbols, litCodes);
    BuildCodes(distLengths, kDistSymbols, distCodes);
    int litUsed = kLitLenSymbols, distUsed = kDistSymbols;
    while (litLengths[litUsed - 1] == 0) --litUsed;
    while (distUsed > 1 && distLengths[distUsed - 1] == 0) --distUsed;
    // The distance lengths follow the used literal/length ones, over unused
    // ones: the codes are made by now.
    std::memcpy(lengths + litUsed, distLengths, std::size_t(distUsed));

    // The code lengths themselves, run-length coded: 16 repeats the last
    // length 3 to 6 times, 17 and 18 are runs of 3 to 10 and 11 to 138 zeros.
    struct Item {
        std::uint8_t symbol, extra;
    };
    std::vector<Item> items;
    const int total = litUsed + distUsed;
    for (int i = 0; i < total;) {
        const std::uint8_t v = lengths[i];
        int run = 1;
        while (i + run < total && lengths[i + run] == v) ++run;
        i += run;
        if (v == 0) {
            for (; run >= 11; run -= std::min(run, 138)) items.push_back({18, std::uint8_t(std::min(run, 138) - 11)});
            if (run >= 3) items.push_back({17, std::uint8_t(run - 3)}), run = 0;
        } else {
            items.push_back({v, 0}), --run;
            for (; run >= 3; run -= std::min(run, 6)) items.push_back({16, std::uint8_t(std::min(run, 6) - 3)});
        }
        for (; run > 0; --run) items.push_back({v, 0});
    }
    std::uint32_t clCounts[kCodeLengthSymbols] = {};
    for (const Item& item : items) ++clCounts[item.symbol];
    std::uint8_t clLengths[kCodeLengthSymbols];
    std::uint16_t clCodes[kCodeLengthSymbols];
    BuildLengths(clCounts, kCodeLengthSymbols, 7, clLengths);
    BuildCodes(clLengths, kCodeLengthSymbols, clCodes);
    int clUsed = kCodeLengthSymbols;
    while (clUsed > 4 && clLengths[kCodeLengthOrder[clUsed - 1]] == 0) --clUsed;

    // Codes of at most 15 bits: a match takes at most 15 + 5 + 15 bits; the
    // codes' description at most 3 + 5 + 5 + 4 + 19 * 3 bits and 316 items of
    // at most 7 + 7.
    BitSink sink(*this, tokenCount_ * 5 + 640);
    sink.Put(last ? 1 : 0, 1);
    sink.Put(2, 2);  // dynamic codes
    sink.Put(std::uint32_t(litUsed - 257), 5);
    sink.Put(std::uint32_t(distUsed - 1), 5);
    sink.Put(std::uint32_t(clUsed - 4), 4);
    for (int i = 0; i < clUsed; ++i) sink.Put(clLengths[kCodeLengthOrder[i]], 3);
    static constexpr int kItemExtraBits[3] = {2, 3, 7};
    for (const Item& item : items) {
        sink.Put(clCodes[item.symbol], clLengths[item.symbol]);
        if (item.symbol >= 16) sink.Put(item.extra, kItemExtraBits[item.symbol - 16]);
    }
    // Each token's bits in one piece: a match's length code, its extra bits
    // and the distance's code, which has one bit (there is one distance).
    std::uint32_t tokenCode[kTokenValues];
    std::uint8_t tokenBits[kTokenValues];
    for (int t = 0; t < 256; ++t) tokenCode[t] = litCodes[t], tokenBits[t] = litLengths[t];
    const int distBits = distLengths[distSymbol] + kDistExtra[distSymbol];
    const std::uint32_t distCode = distCodes[distSymbol] | std::uint32_t(distance_ - kDistBase[distSymbol])
                                                               << distLengths[distSymbol];
    for (int length = kMinMatch; length <= kMaxMatch; ++length) {
        const int s = kLengthSymbol[length], codeBits = litLengths[257 + s];
        const int bits = codeBits + kLengthExtra[s];
        tokenCode[256 + length] =
            litCodes[257 + s] | std::uint32_t(length - kLengthBase[s]) << codeBits | distCode << bits;
        tokenBits[256 + length] = std::uint8_t(bits + distBits);
    }
    for (std::size_t i = 0; i < tokenCount_; ++i) sink.Put(tokenCode[tokens[i]], tokenBits[tokens[i]]);
    sink.Put(litCodes[kEndOfBlock], litLengths[kEndOfBlock]);
    tokenCount_ = 0;
}

}  // namespace ksdvi::gdi

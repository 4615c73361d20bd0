#include "dvi/DviScanReader.h"

#include <vector>

#include "dvi/XdvRecords.h"

namespace ksdvi {

using namespace dvi;

int64_t FileSize(std::istream& in) {
    in.seekg(0, std::ios::end);
    int64_t size = static_cast<int64_t>(in.tellg());
    in.seekg(0, std::ios::beg);
    return size < 0 ? 0 : size;
}

bool SkipXdvRecord(DviScanReader& in, unsigned op, unsigned id) {
    if (op == kDefineNativeFont && IsXdvId(id)) {
        std::vector<unsigned char> head(NativeFontHeadBytes(id));
        in.Read(head.data(), static_cast<int64_t>(head.size()));
        if (in.Ended()) return true;
        long length = NativeFontLengthFromHead(head.data(), id);
        uint16_t flags = static_cast<uint16_t>(BigEndianUnsigned(head.data() + 8, 2));
        // 5's variation axes: a count, then as many axes and values, after the
        // names and the colour, before the words of the other flags.
        if (id == kXdvIdNames && (flags & kNativeVariations)) {
            long after = static_cast<long>(NativeFontFlagBytes(flags)) - ((flags & kNativeColoured) ? 4 : 0);
            in.Skip(length - after - static_cast<long>(head.size()));
            in.Skip(8 * int64_t(in.Unsigned(2)) + after);
        } else {
            in.Skip(length - static_cast<long>(head.size()));
        }
        return true;
    }
    if (!IsGlyphRun(op, id)) return false;
    if (op == kSetTextAndGlyphs && id == kXdvId) in.Skip(2 * int64_t(in.Unsigned(2)));
    in.Skip(4);
    int64_t count = in.Unsigned(2);
    in.Skip(count * (op == kSetTextAndGlyphs && id == kXdvIdNames ? 6 : 10));
    return true;
}

PostambleWalk WalkPostamble(DviScanReader& in, unsigned id) {
    PostambleWalk walk;
    in.Skip(16);  // p, num, den, mag
    walk.height = in.Signed32();
    walk.width = in.Signed32();
    in.Skip(4);  // stack depth, page count
    for (;;) {
        int64_t at = in.Position();
        unsigned op = in.Unsigned(1);
        if (in.Ended()) return walk;
        if (op == kPostPost) break;
        if (op == kNop) continue;
        if (op == kDefineNativeFont && SkipXdvRecord(in, op, id)) continue;
        if (FamilyOf(op) != kFntDef1) {
            walk.result = PostambleWalk::BadOpcode;
            walk.badAt = at;
            walk.badOpcode = op;
            return walk;
        }
        in.Skip(FamilyWidth(op) + 12);  // k, checksum, size, design size
        uint32_t a = in.Unsigned(1);
        uint32_t l = in.Unsigned(1);
        in.Skip(a + l);
    }
    if (in.Holds(5 + 4)) walk.result = PostambleWalk::Whole;
    return walk;
}

}  // namespace ksdvi

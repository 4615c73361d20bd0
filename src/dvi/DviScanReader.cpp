#include "dvi/DviScanReader.h"

namespace ksdvi {

using namespace dvi;

int64_t FileSize(std::istream& in) {
    in.seekg(0, std::ios::end);
    int64_t size = static_cast<int64_t>(in.tellg());
    in.seekg(0, std::ios::beg);
    return size < 0 ? 0 : size;
}

PostambleWalk WalkPostamble(DviScanReader& in) {
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

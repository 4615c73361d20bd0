#include "dvi/XdvRecords.h"

namespace ksdvi::dvi {

size_t NativeFontHeadBytes(unsigned id) { return id == kXdvIdNames ? 13 : 11; }

size_t NativeFontFlagBytes(uint16_t flags) {
    size_t n = 0;
    for (uint16_t flag : {kNativeColoured, kNativeExtend, kNativeSlant, kNativeEmbolden})
        if (flags & flag) n += 4;
    return n;
}

long NativeFontLengthFromHead(unsigned char const* head, unsigned id) {
    uint16_t flags = static_cast<uint16_t>(BigEndianUnsigned(head + 8, 2));
    long names = head[10];
    if (id == kXdvIdNames) return 13 + names + head[11] + head[12] + long(NativeFontFlagBytes(flags));
    if (id == kXdvIdNoText || id == kXdvId) return 11 + names + 4 + long(NativeFontFlagBytes(flags));
    return -1;
}

long ReadNativeFontDefinition(unsigned char const* p, size_t avail, unsigned id, NativeFontDefinition& out) {
    size_t head = NativeFontHeadBytes(id);
    if (!IsXdvId(id) || avail < head) return -1;
    out = NativeFontDefinition{};
    out.number = BigEndianUnsigned(p, 4);
    out.size = BigEndianSigned(p + 4, 4);
    out.flags = static_cast<uint16_t>(BigEndianUnsigned(p + 8, 2));
    size_t at = head;
    size_t nameLength = p[10];
    size_t familyLength = id == kXdvIdNames ? p[11] : 0;
    size_t styleLength = id == kXdvIdNames ? p[12] : 0;
    if (avail - at < nameLength + familyLength + styleLength) return -1;
    out.name.assign(reinterpret_cast<char const*>(p + at), nameLength);
    at += nameLength;
    out.family.assign(reinterpret_cast<char const*>(p + at), familyLength);
    at += familyLength;
    out.style.assign(reinterpret_cast<char const*>(p + at), styleLength);
    at += styleLength;
    auto take = [&](uint32_t& value) {
        if (avail - at < 4) return false;
        value = BigEndianUnsigned(p + at, 4);
        at += 4;
        return true;
    };
    uint32_t word = 0;
    if (id != kXdvIdNames && !take(out.index)) return -1;
    if ((out.flags & kNativeColoured) && !take(out.rgba)) return -1;
    // Variation axes (only 5 writes them) set nothing ksdvi draws.
    if (id == kXdvIdNames && (out.flags & kNativeVariations)) {
        if (avail - at < 2) return -1;
        size_t axes = BigEndianUnsigned(p + at, 2);
        at += 2;
        if (avail - at < 8 * axes) return -1;
        at += 8 * axes;
    }
    if (out.flags & kNativeExtend) {
        if (!take(word)) return -1;
        out.extend = static_cast<int32_t>(word);
    }
    if (out.flags & kNativeSlant) {
        if (!take(word)) return -1;
        out.slant = static_cast<int32_t>(word);
    }
    if (out.flags & kNativeEmbolden) {
        if (!take(word)) return -1;
        out.embolden = static_cast<int32_t>(word);
    }
    return static_cast<long>(at);
}

long ReadGlyphRun(unsigned op, unsigned id, unsigned char const* p, size_t avail, GlyphRun& out) {
    if (!IsGlyphRun(op, id)) return -1;
    out = GlyphRun{};
    size_t at = 0;
    if (op == kSetTextAndGlyphs && id == kXdvId) {
        if (avail < 2) return -1;
        out.textLength = BigEndianUnsigned(p, 2);
        at = 2;
        if (avail - at < 2 * size_t(out.textLength)) return -1;
        out.text = p + at;
        at += 2 * size_t(out.textLength);
    }
    if (avail - at < 6) return -1;
    out.width = BigEndianSigned(p + at, 4);
    out.count = BigEndianUnsigned(p + at + 4, 2);
    at += 6;
    out.vertical = !(op == kSetTextAndGlyphs && id == kXdvIdNames);
    size_t positions = size_t(out.count) * (out.vertical ? 8 : 4);
    if (avail - at < positions + 2 * size_t(out.count)) return -1;
    out.positions = p + at;
    at += positions;
    out.glyphs = p + at;
    at += 2 * size_t(out.count);
    return static_cast<long>(at);
}

}  // namespace ksdvi::dvi

#include "specials/PictureSpecials.h"

#include <cmath>

#include "specials/SpecialParsing.h"

namespace ksdvi {

namespace {

struct TypeName {
    std::string_view name;
    PictureType type;
};

constexpr TypeName kTypeNames[] = {
    {"WMF", kPictureWmf}, {"EPS", kPictureEps}, {"JPG", kPictureJpeg}, {"JPEG", kPictureJpeg},
    {"GIF", kPictureGif}, {"PNG", kPicturePng}, {"BMP", kPictureBmp},  {"PDF", kPicturePdf},
};

bool SameIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && StartsWith(reinterpret_cast<unsigned char const*>(text.data()), word);
}

double RealValue(unsigned char* value) {
    double d = 0;
    return getnumber(value, &d) ? d : 0;
}

int IntegerValue(unsigned char* value) {
    int i = 0;
    return ReadInteger(value, &i) ? i : 0;
}

struct PsfileKey {
    std::string_view key;  // compared at its full length, case ignored
    void (*apply)(PsfileSpecial& args, unsigned char* value);
};

template <int I>
void SetBox(PsfileSpecial& a, unsigned char* v) {
    a.box[I] = IntegerValue(v);
    a.boxGiven |= 1u << I;
}

constexpr PsfileKey kPsfileKeys[] = {
    {"psfile", [](PsfileSpecial& a, unsigned char* v) { a.file = String8(WithoutEnclosingQuotes(QuotedOrToken(v))); }},
    {"hoffset", [](PsfileSpecial& a, unsigned char* v) { a.hoffset = RealValue(v); }},
    {"voffset", [](PsfileSpecial& a, unsigned char* v) { a.voffset = RealValue(v); }},
    {"hscale", [](PsfileSpecial& a, unsigned char* v) { a.hscale = RealValue(v); }},
    {"vscale", [](PsfileSpecial& a, unsigned char* v) { a.vscale = RealValue(v); }},
    {"llx", SetBox<0>},
    {"lly", SetBox<1>},
    {"urx", SetBox<2>},
    {"ury", SetBox<3>},
    {"rwi", [](PsfileSpecial& a, unsigned char* v) { a.rwi = IntegerValue(v); }},
    {"rhi", [](PsfileSpecial& a, unsigned char* v) { a.rhi = IntegerValue(v); }},
    {"angle", [](PsfileSpecial& a, unsigned char* v) { a.angle = std::fmod(RealValue(v), 360.0); }},
    {"hsize", [](PsfileSpecial& a, unsigned char* v) { a.hsize = RealValue(v), a.cutToSize = true, a.clip = false; }},
    {"vsize", [](PsfileSpecial& a, unsigned char* v) { a.vsize = RealValue(v), a.cutToSize = true, a.clip = false; }},
};

}  // namespace

int PictureTypeOfWord(std::string_view word) {
    for (TypeName const& t : kTypeNames)
        if (SameIgnoringCase(word, t.name)) return t.type;
    return -1;
}

int PictureTypeOfFileName(std::string_view name) {
    for (TypeName const& t : kTypeNames)
        if (name.size() >= t.name.size() && SameIgnoringCase(name.substr(name.size() - t.name.size()), t.name))
            return t.type;
    return -1;
}

std::optional<GraphicsSpecial> ParseGraphicsSpecial(unsigned char* p) {
    int d[6];
    if (!(p = ReadDimensions(p, d, 6))) return std::nullopt;
    GraphicsSpecial g{d[0], d[1], d[2], d[3], d[4], d[5], -1, String8()};
    p = SkipBlanks(p);
    std::string_view word = Token(p);
    g.type = PictureTypeOfWord(word);
    p = SkipBlanks(p + word.size());
    if (*p == 0) return std::nullopt;
    g.file = String8(reinterpret_cast<char const*>(p));
    return g;
}

std::optional<String8> ParseGraphicsSpecialFile(unsigned char* p) {
    int d[6];
    if (!(p = ReadDimensions(p, d, 6))) return std::nullopt;
    p = SkipBlanks(p);
    if (!StartsWith(p, "WMF") && !StartsWith(p, "EPS")) return std::nullopt;
    p = SkipBlanks(p + 3);
    if (*p == 0) return std::nullopt;
    return String8(reinterpret_cast<char const*>(p));
}

PsfileSpecial ParsePsfileSpecial(unsigned char* p) {
    PsfileSpecial args;
    for (;;) {
        p = SkipBlanks(p);
        if (*p == 0) break;
        unsigned char* key = p;
        while (*p > 0x20 && *p != '=') ++p;
        auto keyLength = static_cast<size_t>(p - key);
        p = SkipBlanks(p);
        if (*p != '=') {
            // graphicx's clip stands alone; any other key without a value ends the pairs
            if (keyLength == 4 && StartsWith(key, "clip")) {
                args.clip = true;
                args.cutToSize = false;
                continue;
            }
            break;
        }
        p = SkipBlanks(p + 1);
        if (*p == 0) break;  // a key without a value ends the pairs
        for (PsfileKey const& k : kPsfileKeys)
            if (keyLength == k.key.size() && StartsWith(key, k.key)) k.apply(args, p);
        p += QuotedOrToken(p).size();
    }
    return args;
}

}  // namespace ksdvi

#include "device/CompactFontProgram.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include FT_FONT_FORMATS_H
#include FT_OUTLINE_H
#include FT_TYPE1_TABLES_H

#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// Text fonts make programs of 20 to 150 KiB (cm-super and Latin Modern at
// the top); the bound keeps a hostile font within memory.
constexpr size_t kMaxProgram = 16u << 20;
constexpr int kFirstCustomString = 391;  // strings before it are CFF's standard ones

void PutBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

// An integer operand as charstrings and dictionaries share it (dictionaries
// also take 32 bits, charstrings 16).
void PutInteger(std::string& out, long value) {
    if (value >= -107 && value <= 107) {
        out += static_cast<char>(value + 139);
    } else if (value >= 108 && value <= 1131) {
        value -= 108;
        out += static_cast<char>((value >> 8) + 247);
        out += static_cast<char>(value & 0xFF);
    } else if (value >= -1131 && value <= -108) {
        value = -value - 108;
        out += static_cast<char>((value >> 8) + 251);
        out += static_cast<char>(value & 0xFF);
    } else {
        out += '\x1c';
        PutBigEndian(out, static_cast<std::uint16_t>(std::clamp<long>(value, -32768, 32767)), 2);
    }
}

// A dictionary operand of fixed size, for offsets known only later.
void PutOffset(std::string& out, std::uint32_t value) {
    out += '\x1d';
    PutBigEndian(out, value, 4);
}

// A real dictionary operand: its decimal digits in nibbles.
void PutReal(std::string& out, double value) {
    std::string const text = GeneralNumber(value, 10);
    std::vector<int> nibbles;
    for (char const* p = text.c_str(); *p; ++p) {
        if (*p >= '0' && *p <= '9')
            nibbles.push_back(*p - '0');
        else if (*p == '.')
            nibbles.push_back(0xA);
        else if (*p == '-')
            nibbles.push_back(0xE);
        else if (*p == 'e' && p[1] == '-')
            nibbles.push_back(0xC), ++p;
        else if (*p == 'e')
            nibbles.push_back(0xB), p += p[1] == '+' ? 1 : 0;
    }
    nibbles.push_back(0xF);
    if (nibbles.size() % 2) nibbles.push_back(0xF);
    out += '\x1e';
    for (size_t i = 0; i < nibbles.size(); i += 2) out += static_cast<char>(nibbles[i] << 4 | nibbles[i + 1]);
}

std::string Index(std::vector<std::string> const& items) {
    std::string out;
    PutBigEndian(out, static_cast<std::uint32_t>(items.size()), 2);
    if (items.empty()) return out;
    size_t end = 1;
    for (std::string const& item : items) end += item.size();
    int const offSize = end <= 0xFF ? 1 : end <= 0xFFFF ? 2 : end <= 0xFFFFFF ? 3 : 4;
    out += static_cast<char>(offSize);
    size_t offset = 1;
    PutBigEndian(out, static_cast<std::uint32_t>(offset), offSize);
    for (std::string const& item : items) PutBigEndian(out, static_cast<std::uint32_t>(offset += item.size()), offSize);
    for (std::string const& item : items) out += item;
    return out;
}

// Writes one glyph's outline as a Type 2 charstring, each point relative to
// the one before; the width goes before the first operator.
struct CharstringWriter {
    std::string out;
    FT_Vector at{0, 0};
    long width = 0;
    bool widthWritten = false;

    void Operator(std::initializer_list<FT_Vector const*> points, char op) {
        if (!widthWritten && width != 0) PutInteger(out, width);
        widthWritten = true;
        for (FT_Vector const* p : points) {
            PutInteger(out, p->x - at.x);
            PutInteger(out, p->y - at.y);
            at = *p;
        }
        out += op;
    }

    static int MoveTo(FT_Vector const* to, void* self) {
        static_cast<CharstringWriter*>(self)->Operator({to}, '\x15');
        return 0;
    }
    static int LineTo(FT_Vector const* to, void* self) {
        static_cast<CharstringWriter*>(self)->Operator({to}, '\x05');
        return 0;
    }
    static int CubicTo(FT_Vector const* c1, FT_Vector const* c2, FT_Vector const* to, void* self) {
        static_cast<CharstringWriter*>(self)->Operator({c1, c2, to}, '\x08');
        return 0;
    }
    // Type 1 outlines have none; a quadratic is its cubic.
    static int ConicTo(FT_Vector const* control, FT_Vector const* to, void* self) {
        auto* writer = static_cast<CharstringWriter*>(self);
        auto third = [](FT_Pos from, FT_Pos c) {
            return from + static_cast<FT_Pos>(std::lround(2.0 * (c - from) / 3));
        };
        FT_Vector const c1{third(writer->at.x, control->x), third(writer->at.y, control->y)};
        FT_Vector const c2{third(to->x, control->x), third(to->y, control->y)};
        writer->Operator({&c1, &c2, to}, '\x08');
        return 0;
    }
};

std::string Charstring(FT_Face face, FT_UInt glyph) {
    CharstringWriter writer;
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0) {
        writer.width = face->glyph->metrics.horiAdvance;
        if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline_Funcs const funcs{&CharstringWriter::MoveTo,
                                         &CharstringWriter::LineTo,
                                         &CharstringWriter::ConicTo,
                                         &CharstringWriter::CubicTo,
                                         0,
                                         0};
            if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &writer)) writer.out.clear();
        }
    }
    if (!writer.widthWritten && writer.width != 0) PutInteger(writer.out, writer.width);
    writer.out += '\x0e';  // endchar
    return writer.out;
}

// The name a CFF Name INDEX may hold: printable, without PostScript's
// delimiters.
std::string FontNameOf(FT_Face face) {
    char const* postscript = FT_Get_Postscript_Name(face);
    std::string name;
    for (char c : std::string_view(postscript ? postscript : "")) {
        if (c > ' ' && c < 127 && std::string_view("[](){}<>/%").find(c) == std::string_view::npos) name += c;
        if (name.size() == 127) break;
    }
    return name.empty() ? "Untitled" : name;
}

// The font matrix, when it is not the usual thousandth of the em.
std::string FontMatrixOperands(FT_Face face) {
    std::array<double, 6> matrix{};
    for (FT_UInt i = 0; i < matrix.size(); ++i)
        if (FT_Get_PS_Font_Value(face, PS_DICT_FONT_MATRIX, i, &matrix[i], sizeof matrix[i]) <= 0) return {};
    if (matrix == std::array<double, 6>{0.001, 0, 0, 0.001, 0, 0}) return {};
    std::string out;
    for (double value : matrix) PutReal(out, value);
    return out + "\x0c\x07";
}

}  // namespace

std::string CompactFontProgram(FT_Face face) {
    char const* format = face ? FT_Get_Font_Format(face) : nullptr;
    if (!format || std::string_view(format) != "Type 1" || !FT_HAS_GLYPH_NAMES(face) || face->num_glyphs < 1 ||
        face->num_glyphs > 0xFFFF)
        return {};
    FT_UInt const glyphs = static_cast<FT_UInt>(face->num_glyphs);
    char name[128];
    if (FT_Get_Glyph_Name(face, 0, name, sizeof name) || std::string_view(name) != ".notdef") return {};

    std::vector<std::string> strings, charstrings;
    std::string charset(1, '\0');  // format 0: a string of each glyph after .notdef
    size_t total = 0;
    for (FT_UInt g = 0; g < glyphs; ++g) {
        if (g > 0) {
            if (FT_Get_Glyph_Name(face, g, name, sizeof name)) name[0] = '\0';
            if (kFirstCustomString + strings.size() > 0xFFFF) return {};
            PutBigEndian(charset, static_cast<std::uint32_t>(kFirstCustomString + strings.size()), 2);
            strings.emplace_back(name);
        }
        charstrings.push_back(Charstring(face, g));
        total += charstrings.back().size() + (g > 0 ? strings.back().size() + 2 : 0);
        if (total > kMaxProgram) return {};
    }

    std::string privateDict;
    PutInteger(privateDict, 0);
    privateDict += '\x15';  // nominalWidthX: each width is written whole

    // The top dictionary with its offsets, which have a fixed size: made once
    // to learn where what follows it begins, then with the offsets.
    auto topDict = [&](std::uint32_t charsetAt, std::uint32_t charstringsAt, std::uint32_t privateAt) {
        std::string dict;
        for (FT_Pos value : {face->bbox.xMin, face->bbox.yMin, face->bbox.xMax, face->bbox.yMax})
            PutInteger(dict, value);
        dict += '\x05';  // FontBBox
        dict += FontMatrixOperands(face);
        PutOffset(dict, charsetAt);
        dict += '\x0f';
        PutOffset(dict, charstringsAt);
        dict += '\x11';
        PutOffset(dict, static_cast<std::uint32_t>(privateDict.size()));
        PutOffset(dict, privateAt);
        dict += '\x12';
        return dict;
    };
    std::string const header("\x01\x00\x04\x04", 4);
    std::string const names = Index({FontNameOf(face)});
    std::string const stringIndex = Index(strings);
    std::string const globalSubrs = Index({});
    std::string const charstringIndex = Index(charstrings);
    size_t const charsetAt =
        header.size() + names.size() + Index({topDict(0, 0, 0)}).size() + stringIndex.size() + globalSubrs.size();
    size_t const charstringsAt = charsetAt + charset.size();
    size_t const privateAt = charstringsAt + charstringIndex.size();
    std::string program =
        header + names +
        Index({topDict(static_cast<std::uint32_t>(charsetAt), static_cast<std::uint32_t>(charstringsAt),
                       static_cast<std::uint32_t>(privateAt))}) +
        stringIndex + globalSubrs + charset + charstringIndex + privateDict;
    return program.size() > kMaxProgram ? std::string() : program;
}

}  // namespace ksdvi

#pragma once
// Builds DVI bytes for the cases real TeX output cannot show (malformed files,
// limits). Positions are DVI units; integers are written big-endian.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class DviBuilder {
public:
    std::vector<uint8_t> bytes;

    DviBuilder& U(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    DviBuilder& Op(int op) { return U(static_cast<uint32_t>(op), 1); }
    DviBuilder& Pre(uint32_t mag = 1000, int id = 2, std::string const& comment = "test") {
        Op(247).Op(id).U(25400000, 4).U(473628672, 4).U(mag, 4).Op(static_cast<int>(comment.size()));
        bytes.insert(bytes.end(), comment.begin(), comment.end());
        return *this;
    }
    DviBuilder& Bop(int32_t count0) {
        lastBop_ = static_cast<int32_t>(bytes.size());
        Op(139).U(static_cast<uint32_t>(count0), 4);
        for (int i = 0; i < 9; ++i) U(0, 4);
        return U(static_cast<uint32_t>(prevBop_), 4);
    }
    DviBuilder& Eop() {
        prevBop_ = lastBop_;
        return Op(140);
    }
    DviBuilder& Page(int32_t count0 = 1) { return Bop(count0).Eop(); }
    DviBuilder& FntDef(int number, std::string const& name, uint32_t scale = 655360, uint32_t design = 655360) {
        Op(243)
            .U(static_cast<uint32_t>(number), 1)
            .U(0, 4)
            .U(scale, 4)
            .U(design, 4)
            .Op(0)
            .Op(static_cast<int>(name.size()));
        bytes.insert(bytes.end(), name.begin(), name.end());
        return *this;
    }
    DviBuilder& Special(std::string const& text) {
        Op(239).U(static_cast<uint32_t>(text.size()), 1);
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    // A binary record of a Windows-font document: '#', the command in two
    // bytes, then its operand.
    DviBuilder& Record(int command, std::vector<uint8_t> const& operand) {
        std::string text{'#', static_cast<char>(command >> 8), static_cast<char>(command & 0xFF)};
        return Special(text.append(operand.begin(), operand.end()));
    }
    // XeTeX's define_native_font as files of identification 6 and 7 write it;
    // `extra` holds what the flags announce.
    DviBuilder& NativeFontDef(uint32_t number, uint32_t size, uint16_t flags, std::string const& file,
                              uint32_t index = 0, std::vector<uint32_t> const& extra = {}) {
        Op(252).U(number, 4).U(size, 4).U(flags, 2).Op(static_cast<int>(file.size()));
        bytes.insert(bytes.end(), file.begin(), file.end());
        U(index, 4);
        for (uint32_t word : extra) U(word, 4);
        return *this;
    }
    struct Glyph {
        int32_t x, y;
        uint16_t index;
    };
    // set_glyphs, or set_text_and_glyphs with `text` (UTF-16 units) when given.
    DviBuilder& Glyphs(int32_t width, std::vector<Glyph> const& glyphs, std::u16string const* text = nullptr) {
        if (text) {
            Op(254).U(static_cast<uint32_t>(text->size()), 2);
            for (char16_t unit : *text) U(unit, 2);
        } else {
            Op(253);
        }
        U(static_cast<uint32_t>(width), 4).U(static_cast<uint32_t>(glyphs.size()), 2);
        for (Glyph const& g : glyphs) U(static_cast<uint32_t>(g.x), 4).U(static_cast<uint32_t>(g.y), 4);
        for (Glyph const& g : glyphs) U(g.index, 2);
        return *this;
    }
    DviBuilder& Rule(int32_t height, int32_t width, bool set = false) {
        return Op(set ? 132 : 137).U(static_cast<uint32_t>(height), 4).U(static_cast<uint32_t>(width), 4);
    }
    DviBuilder& Post(int32_t height = 52099154, int32_t width = 40258437) {
        int32_t post = static_cast<int32_t>(bytes.size());
        Op(248).U(static_cast<uint32_t>(prevBop_), 4).U(25400000, 4).U(473628672, 4).U(1000, 4);
        U(static_cast<uint32_t>(height), 4).U(static_cast<uint32_t>(width), 4).U(10, 2).U(1, 2);
        Op(249).U(static_cast<uint32_t>(post), 4).Op(2);
        for (int i = 0; i < 4; ++i) Op(223);
        return *this;
    }
    // The bytes as the file at `path`.
    void WriteTo(std::string const& path) const {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

private:
    int32_t lastBop_ = -1;
    int32_t prevBop_ = -1;
};

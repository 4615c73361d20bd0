#pragma once
// A drawer that records every callback of the interpreter, specials with the
// point where they stand, for tests.

#include <ostream>
#include <string>
#include <vector>

#include "interp/KsDviDrawerBase.h"

struct Call {
    std::string kind;        // char, rule, special, glyph
    int offset, h, v, a, b;  // a, b: code and width, height and width, length and 0, or glyph and width
    std::string text;        // a special's; a glyph run's text as UTF-16 units in hex
    int height = 0;          // a character's, above v
    bool operator==(Call const&) const = default;
    friend void PrintTo(Call const& c, std::ostream* os) {
        *os << c.kind << " @" << c.offset << " (" << c.h << ", " << c.v << ") " << c.a << " " << c.b << " " << c.text
            << (c.height ? " height " + std::to_string(c.height) : "");
    }
};

class RecordingDrawer : public KsDviDrawerBase {
public:
    RecordingDrawer() = default;
    // Page `page` of `dvi`, drawn whole.
    RecordingDrawer(KsDvi& dvi, int page) {
        if (Open(dvi, page)) Draw(-1);
        Close();
    }
    std::vector<Call> calls;
    int CurrentFont() const { return GetCurFont(); }

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int) override {
        calls.push_back({"char", GetInstOffset(), h, v, code, width, "", height});
    }
    void PutRule(int h, int v, int height, int width) override {
        calls.push_back({"rule", GetInstOffset(), h, v, height, width, ""});
    }
    void PutGlyphs(KsDvi::ItrnFont const&, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override {
        std::string units;
        for (char16_t unit : text) units.append(units.empty() ? "" : " ").append(std::to_string(unsigned(unit)));
        for (NativeGlyph const& g : glyphs)
            calls.push_back({"glyph", GetInstOffset(), g.h, g.v, static_cast<int>(g.index), g.width, units});
    }
    void DoSpecial(unsigned int length, InstPtr text) override {
        KsDviDrawerBase::DoSpecial(length, text);
        calls.push_back({"special", GetInstOffset(), GetH(), GetV(), static_cast<int>(length), 0,
                         std::string(reinterpret_cast<char const*>(text.Get()), length)});
    }
};

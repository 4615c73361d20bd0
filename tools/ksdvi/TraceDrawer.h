#pragma once
// A dvitype-like view of a page: one line per interpreter callback, positions
// and sizes in DVI units.
//   char OFFSET H V CODE WIDTH HEIGHT DEPTH
//   rule OFFSET H V HEIGHT WIDTH
//   special OFFSET LENGTH TEXT
//   glyph OFFSET H V GLYPH WIDTH HEIGHT DEPTH   (a native font's glyph by index)
//   text OFFSET TEXT                             (what a run of glyphs sets, UTF-8)
//   dir OFFSET DIRECTION                         (pTeX's: 0 horizontal, 1 vertical, 3 down to up)

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "interp/KsDviDrawerBase.h"

// The listing streams to `out` as it grows: a page may hold millions of lines.
class TraceDrawer : public KsDviDrawerBase {
public:
    explicit TraceDrawer(std::FILE* out) : out_(out) {}
    ~TraceDrawer() override { Flush(); }

    void Write(std::string_view text);
    // A line of a word and numbers, written with to_chars: a page of 100 MB
    // has millions of lines, and parsing printf formats would be most of the time.
    void WriteLine(char const* word, std::initializer_list<long long> numbers);
    void Flush();

    // A special's bytes as one word: printable ASCII as is (backslash doubled),
    // every other byte as \xHH.
    static std::string EscapeSpecial(unsigned char const* text, unsigned int length);

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override;
    void PutRule(int h, int v, int height, int width) override;
    void PutDirection(unsigned direction) override;
    void DoSpecial(unsigned int length, InstPtr text) override;
    void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override;

private:
    std::FILE* out_;
    std::string buffer_;
};

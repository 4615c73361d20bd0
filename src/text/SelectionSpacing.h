#pragma once
// How selected text is rebuilt from the geometry of its characters: a line
// break where the next character sits more than a character's height lower,
// a space where the gap after the previous character is wide enough.

namespace ksdvi {

// A character as the spacing rules see it; all 0 before the first one.
struct SpacedChar {
    int left = 0, baseline = 0, width = 0, height = 0;
    unsigned code = 0;
    int size = 0;           // the font's em, when known: a space is never wider than a sixth of it
    bool japanese = false;  // from a JFM font
};

// What goes between `prev` and `cur`, taken in drawing order: "", " " or
// "\r\n". Windows-font pages measure in device pixels, with wider gaps.
char const* SelectionSeparator(SpacedChar const& prev, SpacedChar const& cur, int winFont);

}  // namespace ksdvi

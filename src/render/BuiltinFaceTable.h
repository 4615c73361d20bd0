#pragma once
// The built-in table of standard TeX font names and the faces that paint them.

namespace ksdvi {

struct BuiltinFace {
    char const* texName;
    char const* face;
    double heightFactor;  // 0: the height is the font's size
    double widthFactor;   // 0: the face's own proportions
    int weight;           // 0 or 700
    int italic;           // 0 or 1
};

// The first row whose TeX name equals `texName` without regard to case, or null.
BuiltinFace const* FindBuiltinFace(char const* texName);

}  // namespace ksdvi

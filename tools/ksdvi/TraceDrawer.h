#pragma once
// A dvitype-like view of a page: one line per interpreter callback, positions
// and sizes in DVI units.
//   char OFFSET H V CODE WIDTH HEIGHT DEPTH
//   rule OFFSET H V HEIGHT WIDTH
//   special OFFSET LENGTH TEXT

#include <string>

#include "interp/KsDviDrawerBase.h"

class TraceDrawer : public KsDviDrawerBase {
public:
    explicit TraceDrawer(std::string& out) : out_(out) {}

    // A special's bytes as one word: printable ASCII as is (backslash doubled),
    // every other byte as \xHH.
    static std::string EscapeSpecial(unsigned char const* text, unsigned int length);

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override;
    void PutRule(int h, int v, int height, int width) override;
    void DoSpecial(unsigned int length, InstPtr text) override;

private:
    std::string& out_;
};

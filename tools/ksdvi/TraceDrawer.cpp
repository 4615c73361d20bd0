#include "TraceDrawer.h"

#include <cstdio>

std::string TraceDrawer::EscapeSpecial(unsigned char const* text, unsigned int length) {
    std::string s;
    s.reserve(length);
    for (unsigned int i = 0; i < length; ++i) {
        unsigned char c = text[i];
        if (c == '\\') {
            s += "\\\\";
        } else if (c >= 0x21 && c <= 0x7E) {
            s.push_back(static_cast<char>(c));
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            s += hex;
        }
    }
    return s;
}

void TraceDrawer::PutChar(int h, int v, unsigned short code, int width, int height, int depth) {
    char line[128];
    // The DVI code, then the code the font's encoding hands to the painter.
    int n = std::snprintf(line, sizeof line, "char %d %d %d %u %d %d %d %u\n", GetInstOffset(), h, v, GetDviCode(),
                          width, height, depth, code);
    out_.append(line, static_cast<size_t>(n));
}

void TraceDrawer::PutRule(int h, int v, int height, int width) {
    char line[128];
    int n = std::snprintf(line, sizeof line, "rule %d %d %d %d %d\n", GetInstOffset(), h, v, height, width);
    out_.append(line, static_cast<size_t>(n));
}

void TraceDrawer::DoSpecial(unsigned int length, InstPtr text) {
    // The base class keeps the document's record state up to date.
    KsDviDrawerBase::DoSpecial(length, text);
    char head[64];
    int n = std::snprintf(head, sizeof head, "special %d %u ", GetInstOffset(), length);
    out_.append(head, static_cast<size_t>(n));
    out_ += EscapeSpecial(text.Get(), length);
    out_.push_back('\n');
}

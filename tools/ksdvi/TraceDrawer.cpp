#include "TraceDrawer.h"

#include <charconv>
#include <cstdio>

#include "stream/TextConversion.h"

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

void TraceDrawer::Write(std::string_view text) {
    constexpr size_t kFlushAt = 1 << 16;
    buffer_.append(text);
    if (buffer_.size() >= kFlushAt) Flush();
}

void TraceDrawer::WriteLine(char const* word, std::initializer_list<long long> numbers) {
    buffer_ += word;
    char digits[24];
    for (long long value : numbers) {
        buffer_.push_back(' ');
        buffer_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    Write("\n");
}

void TraceDrawer::Flush() {
    if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
    std::fflush(out_);
}

void TraceDrawer::PutChar(int h, int v, unsigned short code, int width, int height, int depth) {
    // The DVI code, then the code the font's encoding hands to the painter.
    WriteLine("char", {GetInstOffset(), h, v, GetDviCode(), width, height, depth, code});
}

void TraceDrawer::PutRule(int h, int v, int height, int width) {
    WriteLine("rule", {GetInstOffset(), h, v, height, width});
}

void TraceDrawer::PutDirection(unsigned direction) { WriteLine("dir", {GetInstOffset(), direction}); }

void TraceDrawer::DoSpecial(unsigned int length, InstPtr text) {
    // The base class keeps the document's record state up to date.
    KsDviDrawerBase::DoSpecial(length, text);
    char head[64];
    int n = std::snprintf(head, sizeof head, "special %d %u ", GetInstOffset(), length);
    Write(std::string_view(head, static_cast<size_t>(n)));
    Write(EscapeSpecial(text.Get(), length));
    Write("\n");
}

void TraceDrawer::PutGlyphs(KsDvi::ItrnFont const&, std::vector<NativeGlyph> const& glyphs,
                            std::u16string const& text) {
    for (NativeGlyph const& g : glyphs)
        WriteLine("glyph", {GetInstOffset(), g.h, g.v, g.index, g.width, g.height, g.depth});
    if (text.empty()) return;
    std::string bigEndian;
    for (char16_t unit : text) {
        bigEndian += static_cast<char>(unit >> 8);
        bigEndian += static_cast<char>(unit & 0xFF);
    }
    std::string utf8 = ksdvi::ToUtf8(bigEndian, "UTF-16BE").value_or("?");
    char head[32];
    int n = std::snprintf(head, sizeof head, "text %d ", GetInstOffset());
    Write(std::string_view(head, static_cast<size_t>(n)));
    Write(utf8);
    Write("\n");
}

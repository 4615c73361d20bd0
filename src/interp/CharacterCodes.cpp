// What a character instruction shows: a virtual-font packet to run, or one code
// converted by the font's encoding for the outline face that paints it.

#include "font/ItrnFont.h"
#include "interp/EightrTable.h"
#include "interp/KsDviDrawerBase.h"

using namespace ksdvi;

void KsDviDrawerBase::DviPut(unsigned short code) {
    dviCode_ = code;
    if (winFont_) {
        KsDvi::WinFontTextState const& state = dvi_->GetWinFontTextState();
        PutChar(h_, v_, code, state.charWidth, state.charHeight, 0);
        return;
    }
    KsDvi::ItrnFont const* font = GetItrnFont(curFont_);
    if (!font || !font->IsValidChar(code)) {
        mbState_ = 0;
        return;
    }
    if (font->IsVirtual()) {
        DoVirtualFont(font, static_cast<unsigned char>(code));
        return;
    }
    PutEncoded(font, code);
}

void KsDviDrawerBase::PutEncoded(KsDvi::ItrnFont const* font, unsigned short code) {
    unsigned char c = static_cast<unsigned char>(code);
    unsigned short shown;
    switch (font->GetEncoding()) {
    case KsDviTTFMap::ENC_OT1:
        // TeX's control positions move to where symbol faces keep those glyphs.
        shown = c <= 9 ? c + 0xA1 : c <= 32 ? c + 0xA3 : c == 127 ? 0xC4 : c;
        shown = static_cast<unsigned short>(0xF000 + shown);
        break;
    case KsDviTTFMap::ENC_8R_UNICODE: shown = kEightrToUnicode[c]; break;
    case KsDviTTFMap::ENC_RAW:
    case KsDviTTFMap::ENC_GLYPH_NAMES:  // the painter finds the glyph by the code's name
        PutChar(h_, v_, code, font->GetCharWidthA(code), font->GetCharHeight(code), font->GetCharDepth(code));
        return;
    case KsDviTTFMap::ENC_MSWINSYMBOL_UNICODE: shown = static_cast<unsigned short>(0xF000 + c); break;
    default:
        // The Korean subfont encodings are not supported: their characters show nothing.
        mbState_ = 0;
        return;
    }
    PutChar(h_, v_, shown, font->GetCharWidthA(c), font->GetCharHeight(c), font->GetCharDepth(c));
}

// Runs a character's packet with the virtual font's own font table, from the
// character's position; the packet's pushes and pops use the page's stack.
// Packets that set many characters whose packets set many more multiply the
// work at each of ten levels; the page's budget of packet instructions ends them.
void KsDviDrawerBase::DoVirtualFont(KsDvi::ItrnFont const* font, unsigned char c) {
    if (virtualDepth_ >= MaxVirtualDepth || packetBudget_ <= 0) return;
    unsigned char const* packet = font->GetCharPacket(c);
    int length = font->GetCharPacketLength(c);
    if (!packet) return;

    ++virtualDepth_;
    auto savedTable = fontTable_;
    int savedTableSize = fontTableSize_, savedFont = curFont_;
    int32_t sh = h_, sv = v_, sw = w_, sx = x_, sy = y_, sz = z_;
    unsigned char const *savedBase = base_, *savedLimit = limit_;

    fontTable_ = font->GetLocalFontIndex();
    fontTableSize_ = fontTable_ ? font->GetLocalFontIndexSize() : 0;
    curFont_ = -1;
    int first = font->GetFirstLocalFont();
    if (first >= 0 && GetItrnFont(first)) curFont_ = first;
    w_ = x_ = y_ = z_ = 0;

    base_ = packet;
    limit_ = packet + length;
    for (unsigned char const* p = packet; p < limit_ && packetBudget_ > 0; --packetBudget_) {
        int n = ProcessInstruction(p);
        if (n <= 0) break;  // a bad instruction ends only this packet
        p += n;
    }

    base_ = savedBase;
    limit_ = savedLimit;
    fontTable_ = savedTable;
    fontTableSize_ = savedTableSize;
    curFont_ = savedFont;
    h_ = sh;
    v_ = sv;
    w_ = sw;
    x_ = sx;
    y_ = sy;
    z_ = sz;
    --virtualDepth_;
}
